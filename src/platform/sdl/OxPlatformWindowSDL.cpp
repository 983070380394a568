// Window-system layer on SDL2 with its X11 driver (or, in the browser, its
// Emscripten driver on the page's canvas): window classes, windows, a message
// queue filled from SDL events and key state by virtual-key code. What only
// the X server can do (live pointer queries, UTF-8 titles, surviving its
// loss) is in OxPlatformX11SDL.cpp.
#include "platform/OxPlatformWindowTable.h"
#include "platform/OxPlatformGL.h"
#include "OxPlatformSDL.h"
#include "text/OxTitleText.h"

#include <limits.h>
#include <string.h>

#include <deque>
#include <map>
#include <string>

// ---- Module state ----------------------------------------------------------

namespace {

// The SDL backend's own part of a window.
struct SdlWindow {
  SDL_Window* sdl = nullptr;
  Uint32 sdlId = 0;
  bool active = false;  // last activation state reported
};

using WindowRecord = OxPlatformWindowRecord<SdlWindow>;

struct State {
  bool videoTried = false;
  bool videoReady = false;
  OxPlatformWindowTable<SdlWindow> table;
  unsigned int buttonMask = 0;  // MK_ button bits as converted
  int cursorCounter = 0;
  // Set once the windows of a lost display have been destroyed.
  bool lossHandled = false;
};

State gState;

void QuietLog(void*, int, SDL_LogPriority, const char*) {}

HWND HandleOf(uintptr_t value) { return reinterpret_cast<HWND>(value); }

WindowRecord* Find(HWND window) { return gState.table.Find(window); }

HWND FindBySdlId(Uint32 id)
{
  for (auto& entry : gState.table.windows)
    if (entry.second.sdlId == id) return HandleOf(entry.first);
  return nullptr;
}

// The SDL window of the oldest live window, if any.
SDL_Window* FirstWindow()
{
  return gState.table.windows.empty() ? nullptr : gState.table.windows.begin()->second.sdl;
}

LPARAM PackPoint(int x, int y) { return OxPlatformPackPoint(x, y); }

OxPlatformMessage Message(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
  return OxPlatformMakeMessage(window, message, wParam, lParam);
}

unsigned int ModifierFlags()
{
  SDL_Keymod mod = SDL_GetModState();
  unsigned int flags = 0;
  if (mod & KMOD_SHIFT) flags |= MK_SHIFT;
  if (mod & KMOD_CTRL) flags |= MK_CONTROL;
  return flags;
}

// ---- Events to messages --------------------------------------------------

void QueueKey(const SDL_KeyboardEvent& key, const SDL_Event* next)
{
  HWND window = FindBySdlId(key.windowID);
  unsigned char sideKey = OxSdlVirtualKey(key.keysym);
  if (!window || !sideKey) return;
  bool down = key.type == SDL_KEYDOWN;
  bool isAlt = key.keysym.scancode == SDL_SCANCODE_LALT || key.keysym.scancode == SDL_SCANCODE_RALT;
  bool system = isAlt || (key.keysym.mod & KMOD_ALT);
  UINT message = down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
  // lParam: repeat count 1, scan code in bits 16-23, extended bit 24, context
  // bit 29 (Alt), previous state bit 30, transition bit 31.
  uint32_t bits = 1 | (OxSdlScanCode(key.keysym.scancode) << 16);
  if (OxSdlIsExtendedKey(key.keysym.scancode)) bits |= 1u << 24;
  if (key.keysym.mod & KMOD_ALT) bits |= 1u << 29;
  if (!down || key.repeat) bits |= 1u << 30;
  if (!down) bits |= 1u << 31;
  OxPlatformMessage result = Message(window, message, OxPlatformGenericKey(sideKey),
                                     static_cast<LPARAM>(static_cast<int32_t>(bits)));
  result.sideKey = sideKey;
  if (down && next && next->type == SDL_TEXTINPUT && next->text.windowID == key.windowID) {
    size_t length = strnlen(next->text.text, sizeof(result.text) - 1);
    memcpy(result.text, next->text.text, length);
    result.text[length] = '\0';
  }
  gState.table.queue.push_back(result);
}

void QueueButton(const SDL_MouseButtonEvent& button)
{
  HWND window = FindBySdlId(button.windowID);
  if (!window) return;
  bool down = button.type == SDL_MOUSEBUTTONDOWN;
  UINT message = 0;
  unsigned char key = 0;
  unsigned int flag = 0;
  WPARAM extra = 0;
  switch (button.button) {
    case SDL_BUTTON_LEFT: message = down ? WM_LBUTTONDOWN : WM_LBUTTONUP; key = VK_LBUTTON; flag = MK_LBUTTON; break;
    case SDL_BUTTON_RIGHT: message = down ? WM_RBUTTONDOWN : WM_RBUTTONUP; key = VK_RBUTTON; flag = MK_RBUTTON; break;
    case SDL_BUTTON_MIDDLE: message = down ? WM_MBUTTONDOWN : WM_MBUTTONUP; key = VK_MBUTTON; flag = MK_MBUTTON; break;
    case SDL_BUTTON_X1: message = down ? WM_XBUTTONDOWN : WM_XBUTTONUP; key = VK_XBUTTON1; flag = MK_XBUTTON1; extra = XBUTTON1; break;
    case SDL_BUTTON_X2: message = down ? WM_XBUTTONDOWN : WM_XBUTTONUP; key = VK_XBUTTON2; flag = MK_XBUTTON2; extra = XBUTTON2; break;
    default: return;
  }
  if (down) gState.buttonMask |= flag; else gState.buttonMask &= ~flag;
  WPARAM wParam = MAKEWPARAM(gState.buttonMask | ModifierFlags(), extra);
  OxPlatformMessage result = Message(window, message, wParam, PackPoint(button.x, button.y));
  result.sideKey = key;
  gState.table.queue.push_back(result);
}

void QueueWindowEvent(const SDL_WindowEvent& event)
{
  HWND window = FindBySdlId(event.windowID);
  WindowRecord* record = Find(window);
  if (!record) return;
  switch (event.event) {
    case SDL_WINDOWEVENT_CLOSE:
      gState.table.queue.push_back(Message(window, WM_CLOSE, 0, 0));
      break;
    case SDL_WINDOWEVENT_EXPOSED:
      record->invalid = true;
      break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
      if (!record->active) {
        record->active = true;
        gState.table.queue.push_back(Message(window, WM_ACTIVATE, WA_ACTIVE, 0));
      }
      break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
      if (record->active) {
        record->active = false;
        gState.table.queue.push_back(Message(window, WM_ACTIVATE, WA_INACTIVE, 0));
      }
      break;
    case SDL_WINDOWEVENT_MOVED:
      if (event.data1 != record->reportedX || event.data2 != record->reportedY) {
        record->reportedX = event.data1;
        record->reportedY = event.data2;
        gState.table.queue.push_back(Message(window, WM_MOVE, 0, PackPoint(event.data1, event.data2)));
      }
      break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      if (event.data1 != record->reportedWidth || event.data2 != record->reportedHeight) {
        record->reportedWidth = event.data1;
        record->reportedHeight = event.data2;
        gState.table.queue.push_back(
            Message(window, WM_SIZE, SIZE_RESTORED, PackPoint(event.data1, event.data2)));
      }
      break;
    default:
      break;
  }
}

void DestroyWindowsOfLostDisplay();

// Takes every pending SDL event and turns it into messages; windows marked
// for painting get one WM_PAINT after the rest. Once the display is lost it
// destroys the windows instead.
void FillQueue()
{
  if (!gState.videoReady) return;
  if (OxSdlX11DisplayLost()) {
    DestroyWindowsOfLostDisplay();
    return;
  }
  SDL_PumpEvents();
  SDL_Event event;
  bool haveEvent = SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0;
  while (haveEvent) {
    SDL_Event next;
    bool haveNext = SDL_PeepEvents(&next, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0;
    switch (event.type) {
      case SDL_KEYDOWN:
      case SDL_KEYUP:
        QueueKey(event.key, haveNext ? &next : nullptr);
        break;
      case SDL_MOUSEMOTION: {
        HWND window = FindBySdlId(event.motion.windowID);
        if (window)
          gState.table.queue.push_back(Message(window, WM_MOUSEMOVE, gState.buttonMask | ModifierFlags(),
                                         PackPoint(event.motion.x, event.motion.y)));
        break;
      }
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP:
        QueueButton(event.button);
        break;
      case SDL_MOUSEWHEEL: {
        HWND window = FindBySdlId(event.wheel.windowID);
        int flip = event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -1 : 1;
        POINT screen = {0, 0};
        OxPlatformGetCursorPos(&screen);
        if (window && event.wheel.y)
          gState.table.queue.push_back(Message(
              window, WM_MOUSEWHEEL,
              MAKEWPARAM(gState.buttonMask | ModifierFlags(), flip * event.wheel.y * WHEEL_DELTA),
              PackPoint(screen.x, screen.y)));
        if (window && event.wheel.x)
          gState.table.queue.push_back(Message(
              window, WM_MOUSEHWHEEL,
              MAKEWPARAM(gState.buttonMask | ModifierFlags(), flip * event.wheel.x * WHEEL_DELTA),
              PackPoint(screen.x, screen.y)));
        if (window)
          OxPlatformNoteWheel(flip * event.wheel.y * WHEEL_DELTA, flip * event.wheel.x * WHEEL_DELTA);
        break;
      }
      case SDL_TEXTINPUT:
        // Text that no key went down for (an input method's, a compose
        // sequence's); text after a key down is noted with it below.
        if (FindBySdlId(event.text.windowID)) OxPlatformNoteTypedText(event.text.text);
        break;
      case SDL_WINDOWEVENT:
        QueueWindowEvent(event.window);
        break;
      default:
        break;  // SDL_QUIT means nothing here
    }
    // Text input right after a key down travels with its key.
    if (haveNext && (event.type == SDL_KEYDOWN) && next.type == SDL_TEXTINPUT) {
      if (FindBySdlId(next.text.windowID)) OxPlatformNoteTypedText(next.text.text);
      haveNext = SDL_PeepEvents(&next, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0;
    }
    event = next;
    haveEvent = haveNext;
  }
  gState.table.QueuePaints();
}

// Leaves no OpenGL context current, so that drawing after the loss does
// nothing: the driver would otherwise ask the lost server for the window's
// size, get no answer and size its buffers from whatever it then holds.
void ReleaseContextOfLostDisplay()
{
  if (SDL_GL_GetCurrentContext()) SDL_GL_MakeCurrent(SDL_GL_GetCurrentWindow(), nullptr);
}

// Destroys every window once after the loss, each procedure getting
// WM_DESTROY as for a closed window.
void DestroyWindowsOfLostDisplay()
{
  if (gState.lossHandled) return;
  gState.lossHandled = true;
  ReleaseContextOfLostDisplay();
  std::deque<HWND> windows;
  for (auto& entry : gState.table.windows) windows.push_back(HandleOf(entry.first));
  for (HWND window : windows) OxPlatformDestroyWindow(window);
}

// ---- Titles ---------------------------------------------------------------------

// The title with every character beyond ASCII as '?': what SDL is given,
// since it converts titles through the C library's locale, which in a
// program that never set one holds ASCII only, and then sets no title.
std::string AsciiStandIn(const std::string& utf8)
{
  std::string ascii;
  for (unsigned char c : utf8)
    if (c < 0x80) ascii.push_back(static_cast<char>(c));
    else if ((c & 0xC0) != 0x80) ascii.push_back('?');
  return ascii;
}

// Gives the window its title, cut to what a title bar can use, through SDL
// (ASCII only) and the X properties.
void ApplyTitle(SDL_Window* sdl, const char* text)
{
  if (OxSdlX11DisplayLost()) return;
  std::string utf8 = OxTitleCut(OxTitleAsUtf8(text), true);
  SDL_SetWindowTitle(sdl, AsciiStandIn(utf8).c_str());
  OxSdlX11SetTitle(sdl, utf8);
}

}  // namespace

// ---- Backend internals --------------------------------------------------

bool OxSdlEnsureVideo()
{
  if (gState.videoTried) return gState.videoReady;
  gState.videoTried = true;
  SDL_LogSetOutputFunction(QuietLog, nullptr);
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
#ifdef SDL_VIDEO_DRIVER_X11
  SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "x11", SDL_HINT_OVERRIDE);
#endif
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
  SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
  SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
  gState.videoReady = SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) == 0;
  // Typed characters come as text input events, which flow only while text
  // input is on (SDL turns it on by itself on some platforms, not all).
  if (gState.videoReady) SDL_StartTextInput();
  return gState.videoReady;
}

