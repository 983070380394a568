// Audio output in the browser: a Web Audio context at the mix rate with a
// script processor node whose callback pulls the mix. The page has one
// thread, so the callback runs while the game waits between frames, and the
// device and stream decoding are driven from the game's per-frame update.
//
// Browsers start a page's audio only after a user gesture: the context is
// made at the first open and resumed by the first key press, click or touch
// on the page. Until it runs, opening fails, so the mix runs on the device's
// silent clock (time passes, nothing is heard) and the next open after the
// gesture starts the sound.
#include "platform/OxPlatformAudioOutput.h"

#include <emscripten.h>

#include <vector>

struct OxPlatformAudioOutput {
  OxPlatformAudioRender render = nullptr;
  void* user = nullptr;
  std::vector<float> buffer;
};

namespace {

// Frames a callback asks for: long enough to span a frame of the game (and
// a slow one) without a gap, at the cost of about 43 ms of latency.
constexpr int kCallbackFrames = 2048;

OxPlatformAudioOutput* gOpen = nullptr;

}  // namespace

// Called by the page's audio callback: mixes frames into the open output's
// buffer and returns it (interleaved stereo), or null with none open.
extern "C" EMSCRIPTEN_KEEPALIVE float* OxWebAudioPull(int frames)
{
  if (!gOpen || frames <= 0) return nullptr;
  gOpen->buffer.resize(2 * static_cast<size_t>(frames));
  gOpen->render(gOpen->user, gOpen->buffer.data(), frames);
  return gOpen->buffer.data();
}

// clang-format off
// Makes the context once (with the resume on a gesture) and reports whether
// it runs; a browser without Web Audio has none.
EM_JS(int, OxWebAudioContextRunning, (int rate), {
  if (!Module.oxAudio) {
    var Context = globalThis.AudioContext || globalThis.webkitAudioContext;
    if (!Context) return 0;
    var context;
    try { context = new Context({sampleRate: rate}); } catch (e) { return 0; }
    Module.oxAudio = {context: context, node: null};
    var resume = function() {
      if (context.state !== 'running') context.resume();
    };
    ['keydown', 'mousedown', 'pointerdown', 'touchstart'].forEach(function(type) {
      globalThis.addEventListener(type, resume, true);
    });
  }
  return Module.oxAudio.context.state === 'running' ? 1 : 0;
});

EM_JS(void, OxWebAudioStart, (int frames), {
  var audio = Module.oxAudio;
  var node = audio.context.createScriptProcessor(frames, 0, 2);
  node.onaudioprocess = function(event) {
    var out = event.outputBuffer;
    var count = out.length;
    var left = out.getChannelData(0), right = out.getChannelData(1);
    var at = Module._OxWebAudioPull(count);
    if (!at) { left.fill(0); right.fill(0); return; }
    var mix = HEAPF32.subarray(at >> 2, (at >> 2) + 2 * count);
    for (var i = 0; i < count; ++i) {
      left[i] = mix[2 * i];
      right[i] = mix[2 * i + 1];
    }
  };
  node.connect(audio.context.destination);
  audio.node = node;
});

EM_JS(void, OxWebAudioStop, (), {
  var audio = Module.oxAudio;
  if (!audio || !audio.node) return;
  audio.node.onaudioprocess = null;
  audio.node.disconnect();
  audio.node = null;
});
// clang-format on

OxPlatformAudioOutput* OxPlatformAudioOutputOpen(OxPlatformAudioRender render, void* user)
{
  if (gOpen || !render || !OxWebAudioContextRunning(kOxPlatformAudioRate)) return nullptr;
  gOpen = new OxPlatformAudioOutput;
  gOpen->render = render;
  gOpen->user = user;
  OxWebAudioStart(kCallbackFrames);
  return gOpen;
}

// A context the browser suspended again (a page sent to the background, say)
// counts as lost: the device goes silent and opens it again once it runs.
bool OxPlatformAudioOutputIsLost(OxPlatformAudioOutput* output)
{
  return output && !OxWebAudioContextRunning(kOxPlatformAudioRate);
}

void OxPlatformAudioOutputClose(OxPlatformAudioOutput* output)
{
  if (!output || output != gOpen) return;
  OxWebAudioStop();
  delete gOpen;
  gOpen = nullptr;
}

void OxPlatformAudioOutputSettle() {}

void OxPlatformAudioOutputLeaveThread() {}

bool OxPlatformAudioOutputThreaded() { return false; }

// The browser has one audio output; the device is tried again every time.
const char* OxPlatformAudioOutputForcedDriver() { return nullptr; }
