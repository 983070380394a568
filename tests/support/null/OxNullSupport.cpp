// The display-test helpers of OxX11Support.h on the null backend: windows
// found among the backend's own, input handed to the backend as its devices
// would, the close request as WM_CLOSE.
#include "OxX11Support.h"

#include <X11/keysym.h>
#include <stdio.h>
#include <string.h>

#include <vector>

#include "platform/OxPlatformWindowTable.h"
#include "platform/null/OxPlatformNull.h"
#include "text/OxUtf8.h"

struct OxTestDesktop {
  int unused;
};

namespace oxtest {
namespace {

HWND ToHandle(Window window) { return reinterpret_cast<HWND>(window); }
Window FromHandle(HWND window) { return reinterpret_cast<Window>(window); }

bool Shown(HWND window) { return (OxPlatformGetWindowStyle(window) & WS_VISIBLE) != 0; }

std::vector<HWND> Windows()
{
  std::vector<HWND> windows(static_cast<size_t>(OxNullWindows(nullptr, 0)));
  OxNullWindows(windows.data(), static_cast<int>(windows.size()));
  return windows;
}

}  // namespace

void UsePrivateDisplay(const std::string&) {}

Display* OpenTestDisplay()
{
  static OxTestDesktop desktop;
  return &desktop;
}

std::string WindowTitle(Display*, Window window) { return OxNullWindowTitle(ToHandle(window)); }

// Windows come and go only as the test's own calls make them, so there is
// nothing to wait for.
Window FindWindowByTitle(Display*, const std::string& title, int)
{
  std::vector<HWND> windows = Windows();
  for (auto it = windows.rbegin(); it != windows.rend(); ++it)
    if (Shown(*it) && title == OxNullWindowTitle(*it)) return FromHandle(*it);
  return 0;
}

int CountWindowsByTitle(Display*, const std::string& title)
{
  int count = 0;
  for (HWND window : Windows())
    if (Shown(window) && title == OxNullWindowTitle(window)) ++count;
  return count;
}

bool WindowExists(Display*, Window window) { return OxPlatformIsWindow(ToHandle(window)); }

// Nothing frames a window here: the frame's corner is the client area's.
Geometry WindowGeometry(Display*, Window window)
{
  RECT rect;
  if (!OxNullWindowRect(ToHandle(window), &rect)) return Geometry{0, 0, 0, 0, 0, 0};
  return Geometry{rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                  rect.left, rect.top};
}

void SendKey(Display*, KeySym key, bool down)
{
  OxNullKey(static_cast<unsigned char>(key & 0xFF), (key & OX_TEST_EXTENDED_KEY) != 0, down);
}

// X11 button numbers: 1 left, 2 middle, 3 right, 4 and 5 the wheel up and
// down, 6 and 7 left and right, 8 and 9 the side buttons.
void SendButton(Display*, unsigned int button, bool down)
{
  const unsigned char keys[] = {VK_LBUTTON, VK_MBUTTON, VK_RBUTTON,  0,          0,
                                0,          0,          VK_XBUTTON1, VK_XBUTTON2};
  if (button >= 4 && button <= 7 && down)
    OxNullWheel(button == 4 || button == 7 ? WHEEL_DELTA : -WHEEL_DELTA, button >= 6);
  else if (button >= 1 && button <= 9 && keys[button - 1])
    OxNullButton(keys[button - 1], down);
}

void TypeCharacter(Display*, unsigned int codePoint)
{
  char text[5] = {};
  OxUtf8Encode(codePoint, reinterpret_cast<unsigned char*>(text));
  OxNullType(text);
}

void MovePointer(Display*, int x, int y) { OxNullMovePointer(x, y); }

bool CursorShown(Display*) { return OxNullCursorShown(); }

void RequestClose(Display*, Window window)
{
  OxNullPost(OxPlatformMakeMessage(ToHandle(window), WM_CLOSE, 0, 0));
}

Window CreateOtherWindow(Display*)
{
  static const char* className = "Oxlen Test Other Window";
  static bool registered = OxPlatformRegisterClass(className, DefWindowProcA, nullptr);
  if (!registered) return 0;
  HWND window = OxPlatformCreateWindow(className, "Other", WS_POPUP, 0, 0, 100, 100, nullptr);
  if (window) OxPlatformShowWindow(window, SW_SHOWNORMAL);
  return FromHandle(window);
}

void SetFocus(Display*, Window window) { OxNullSetFocus(ToHandle(window)); }

// Every process has a display of its own here, so a second server is the
// same display at the size asked for ("1920x1200x24"), until it ends.
XvfbServer::XvfbServer(const std::string& screen)
{
  int width = 0, height = 0;
  if (sscanf(screen.c_str(), "%dx%d", &width, &height) != 2) return;
  OxNullSetDisplaySize(width, height);
  display_ = "null";
}

XvfbServer::~XvfbServer()
{
  if (!display_.empty()) OxNullSetDisplaySize(1920, 1080);
}

}  // namespace oxtest

int XCloseDisplay(Display*) { return 0; }

int XSync(Display*, int) { return 0; }

XErrorHandler XSetErrorHandler(XErrorHandler) { return nullptr; }

int XMoveWindow(Display*, Window window, int x, int y)
{
  RECT rect;
  if (OxNullWindowRect(reinterpret_cast<HWND>(window), &rect))
    OxPlatformMoveWindow(reinterpret_cast<HWND>(window), x, y, rect.right - rect.left,
                         rect.bottom - rect.top, false);
  return 0;
}