SDL_Window* OxSdlWindowFromHandle(HWND window)
{
  WindowRecord* record = Find(window);
  return record ? record->sdl : nullptr;
}

// ---- Window classes and windows -------------------------------------------

void OxPlatformSetDpiAware() {}

bool OxPlatformRegisterClass(const char* className, WNDPROC procedure, HINSTANCE)
{
  return gState.table.RegisterClass(className, procedure);
}

bool OxPlatformUnregisterClass(const char* className, HINSTANCE)
{
  return gState.table.UnregisterClass(className);
}

HWND OxPlatformCreateWindow(const char* className, const char* title, DWORD style, int x, int y,
                            int width, int height, HINSTANCE)
{
  if (!gState.table.HasClass(className) || !OxSdlEnsureVideo() || OxSdlX11DisplayLost())
    return nullptr;
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
  // The pixel format is the window's: its depth and stencil buffers are
  // chosen here, for the context made on it later.
  bool depthStencil = OxPlatformWantsDepthStencil();
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, depthStencil ? 24 : 0);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, depthStencil ? 8 : 0);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
  if (!(style & WS_CAPTION)) flags |= SDL_WINDOW_BORDERLESS;
  SDL_Window* sdl = SDL_CreateWindow("", x, y, width > 0 ? width : 1, height > 0 ? height : 1,
                                     flags);
  if (!sdl) return nullptr;
  OxSdlX11Watch(sdl);
  ApplyTitle(sdl, title);
  HWND window = gState.table.Add(className, style);
  WindowRecord& record = *Find(window);
  record.sdl = sdl;
  record.sdlId = SDL_GetWindowID(sdl);
  if (OxPlatformSendMessage(window, WM_CREATE, 0, 0) == -1) {
    OxPlatformDestroyWindow(window);
    return nullptr;
  }
  int clientWidth = 0, clientHeight = 0;
  if (SDL_Window* live = OxSdlWindowFromHandle(window)) SDL_GetWindowSize(live, &clientWidth, &clientHeight);
  gState.table.ReportPlacement(window, x, y, clientWidth, clientHeight);
  return OxPlatformIsWindow(window) ? window : nullptr;
}

