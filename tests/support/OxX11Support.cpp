// X11 test helpers on Xlib and XTest; a private Xvfb started with fork/exec.
#include "OxX11Support.h"

#include <SDL2/SDL_events.h>
#include <SDL2/SDL_mouse.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <iterator>
#include <map>
#include <vector>

namespace oxtest {
namespace {

int gLastError = 0;
int RecordError(Display*, XErrorEvent* event)
{
  gLastError = event->error_code;
  return 0;
}

long NowMs()
{
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec * 1000L + now.tv_nsec / 1000000L;
}

std::string PropertyText(Display* display, Window window, const char* name)
{
  Atom property = XInternAtom(display, name, False);
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::string text;
  // The whole property, however long (the length counts 32-bit units).
  if (XGetWindowProperty(display, window, property, 0, 1L << 26, False, AnyPropertyType, &type,
                         &format, &count, &after, &data) == Success && data) {
    if (format == 8) text.assign(reinterpret_cast<char*>(data), count);
    XFree(data);
  }
  return text;
}

Window FindIn(Display* display, Window parent, const std::string& title)
{
  Window root = 0, up = 0;
  Window* children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(display, parent, &root, &up, &children, &count)) return 0;
  Window found = 0;
  for (unsigned int i = 0; i < count && !found; ++i) {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, children[i], &attributes)) continue;
    if (attributes.map_state == IsViewable && WindowTitle(display, children[i]) == title)
      found = children[i];
    else
      found = FindIn(display, children[i], title);
  }
  if (children) XFree(children);
  return found;
}

int CountIn(Display* display, Window parent, const std::string& title)
{
  Window root = 0, up = 0;
  Window* children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(display, parent, &root, &up, &children, &count)) return 0;
  int found = 0;
  for (unsigned int i = 0; i < count; ++i) {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, children[i], &attributes)) continue;
    if (attributes.map_state == IsViewable && WindowTitle(display, children[i]) == title) ++found;
    found += CountIn(display, children[i], title);
  }
  if (children) XFree(children);
  return found;
}

}  // namespace

void UsePrivateDisplay(const std::string& screen)
{
  static XvfbServer* server = nullptr;  // lives as long as the test process
  if (!server) server = new XvfbServer(screen);
  if (!server->display().empty()) setenv("DISPLAY", server->display().c_str(), 1);
}

Display* OpenTestDisplay()
{
  XSetErrorHandler(RecordError);
  return XOpenDisplay(nullptr);
}

std::string WindowTitle(Display* display, Window window)
{
  std::string title = PropertyText(display, window, "_NET_WM_NAME");
  if (title.empty()) title = PropertyText(display, window, "WM_NAME");
  return title;
}

Window FindWindowByTitle(Display* display, const std::string& title, int timeoutMs)
{
  long deadline = NowMs() + timeoutMs;
  for (;;) {
    XSync(display, False);
    Window found = FindIn(display, DefaultRootWindow(display), title);
    if (found || NowMs() > deadline) return found;
    usleep(5000);
  }
}

int CountWindowsByTitle(Display* display, const std::string& title)
{
  XSync(display, False);
  return CountIn(display, DefaultRootWindow(display), title);
}

bool WindowExists(Display* display, Window window)
{
  XSync(display, False);
  gLastError = 0;
  XWindowAttributes attributes;
  Status status = XGetWindowAttributes(display, window, &attributes);
  XSync(display, False);
  return status != 0 && gLastError == 0;
}

Geometry WindowGeometry(Display* display, Window window)
{
  XSync(display, False);
  XWindowAttributes attributes;
  Geometry geometry = {0, 0, 0, 0, 0, 0};
  if (!XGetWindowAttributes(display, window, &attributes)) return geometry;
  Window child = 0;
  XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &geometry.x,
                        &geometry.y, &child);
  geometry.width = attributes.width;
  geometry.height = attributes.height;
  geometry.frameX = geometry.x;
  geometry.frameY = geometry.y;
  return geometry;
}

void SendKey(Display* display, KeySym key, bool down)
{
  XTestFakeKeyEvent(display, XKeysymToKeycode(display, key), down ? True : False, CurrentTime);
  XSync(display, False);
}

