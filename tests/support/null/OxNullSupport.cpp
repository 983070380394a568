// The display-test helpers of OxX11Support.h on the null backend: windows
// found among the backend's own, input posted as the messages a window
// system would queue (keys to the window with the focus, the pointer's to
// the window under it), the close request as WM_CLOSE.
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

// What the test holds down, as a window system tracks it.
struct Held {
  unsigned char keys[256] = {};
  unsigned int buttons = 0;  // MK_ bits
};
Held gHeld;

bool IsHeld(unsigned char key) { return gHeld.keys[key] != 0; }

bool Shown(HWND window) { return (OxPlatformGetWindowStyle(window) & WS_VISIBLE) != 0; }

std::vector<HWND> Windows()
{
  std::vector<HWND> windows(static_cast<size_t>(OxNullWindows(nullptr, 0)));
  OxNullWindows(windows.data(), static_cast<int>(windows.size()));
  return windows;
}

// The newest shown window under the screen point, and the point in its
// client area; null when none is there.
HWND WindowAt(POINT* point)
{
  std::vector<HWND> windows = Windows();
  for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
    RECT rect;
    if (Shown(*it) && OxNullWindowRect(*it, &rect) && point->x >= rect.left &&
        point->x < rect.right && point->y >= rect.top && point->y < rect.bottom) {
      point->x -= rect.left;
      point->y -= rect.top;
      return *it;
    }
  }
  return nullptr;
}

void Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam, unsigned char key = 0,
          const std::string& text = "")
{
  if (!window) return;
  OxPlatformMessage posted = {window, message, wParam, lParam, {}, key};
  strncpy(posted.text, text.c_str(), sizeof(posted.text) - 1);
  OxNullPost(posted);
}

unsigned int Modifiers()
{
  return (IsHeld(VK_LSHIFT) || IsHeld(VK_RSHIFT) ? MK_SHIFT : 0) |
         (IsHeld(VK_LCONTROL) || IsHeld(VK_RCONTROL) ? MK_CONTROL : 0);
}

// The PC scan code (set 1) of the keys the tests press, as a US keyboard
// has them; 0 for any other.
unsigned int ScanCode(unsigned char key)
{
  static const char kLetters[] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17,
                                  0x24, 0x25, 0x26, 0x32, 0x31, 0x18, 0x19, 0x10, 0x13,
                                  0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};
  if (key >= 'A' && key <= 'Z') return static_cast<unsigned int>(kLetters[key - 'A']);
  if (key >= '1' && key <= '9') return key - '1' + 0x02u;
  struct Pair {
    unsigned char key, code;
  } const others[] = {
      {'0', 0x0B},         {VK_ESCAPE, 0x01}, {VK_BACK, 0x0E},     {VK_TAB, 0x0F},
      {VK_RETURN, 0x1C},   {VK_SPACE, 0x39},  {VK_LCONTROL, 0x1D}, {VK_RCONTROL, 0x1D},
      {VK_LSHIFT, 0x2A},   {VK_RSHIFT, 0x36}, {VK_LMENU, 0x38},    {VK_RMENU, 0x38},
      {VK_UP, 0x48},       {VK_LEFT, 0x4B},   {VK_RIGHT, 0x4D},    {VK_DOWN, 0x50},
      {VK_F1, 0x3B},       {VK_F11, 0x57},    {VK_F12, 0x58},      {VK_OEM_MINUS, 0x0C},
      {VK_OEM_PLUS, 0x0D}, {VK_OEM_4, 0x1A},  {VK_OEM_6, 0x1B}};
  for (const Pair& pair : others)
    if (pair.key == key) return pair.code;
  return 0;
}

