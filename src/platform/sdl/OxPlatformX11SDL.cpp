// The X server behind SDL's X11 driver, through Xlib (loaded by SDL, reached
// with dlsym): live pointer queries, titles as UTF-8 properties, and
// surviving the loss of the server and its refusal of a request. Under SDL's
// other drivers (the browser's) there is no X server: each function does
// nothing and answers false.
#include "OxPlatformSDL.h"
#include "text/OxUtf8.h"

#include <SDL2/SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <dlfcn.h>
#include <poll.h>
#include <sys/socket.h>

#include <atomic>
#include <string>

// ---- Module state ----------------------------------------------------------

namespace {

// Xlib entry points, taken from the library SDL loaded.
typedef int (*XQueryPointerFn)(Display*, Window, Window*, Window*, int*, int*, int*, int*,
                               unsigned int*);
typedef int (*XTranslateCoordinatesFn)(Display*, Window, Window, int, int, int*, int*, Window*);
typedef Atom (*XInternAtomFn)(Display*, const char*, Bool);
typedef int (*XChangePropertyFn)(Display*, Window, Atom, Atom, int, int, const unsigned char*, int);
typedef int (*XFlushFn)(Display*);
typedef int (*XConnectionNumberFn)(Display*);
typedef int (*XIOErrorHandlerFn)(Display*);
typedef int (*XErrorHandlerFn)(Display*, XErrorEvent*);
typedef XErrorHandlerFn (*XSetErrorHandlerFn)(XErrorHandlerFn);
typedef void (*XIOErrorExitHandlerFn)(Display*, void*);
typedef XIOErrorHandlerFn (*XSetIOErrorHandlerFn)(XIOErrorHandlerFn);
typedef void (*XSetIOErrorExitHandlerFn)(Display*, XIOErrorExitHandlerFn, void*);

struct X11State {
  bool xlibLoaded = false;
  XQueryPointerFn queryPointer = nullptr;
  XTranslateCoordinatesFn translateCoordinates = nullptr;
  XInternAtomFn internAtom = nullptr;
  XChangePropertyFn changeProperty = nullptr;
  XFlushFn flush = nullptr;
  XConnectionNumberFn connectionNumber = nullptr;
  XSetIOErrorHandlerFn setIOErrorHandler = nullptr;
  XSetIOErrorExitHandlerFn setIOErrorExitHandler = nullptr;
  XSetErrorHandlerFn setErrorHandler = nullptr;
  // SDL's connection to the X server, once watched for its loss; the IO
  // and protocol error handlers that were in place before ours, for other
  // connections.
  Display* watchedDisplay = nullptr;
  XIOErrorHandlerFn previousIOErrorHandler = nullptr;
  XErrorHandlerFn previousErrorHandler = nullptr;
  // Set by Xlib's handlers when the connection breaks; the windows are
  // destroyed by the next pump.
  std::atomic<bool> displayLost{false};
  // The last pointer query also told where the pointer was in the window it
  // was asked about. Converting that same screen point to that window right
  // after (as the input update does every frame) takes the answer from here
  // instead of a second round trip to the server.
  struct {
    Window window = 0;
    int screenX = 0, screenY = 0, windowX = 0, windowY = 0;
    Uint64 when = 0;  // performance counter; 0 once used
  } lastPointer;
};

// How long the last pointer query answers a conversion: the input update
// converts within microseconds; later conversions ask the server.
const double kPointerAnswerSeconds = 0.001;

X11State gX11;

void LoadXlib()
{
  if (gX11.xlibLoaded) return;
  gX11.xlibLoaded = true;
#ifndef SDL_VIDEO_DRIVER_X11
  // No X server under SDL's other drivers, and no shared libraries to load.
  return;
#endif
  void* library = dlopen("libX11.so.6", RTLD_LAZY | RTLD_NOLOAD);
  if (!library) library = dlopen("libX11.so.6", RTLD_LAZY);
  if (!library) return;
  gX11.queryPointer = reinterpret_cast<XQueryPointerFn>(dlsym(library, "XQueryPointer"));
  gX11.translateCoordinates =
      reinterpret_cast<XTranslateCoordinatesFn>(dlsym(library, "XTranslateCoordinates"));
  gX11.internAtom = reinterpret_cast<XInternAtomFn>(dlsym(library, "XInternAtom"));
  gX11.changeProperty = reinterpret_cast<XChangePropertyFn>(dlsym(library, "XChangeProperty"));
  gX11.flush = reinterpret_cast<XFlushFn>(dlsym(library, "XFlush"));
  gX11.connectionNumber =
      reinterpret_cast<XConnectionNumberFn>(dlsym(library, "XConnectionNumber"));
  gX11.setIOErrorHandler =
      reinterpret_cast<XSetIOErrorHandlerFn>(dlsym(library, "XSetIOErrorHandler"));
  // Xlib 1.7 and later: without it a broken connection ends the process.
  gX11.setIOErrorExitHandler =
      reinterpret_cast<XSetIOErrorExitHandlerFn>(dlsym(library, "XSetIOErrorExitHandler"));
  gX11.setErrorHandler = reinterpret_cast<XSetErrorHandlerFn>(dlsym(library, "XSetErrorHandler"));
}

// The X display and window behind an SDL window, with Xlib loaded; false
// once the display is lost, for no window, and on any other video driver
// (the browser's among them), where SDL's own calls serve instead.
bool LiveX11Window(SDL_Window* sdl, Display** display, Window* xwindow)
{
  LoadXlib();
  if (gX11.displayLost || !sdl) return false;
#ifdef SDL_VIDEO_DRIVER_X11
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(sdl, &info) || info.subsystem != SDL_SYSWM_X11) return false;
  *display = info.info.x11.display;
  *xwindow = info.info.x11.window;
  return true;
#else
  (void)sdl, (void)display, (void)xwindow;
  return false;
#endif
}

