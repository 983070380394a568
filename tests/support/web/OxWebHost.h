// The browser's real input for the page's tests, sent by the runner
// (scripts/web/run.mjs, window.oxHost) between the page's tasks. Each call
// waits, handing the page back to the browser, until the input has been
// handled; false when the runner refused it (or is not there).
#pragma once

namespace oxtest {
namespace web {

// action "down", "up" or "press"; key a key name such as "KeyA" or "Escape".
bool Key(const char* action, const char* key);
// action "move", "down", "up" or "click"; x, y in canvas pixels from the
// top-left corner; button "left", "middle" or "right".
bool Mouse(const char* action, int x, int y, const char* button = "left");
// false: the page goes to the background; true: it comes back.
bool Focus(bool on);
// Runs frames (OxSysFrameStart and OxSysFrameEnd) until done() or the
// count runs out; true when done() held.
bool FramesUntil(bool (*done)(), int frames);

}  // namespace web
}  // namespace oxtest