// The text a key types on a US layout with the modifiers held: letters,
// digits and the space bar; none while Ctrl or Alt is held.
std::string TextOf(unsigned char key)
{
  if (IsHeld(VK_LCONTROL) || IsHeld(VK_RCONTROL) || IsHeld(VK_LMENU) || IsHeld(VK_RMENU)) return "";
  bool shift = IsHeld(VK_LSHIFT) || IsHeld(VK_RSHIFT);
  if (key >= 'A' && key <= 'Z') return std::string(1, static_cast<char>(shift ? key : key + 32));
  if ((key >= '0' && key <= '9') || key == ' ') return std::string(1, static_cast<char>(key));
  return "";
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

// Alt, and any key while Alt is held, make system key messages. lParam as
// Win32 builds it: repeat count 1, scan code in bits 16-23, extended bit 24,
// context bit 29, previous state bit 30, transition bit 31.
void SendKey(Display*, KeySym keySym, bool down)
{
  auto key = static_cast<unsigned char>(keySym & 0xFF);
  bool wasDown = IsHeld(key);
  gHeld.keys[key] = down;
  bool alt = IsHeld(VK_LMENU) || IsHeld(VK_RMENU) || key == VK_LMENU || key == VK_RMENU;
  uint32_t bits = 1 | (ScanCode(key) << 16);
  if (keySym & OX_TEST_EXTENDED_KEY) bits |= 1u << 24;
  if (IsHeld(VK_LMENU) || IsHeld(VK_RMENU)) bits |= 1u << 29;
  if (!down || wasDown) bits |= 1u << 30;
  if (!down) bits |= 1u << 31;
  UINT message = down ? (alt ? WM_SYSKEYDOWN : WM_KEYDOWN) : (alt ? WM_SYSKEYUP : WM_KEYUP);
  Post(OxNullFocusedWindow(), message, OxPlatformGenericKey(key),
       static_cast<LPARAM>(static_cast<int32_t>(bits)), key, down ? TextOf(key) : "");
}

// X11 button numbers: 1 left, 2 middle, 3 right, 4 and 5 the wheel, 6 and 7
// the wheel left and right, 8 and 9 the side buttons.
void SendButton(Display*, unsigned int button, bool down)
{
  POINT screen = {0, 0};
  OxPlatformGetCursorPos(&screen);
  POINT client = screen;
  HWND window = WindowAt(&client);
  if (button >= 4 && button <= 7) {
    if (!down) return;
    int delta = (button == 4 || button == 7) ? WHEEL_DELTA : -WHEEL_DELTA;
    Post(window, button <= 5 ? WM_MOUSEWHEEL : WM_MOUSEHWHEEL,
         MAKEWPARAM(gHeld.buttons | Modifiers(), delta), OxPlatformPackPoint(screen.x, screen.y));
    return;
  }
  struct Kind {
    UINT downMessage, upMessage;
    unsigned char key;
    unsigned int flag;
    WPARAM extra;
  };
  const Kind kinds[] = {{WM_LBUTTONDOWN, WM_LBUTTONUP, VK_LBUTTON, MK_LBUTTON, 0},
                        {WM_MBUTTONDOWN, WM_MBUTTONUP, VK_MBUTTON, MK_MBUTTON, 0},
                        {WM_RBUTTONDOWN, WM_RBUTTONUP, VK_RBUTTON, MK_RBUTTON, 0},
                        {WM_XBUTTONDOWN, WM_XBUTTONUP, VK_XBUTTON1, MK_XBUTTON1, XBUTTON1},
                        {WM_XBUTTONDOWN, WM_XBUTTONUP, VK_XBUTTON2, MK_XBUTTON2, XBUTTON2}};
  int index = button <= 3   ? static_cast<int>(button) - 1
              : button <= 9 ? static_cast<int>(button) - 5
                            : -1;
  if (index < 0 || index > 4) return;
  const Kind& kind = kinds[index];
  if (down)
    gHeld.buttons |= kind.flag;
  else
    gHeld.buttons &= ~kind.flag;
  Post(window, down ? kind.downMessage : kind.upMessage,
       MAKEWPARAM(gHeld.buttons | Modifiers(), kind.extra), OxPlatformPackPoint(client.x, client.y),
       kind.key);
}

void TypeCharacter(Display*, unsigned int codePoint)
{
  unsigned char bytes[4];
  unsigned int length = OxUtf8Encode(codePoint, bytes);
  Post(OxNullFocusedWindow(), WM_NULL, 0, 0, 0,
       std::string(reinterpret_cast<const char*>(bytes), length));
}

void MovePointer(Display*, int x, int y)
{
  OxNullSetCursor(x, y);
  POINT client = {x, y};
  HWND window = WindowAt(&client);
  Post(window, WM_MOUSEMOVE, gHeld.buttons | Modifiers(), OxPlatformPackPoint(client.x, client.y));
}

bool CursorShown(Display*) { return OxNullCursorShown(); }

void RequestClose(Display*, Window window) { Post(ToHandle(window), WM_CLOSE, 0, 0); }

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