// ---- Losing the display, and refused requests --------------------------------
// Xlib reports a broken connection to an IO error handler and then to an
// exit handler whose default ends the process. Ours note the loss and
// return, after which Xlib turns every call on that connection into a
// no-op; the pump then destroys the windows. A request the server refuses
// goes to the protocol error handler, whose default prints the error to
// standard error and ends the process; ours drops it, and the request
// simply has no effect. Other connections of the process keep the handlers
// they had.

int NoteIOError(Display* display)
{
  if (display == gX11.watchedDisplay) {
    gX11.displayLost = true;
    return 0;
  }
  return gX11.previousIOErrorHandler ? gX11.previousIOErrorHandler(display) : 0;
}

void KeepRunningAfterIOError(Display*, void*) { gX11.displayLost = true; }

int IgnoreProtocolError(Display* display, XErrorEvent* error)
{
  if (display == gX11.watchedDisplay) return 0;
  return gX11.previousErrorHandler ? gX11.previousErrorHandler(display, error) : 0;
}

}  // namespace

// ---- Backend internals --------------------------------------------------

// Installs the handlers on SDL's connection, once, when its first window
// exists (the connection is reached through a window).
void OxSdlX11Watch(SDL_Window* sdl)
{
  if (gX11.watchedDisplay) return;
  Display* display = nullptr;
  Window xwindow = 0;
  if (!LiveX11Window(sdl, &display, &xwindow) || !gX11.setIOErrorHandler ||
      !gX11.setIOErrorExitHandler)
    return;
  gX11.watchedDisplay = display;
  gX11.setIOErrorExitHandler(gX11.watchedDisplay, KeepRunningAfterIOError, nullptr);
  gX11.previousIOErrorHandler = gX11.setIOErrorHandler(NoteIOError);
  if (gX11.setErrorHandler) gX11.previousErrorHandler = gX11.setErrorHandler(IgnoreProtocolError);
}