void SendButton(Display* display, unsigned int button, bool down)
{
  XTestFakeButtonEvent(display, button, down ? True : False, CurrentTime);
  XSync(display, False);
}

// Each character gets a keycode of its own among those the server's keyboard
// leaves without any symbol, so that characters typed back to back keep
// their symbols until the game has read them; the keycodes are reused in
// turn once every one is taken.
void TypeCharacter(Display* display, unsigned int codePoint)
{
  static std::vector<KeyCode> spare;
  static std::map<unsigned int, KeyCode> given;
  static size_t next = 0;
  if (spare.empty()) {
    int first = 0, last = 0, perCode = 0;
    XDisplayKeycodes(display, &first, &last);
    KeySym* map = XGetKeyboardMapping(display, static_cast<KeyCode>(first), last - first + 1, &perCode);
    for (int code = first; code <= last; ++code) {
      bool empty = true;
      for (int i = 0; i < perCode; ++i)
        if (map[(code - first) * perCode + i] != NoSymbol) empty = false;
      if (empty) spare.push_back(static_cast<KeyCode>(code));
    }
    XFree(map);
  }
  auto found = given.find(codePoint);
  if (found == given.end()) {
    KeyCode code = spare[next++ % spare.size()];
    for (auto it = given.begin(); it != given.end();)
      it = it->second == code ? given.erase(it) : std::next(it);
    // Latin-1 characters are their own keysyms; the rest are 0x1000000 + code.
    KeySym symbol = codePoint < 0x100 ? codePoint : 0x1000000 | codePoint;
    KeySym both[2] = {symbol, symbol};
    XChangeKeyboardMapping(display, code, 2, both, 1);
    found = given.emplace(codePoint, code).first;
  }
  XTestFakeKeyEvent(display, found->second, True, CurrentTime);
  XTestFakeKeyEvent(display, found->second, False, CurrentTime);
  XSync(display, False);
}

void MovePointer(Display* display, int x, int y)
{
  XTestFakeMotionEvent(display, DefaultScreen(display), x, y, CurrentTime);
  XSync(display, False);
}

// The engine hides the pointer through SDL in this process.
bool CursorShown(Display*) { return SDL_ShowCursor(SDL_QUERY) == SDL_ENABLE; }

void RequestClose(Display* display, Window window)
{
  XEvent event = {};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(display, window, False, NoEventMask, &event);
  XSync(display, False);
}

Window CreateOtherWindow(Display* display)
{
  Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 100, 100, 0, 0,
                                      0xffffff);
  XSelectInput(display, window, StructureNotifyMask);
  XMapWindow(display, window);
  XEvent event;
  do XNextEvent(display, &event);
  while (event.type != MapNotify || event.xmap.window != window);
  return window;
}

void SetFocus(Display* display, Window window)
{
  XSetInputFocus(display, window, RevertToPointerRoot, CurrentTime);
  XSync(display, False);
}

XvfbServer::XvfbServer(const std::string& screen)
{
  // Xvfb picks a free display number itself and writes it to the pipe once it
  // accepts connections, so parallel tests never race for a number.
  int channel[2];
  if (pipe(channel) != 0) return;
  pid_t pid = fork();
  if (pid == 0) {
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    close(channel[0]);
    int quiet = open("/dev/null", O_RDWR);
    dup2(quiet, 0);
    dup2(quiet, 1);
    dup2(quiet, 2);
    std::string fd = std::to_string(channel[1]);
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten",
           "tcp", "-noreset", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(channel[1]);
  if (pid < 0) {
    close(channel[0]);
    return;
  }
  pid_ = pid;
  std::string number;
  long deadline = NowMs() + 10000;
  while (NowMs() < deadline) {
    pollfd ready = {channel[0], POLLIN, 0};
    if (poll(&ready, 1, 100) <= 0) continue;
    char c = 0;
    if (read(channel[0], &c, 1) != 1) break;
    if (c == '\n') {
      display_ = ":" + number;
      break;
    }
    number += c;
  }
  close(channel[0]);
}

XvfbServer::~XvfbServer()
{
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
}

}  // namespace oxtest