bool OxPlatformDestroyWindow(HWND window)
{
  WindowRecord* record = Find(window);
  if (!record || record->destroying) return false;
  record->destroying = true;
  OxPlatformSendMessage(window, WM_DESTROY, 0, 0);
  record = Find(window);
  if (!record) return true;
  // NOTE: on a lost display SDL would wait forever for the window to unmap,
  // so the SDL window is left allocated; the display cannot show it anyway.
  if (!OxSdlX11DisplayLost()) SDL_DestroyWindow(record->sdl);
  gState.table.Remove(window);
  return true;
}

bool OxPlatformIsWindow(HWND window) { return Find(window) != nullptr; }

DWORD OxPlatformGetWindowStyle(HWND window)
{
  WindowRecord* record = Find(window);
  if (!record) return 0;
  DWORD style = record->style;
  if (SDL_GetWindowFlags(record->sdl) & SDL_WINDOW_SHOWN) style |= WS_VISIBLE;
  return style;
}

void OxPlatformSetWindowStyle(HWND window, DWORD style)
{
  WindowRecord* record = Find(window);
  if (!record) return;
  bool hadCaption = (record->style & WS_CAPTION) != 0;
  record->style = style & ~static_cast<DWORD>(WS_VISIBLE);
  bool hasCaption = (style & WS_CAPTION) != 0;
  if (hadCaption != hasCaption && !OxSdlX11DisplayLost())
    SDL_SetWindowBordered(record->sdl, hasCaption ? SDL_TRUE : SDL_FALSE);
}

