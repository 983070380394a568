// A program for checking the Web page shell and its runner (selftest.sh
// builds it with the shell and runs it through run.sh). argv[1] names what it
// does; the other arguments are printed one a line as "arg N: [TEXT]".
//   main    prints its arguments, clears a 320x240 WebGL canvas to
//           rgb(255, 128, 0), presses KeyA, clicks at (40, 30) and sends the
//           focus away and back through window.oxHost and checks that each
//           reached the program's html5.h callbacks, writes /out.txt to its
//           file system and hands a file to oxHost.saveFile, then returns 3
//   list N  prints N lines, 50 ms apart, then returns 0
//   return N  returns N from main after a sleep
//   exit N  calls exit(N) from a function called after a sleep
//   trap    executes an unreachable instruction after a sleep
//   abort   calls abort()
//   hang    sleeps forever, yielding to the browser
//   keytrap presses KeyB through oxHost, whose keydown callback traps
//   reject  leaves a rejected promise unhandled, then returns 6
#include <emscripten.h>
#include <emscripten/html5.h>
#include <GLES2/gl2.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

// Starts window.oxHost[method](...args) and keeps its outcome for
// host_call_state: 0 while pending, 1 resolved, -1 rejected.
EM_JS(void, host_call_start, (const char *method, const char *args_json), {
  Module.selftestHostState = 0;
  window.oxHost[UTF8ToString(method)].apply(null, JSON.parse(UTF8ToString(args_json)))
    .then(function () { Module.selftestHostState = 1; },
          function (error) { Module.selftestHostState = -1; });
});
EM_JS(int, host_call_state, (void), { return Module.selftestHostState; });

// The input is carried out between the page's tasks: sleep until it is done.
static int host_call(const char *method, const char *args_json) {
  host_call_start(method, args_json);
  while (host_call_state() == 0) emscripten_sleep(5);
  return host_call_state() == 1;
}

static char last_key_down[32];
static int mouse_x = -1, mouse_y = -1, mouse_button = -1;
static int blurs, focuses;

static EM_BOOL on_key_down(int type, const EmscriptenKeyboardEvent *event, void *user) {
  snprintf(last_key_down, sizeof last_key_down, "%s", event->code);
  return EM_TRUE;
}

static EM_BOOL on_mouse_down(int type, const EmscriptenMouseEvent *event, void *user) {
  mouse_x = event->targetX;
  mouse_y = event->targetY;
  mouse_button = event->button;
  return EM_TRUE;
}

static EM_BOOL on_focus(int type, const EmscriptenFocusEvent *event, void *user) {
  if (type == EMSCRIPTEN_EVENT_BLUR) blurs++;
  else focuses++;
  return EM_TRUE;
}

static EM_BOOL trap_on_key(int type, const EmscriptenKeyboardEvent *event, void *user) {
  __builtin_trap();
}

static int check(int ok, const char *what) {
  printf("%s: %s\n", ok ? "ok" : "FAILED", what);
  return ok;
}

static int run_main(void) {
  int ok = 1;
  emscripten_set_canvas_element_size("#canvas", 320, 240);
  EmscriptenWebGLContextAttributes attributes;
  emscripten_webgl_init_context_attributes(&attributes);
  attributes.alpha = EM_FALSE;
  EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = emscripten_webgl_create_context("#canvas", &attributes);
  ok &= check(context > 0, "WebGL context");
  if (context > 0) {
    emscripten_webgl_make_context_current(context);
    glClearColor(1.0f, 128 / 255.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
  }
  emscripten_sleep(100);  // The frame is shown once the program yields.

  emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, NULL, EM_FALSE, on_key_down);
  emscripten_set_mousedown_callback("#canvas", NULL, EM_FALSE, on_mouse_down);
  emscripten_set_blur_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, NULL, EM_FALSE, on_focus);
  emscripten_set_focus_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, NULL, EM_FALSE, on_focus);

  ok &= check(host_call("key", "[\"press\", \"KeyA\"]"), "oxHost.key resolved");
  ok &= check(strcmp(last_key_down, "KeyA") == 0, "keydown KeyA seen");
  ok &= check(host_call("mouse", "[\"click\", 40, 30, \"right\"]"), "oxHost.mouse resolved");
  ok &= check(mouse_x == 40 && mouse_y == 30 && mouse_button == 2, "right button down at (40, 30)");
  ok &= check(!host_call("key", "[\"press\", \"NoSuchKey\"]"), "oxHost.key rejects an unknown key");
  ok &= check(host_call("focus", "[false]") && blurs == 1, "oxHost.focus(false) blurs the window");
  ok &= check(host_call("focus", "[true]") && focuses == 1, "oxHost.focus(true) focuses it again");

  FILE *file = fopen("/out.txt", "w");
  ok &= check(file && fputs("saved from MEMFS\n", file) >= 0 && fclose(file) == 0, "wrote /out.txt");
  ok &= check(host_call("saveFile", "[\"selftest-host.txt\", \"aG9zdCBmaWxlCg==\"]"),
              "oxHost.saveFile resolved");
  ok &= check(EM_ASM_INT({ return window.oxDownload('/out.txt') ? 1 : 0; }), "oxDownload started");
  emscripten_sleep(200);  // Lets the download finish before the page closes.
  fflush(stdout);
  return ok ? 3 : 1;
}

static void exit_later(int code) {
  emscripten_sleep(10);
  exit(code);
}

int main(int argc, char **argv) {
  for (int i = 2; i < argc; i++) printf("arg %d: [%s]\n", i - 1, argv[i]);
  const char *mode = argc > 1 ? argv[1] : "main";
  if (strcmp(mode, "main") == 0) return run_main();
  if (strcmp(mode, "list") == 0) {
    int count = argc > 2 ? atoi(argv[2]) : 0;
    for (int i = 0; i < count; i++) {
      printf("Line.%d\n", i);
      emscripten_sleep(50);
    }
    return 0;
  }
  if (strcmp(mode, "return") == 0) {
    emscripten_sleep(10);
    return argc > 2 ? atoi(argv[2]) : 0;
  }
  if (strcmp(mode, "exit") == 0) exit_later(argc > 2 ? atoi(argv[2]) : 0);
  if (strcmp(mode, "trap") == 0) {
    emscripten_sleep(10);
    __builtin_trap();
  }
  if (strcmp(mode, "abort") == 0) abort();
  if (strcmp(mode, "keytrap") == 0) {
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, NULL, EM_FALSE, trap_on_key);
    host_call("key", "[\"press\", \"KeyB\"]");
    for (;;) emscripten_sleep(100);
  }
  if (strcmp(mode, "reject") == 0) {
    EM_ASM({ Promise.reject(new Error('refused by the browser')); });
    emscripten_sleep(100);
    return 6;
  }
  if (strcmp(mode, "hang") == 0) {
    for (;;) emscripten_sleep(100);
  }
  printf("unknown mode %s\n", mode);
  return 2;
}