bool OxSdlX11DisplayLost() { return gX11.displayLost; }

bool OxSdlX11CheckConnection()
{
  if (!gX11.watchedDisplay || gX11.displayLost || !gX11.connectionNumber) return false;
  // The server's end of the connection closed: the socket reads as ended.
  // Peeking takes nothing that Xlib has still to read.
  int socket = gX11.connectionNumber(gX11.watchedDisplay);
  pollfd ready = {socket, POLLIN, 0};
  if (poll(&ready, 1, 0) <= 0) return false;
  char byte;
  bool ended = (ready.revents & (POLLHUP | POLLERR)) != 0 ||
               recv(socket, &byte, 1, MSG_PEEK | MSG_DONTWAIT) == 0;
  if (!ended) return false;
  gX11.displayLost = true;
  return true;
}

bool OxSdlX11PointerPosition(SDL_Window* sdl, POINT* point)
{
  Display* display = nullptr;
  Window xwindow = 0;
  if (!LiveX11Window(sdl, &display, &xwindow) || !gX11.queryPointer) return false;
  Window root = 0, child = 0;
  int rootX = 0, rootY = 0, windowX = 0, windowY = 0;
  unsigned int mask = 0;
  // False when the pointer is on another screen than the window's.
  if (!gX11.queryPointer(display, xwindow, &root, &child, &rootX, &rootY, &windowX, &windowY,
                         &mask))
    return false;
  point->x = rootX;
  point->y = rootY;
  gX11.lastPointer.window = xwindow;
  gX11.lastPointer.screenX = rootX;
  gX11.lastPointer.screenY = rootY;
  gX11.lastPointer.windowX = windowX;
  gX11.lastPointer.windowY = windowY;
  gX11.lastPointer.when = SDL_GetPerformanceCounter();
  return true;
}

bool OxSdlX11ScreenToWindow(SDL_Window* sdl, POINT* point)
{
  Display* display = nullptr;
  Window xwindow = 0;
  if (!LiveX11Window(sdl, &display, &xwindow) || !gX11.translateCoordinates) return false;
  auto& last = gX11.lastPointer;
  bool recent = last.when != 0 && static_cast<double>(SDL_GetPerformanceCounter() - last.when) <
                                      kPointerAnswerSeconds * SDL_GetPerformanceFrequency();
  last.when = 0;
  if (recent && last.window == xwindow && last.screenX == point->x && last.screenY == point->y) {
    point->x = last.windowX;
    point->y = last.windowY;
    return true;
  }
  Window child = 0;
  int x = 0, y = 0;
  Window root = RootWindow(display, DefaultScreen(display));
  if (!gX11.translateCoordinates(display, root, xwindow, point->x, point->y, &x, &y, &child))
    return false;
  point->x = x;
  point->y = y;
  return true;
}

void OxSdlX11SetTitle(SDL_Window* sdl, const std::string& utf8)
{
  Display* display = nullptr;
  Window xwindow = 0;
  if (!LiveX11Window(sdl, &display, &xwindow) || !gX11.internAtom || !gX11.changeProperty ||
      !gX11.flush)
    return;
  std::string latin1;
  const unsigned char* at = reinterpret_cast<const unsigned char*>(utf8.c_str());
  while (*at) {
    unsigned int code = OxUtf8Next(&at);
    latin1.push_back(static_cast<char>(code < 0x100 ? code : '?'));
  }
  Atom utf8String = gX11.internAtom(display, "UTF8_STRING", False);
  Atom netName = gX11.internAtom(display, "_NET_WM_NAME", False);
  gX11.changeProperty(display, xwindow, netName, utf8String, 8, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(utf8.data()),
                      static_cast<int>(utf8.size()));
  gX11.changeProperty(display, xwindow, XA_WM_NAME, XA_STRING, 8, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(latin1.data()),
                      static_cast<int>(latin1.size()));
  gX11.flush(display);
}