void OxPlatformAdjustWindowRect(RECT*, DWORD, bool, DWORD) {}

bool OxPlatformMoveWindow(HWND window, int x, int y, int width, int height, bool repaint)
{
  WindowRecord* record = Find(window);
  if (!record || OxSdlX11DisplayLost()) return false;
  SDL_SetWindowSize(record->sdl, width > 0 ? width : 1, height > 0 ? height : 1);
  SDL_SetWindowPosition(record->sdl, x, y);
  int clientWidth = 0, clientHeight = 0;
  SDL_GetWindowSize(record->sdl, &clientWidth, &clientHeight);
  if (repaint) record->invalid = true;
  gState.table.ReportPlacement(window, x, y, clientWidth, clientHeight);
  return true;
}

// Nothing changes on a lost display: SDL would wait forever there for the
// window to map or unmap.
bool OxPlatformShowWindow(HWND window, int command)
{
  WindowRecord* record = Find(window);
  if (!record || OxSdlX11DisplayLost()) return false;
  SDL_Window* sdl = record->sdl;
  bool wasVisible = (SDL_GetWindowFlags(sdl) & SDL_WINDOW_SHOWN) != 0;
  if (command == SW_HIDE) {
    if (wasVisible) OxPlatformSendMessage(window, WM_SHOWWINDOW, FALSE, 0);
    if ((record = Find(window))) SDL_HideWindow(record->sdl);
    return wasVisible;
  }
  if (!wasVisible) {
    OxPlatformSendMessage(window, WM_SHOWWINDOW, TRUE, 0);
    if (!(record = Find(window))) return wasVisible;
    SDL_ShowWindow(sdl);
    record->invalid = true;
  }
  switch (command) {
    case SW_SHOWMINIMIZED: case SW_MINIMIZE: case SW_SHOWMINNOACTIVE:
      SDL_MinimizeWindow(sdl);
      break;
    case SW_SHOWMAXIMIZED:
      SDL_MaximizeWindow(sdl);
      break;
    case SW_SHOWNORMAL: case SW_RESTORE:
      if (SDL_GetWindowFlags(sdl) & (SDL_WINDOW_MINIMIZED | SDL_WINDOW_MAXIMIZED))
        SDL_RestoreWindow(sdl);
      break;
    default:
      break;
  }
  return wasVisible;
}

