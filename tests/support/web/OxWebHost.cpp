// Input through the runner's test host: each call starts the host's promise
// and sleeps (Asyncify hands the page back to the browser) until it settles.
#include "web/OxWebHost.h"

#include <emscripten.h>

#include "Oxlen.h"

namespace oxtest {
namespace web {

namespace {

// clang-format off
// Starts host.<name>(...arguments) and records how it settled in
// Module.oxHostState: 0 pending, 1 done, -1 refused or no host.
EM_JS(void, StartHostCall, (const char* name, const char* a, int x, int y, const char* b), {
  Module.oxHostState = 0;
  var host = globalThis.oxHost;
  var call = UTF8ToString(name);
  var first = UTF8ToString(a);
  var promise;
  try {
    if (!host) throw new Error('no test host');
    if (call === 'key') promise = host.key(first, UTF8ToString(b));
    else if (call === 'mouse') promise = host.mouse(first, x, y, UTF8ToString(b));
    else promise = host.focus(x !== 0);
  } catch (e) {
    Module.oxHostState = -1;
    return;
  }
  Promise.resolve(promise).then(function() { Module.oxHostState = 1; },
                                function() { Module.oxHostState = -1; });
});
EM_JS(int, HostState, (), { return Module.oxHostState; });
// clang-format on

bool Wait()
{
  for (int waited = 0; waited < 10000; waited += 5) {
    int state = HostState();
    if (state != 0) return state > 0;
    emscripten_sleep(5);
  }
  return false;
}

}  // namespace

bool Key(const char* action, const char* key)
{
  StartHostCall("key", action, 0, 0, key);
  return Wait();
}

bool Mouse(const char* action, int x, int y, const char* button)
{
  StartHostCall("mouse", action, x, y, button);
  return Wait();
}

bool Focus(bool on)
{
  StartHostCall("focus", "", on ? 1 : 0, 0, "");
  return Wait();
}

bool FramesUntil(bool (*done)(), int frames)
{
  for (int i = 0; i < frames; ++i) {
    OxSysFrameStart();
    OxSysFrameEnd();
    if (done()) return true;
  }
  return false;
}

}  // namespace web
}  // namespace oxtest