void OxPlatformUpdateWindow(HWND window) { gState.table.Update(window); }

void OxPlatformInvalidateRect(HWND window, bool) { gState.table.Invalidate(window); }

void OxPlatformBeginPaint(HWND window) { gState.table.Validate(window); }

void OxPlatformEndPaint(HWND) {}

bool OxPlatformSetWindowText(HWND window, const char* text)
{
  WindowRecord* record = Find(window);
  if (!record) return false;
  ApplyTitle(record->sdl, text);
  return true;
}

// ---- Messages -------------------------------------------------------------

LRESULT OxPlatformSendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
  return gState.table.Send(window, message, wParam, lParam);
}

bool OxPlatformPeekMessage(OxPlatformMessage* message)
{
  return gState.table.Take(message, FillQueue);
}

bool OxPlatformTranslateMessage(const OxPlatformMessage* message)
{
  return gState.table.Translate(message);
}

// ---- Key state, cursor, display -----------------------------------------------

void OxPlatformGetKeyboardState(unsigned char state[256])
{
  memcpy(state, gState.table.keyState, sizeof(gState.table.keyState));
}

bool OxPlatformGetCursorPos(POINT* point)
{
  if (!OxSdlEnsureVideo()) return false;
  if (OxSdlX11PointerPosition(FirstWindow(), point)) return true;
  int x = 0, y = 0;
  // After the display is lost only SDL's last known position is left.
  if (OxSdlX11DisplayLost()) {
    SDL_GetMouseState(&x, &y);
  } else {
#ifdef SDL_VIDEO_DRIVER_X11
    SDL_GetGlobalMouseState(&x, &y);
#else
    // Drivers without a desktop (the browser's) know the pointer only over
    // a window: its position there, moved by the window's own position.
    SDL_Window* over = SDL_GetMouseFocus();
    if (!over) over = FirstWindow();
    SDL_GetMouseState(&x, &y);
    int windowX = 0, windowY = 0;
    if (over) SDL_GetWindowPosition(over, &windowX, &windowY);
    x += windowX;
    y += windowY;
#endif
  }
  point->x = x;
  point->y = y;
  return true;
}

bool OxPlatformScreenToClient(HWND window, POINT* point)
{
  SDL_Window* sdl = OxSdlWindowFromHandle(window);
  if (!sdl) return false;
  if (OxSdlX11ScreenToWindow(sdl, point)) return true;
  int windowX = 0, windowY = 0;
  SDL_GetWindowPosition(sdl, &windowX, &windowY);
  point->x -= windowX;
  point->y -= windowY;
  return true;
}

int OxPlatformShowCursor(bool show)
{
  gState.cursorCounter += show ? 1 : -1;
  if (OxSdlEnsureVideo()) SDL_ShowCursor(gState.cursorCounter >= 0 ? SDL_ENABLE : SDL_DISABLE);
  return gState.cursorCounter;
}

int OxPlatformGetDisplayWidth()
{
  SDL_Rect bounds;
  if (!OxSdlEnsureVideo() || OxSdlX11DisplayLost() || SDL_GetDisplayBounds(0, &bounds) != 0) return 0;
  return bounds.w;
}

int OxPlatformGetDisplayHeight()
{
  SDL_Rect bounds;
  if (!OxSdlEnsureVideo() || OxSdlX11DisplayLost() || SDL_GetDisplayBounds(0, &bounds) != 0) return 0;
  return bounds.h;
}

bool OxPlatformIsDisplayLost() { return OxSdlX11DisplayLost(); }

void OxPlatformCheckDisplay()
{
  if (OxSdlX11CheckConnection()) ReleaseContextOfLostDisplay();
}
