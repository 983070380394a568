// The display-test helpers of OxX11Support.h on Win32: the engine's window
// found with FindWindow, its client area with GetClientRect, input sent with
// SendInput, the close request as the system menu's Close command.
#include "OxX11Support.h"

#include <windows.h>

#include <X11/keysym.h>
#include <string.h>

#include <vector>

struct OxTestDesktop {
  int unused;
};

namespace oxtest {
namespace {

HWND ToHandle(Window window) { return reinterpret_cast<HWND>(window); }
Window FromHandle(HWND window) { return reinterpret_cast<Window>(window); }

ULONGLONG NowMs() { return GetTickCount64(); }

void SendOne(INPUT input) { SendInput(1, &input, sizeof(INPUT)); }

// Lets Wine's X11 driver take in what the X server says after a focus change
// or a pointer warp, without taking any message off this thread's queue.
// With the focus or the pointer entering a window, the server reports which
// keys it holds down, and the driver then lets go of every other key: keys
// sent with SendInput, which the server never saw, included. A key pressed
// before that report arrives would be let go of under the test's feet.
void Settle()
{
  ULONGLONG until = NowMs() + 200;
  while (NowMs() < until)
    MsgWaitForMultipleObjectsEx(0, nullptr, 10, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

}  // namespace

void UsePrivateDisplay(const std::string&) {}

Display* OpenTestDisplay()
{
  static OxTestDesktop desktop;
  return &desktop;
}

// The title as UTF-8, as the X11 helper reads _NET_WM_NAME. The text the
// system holds and shows is read directly: GetWindowTextW would ask the
// window's own (ANSI) procedure, which gives it in the program's code page.
std::string WindowTitle(Display*, Window window)
{
  // The length the window's procedure reports is at least the text's.
  int length = GetWindowTextLengthW(ToHandle(window));
  std::vector<wchar_t> text(static_cast<size_t>(length > 0 ? length : 0) + 512, L'\0');
  InternalGetWindowText(ToHandle(window), text.data(), static_cast<int>(text.size()));
  int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), -1, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(bytes > 0 ? bytes : 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), -1, &utf8[0], bytes, nullptr, nullptr);
  utf8.resize(strlen(utf8.c_str()));
  return utf8;
}

Window FindWindowByTitle(Display*, const std::string& title, int timeoutMs)
{
  ULONGLONG deadline = NowMs() + static_cast<ULONGLONG>(timeoutMs);
  for (;;) {
    HWND found = FindWindowA(nullptr, title.c_str());
    if (found && IsWindowVisible(found)) return FromHandle(found);
    if (NowMs() > deadline) return 0;
    Sleep(5);
  }
}

int CountWindowsByTitle(Display*, const std::string& title)
{
  struct Search {
    const std::string* title;
    int count;
  } search = {&title, 0};
  EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        auto* found = reinterpret_cast<Search*>(data);
        char text[512] = "";
        GetWindowTextA(window, text, sizeof text);
        if (IsWindowVisible(window) && *found->title == text) ++found->count;
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.count;
}

bool WindowExists(Display*, Window window) { return IsWindow(ToHandle(window)) != 0; }

Geometry WindowGeometry(Display*, Window window)
{
  Geometry geometry = {0, 0, 0, 0, 0, 0};
  RECT client, outer;
  if (!GetClientRect(ToHandle(window), &client) || !GetWindowRect(ToHandle(window), &outer))
    return geometry;
  geometry.frameX = outer.left;
  geometry.frameY = outer.top;
  POINT origin = {0, 0};
  ClientToScreen(ToHandle(window), &origin);
  geometry.x = origin.x;
  geometry.y = origin.y;
  geometry.width = client.right - client.left;
  geometry.height = client.bottom - client.top;
  return geometry;
}

void SendKey(Display*, KeySym key, bool down)
{
  INPUT input;
  ZeroMemory(&input, sizeof(input));
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = static_cast<WORD>(key & 0xFF);
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(key & 0xFF, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = (down ? 0 : KEYEVENTF_KEYUP) |
                     ((key & OX_TEST_EXTENDED_KEY) ? KEYEVENTF_EXTENDEDKEY : 0);
  SendOne(input);
}

// X11 button numbers: 1 left, 2 middle, 3 right, 4 and 5 the wheel, 8 and 9
// the side buttons.
void SendButton(Display*, unsigned int button, bool down)
{
  INPUT input;
  ZeroMemory(&input, sizeof(input));
  input.type = INPUT_MOUSE;
  switch (button) {
    case 1: input.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP; break;
    case 2: input.mi.dwFlags = down ? MOUSEEVENTF_MIDDLEDOWN : MOUSEEVENTF_MIDDLEUP; break;
    case 3: input.mi.dwFlags = down ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_RIGHTUP; break;
    case 4: case 5:
      if (!down) return;
      input.mi.dwFlags = MOUSEEVENTF_WHEEL;
      input.mi.mouseData = static_cast<DWORD>(button == 4 ? WHEEL_DELTA : -WHEEL_DELTA);
      break;
    case 6: case 7:
      if (!down) return;
      input.mi.dwFlags = MOUSEEVENTF_HWHEEL;
      input.mi.mouseData = static_cast<DWORD>(button == 7 ? WHEEL_DELTA : -WHEEL_DELTA);
      break;
    case 8: case 9:
      input.mi.dwFlags = down ? MOUSEEVENTF_XDOWN : MOUSEEVENTF_XUP;
      input.mi.mouseData = button == 8 ? XBUTTON1 : XBUTTON2;
      break;
    default:
      return;
  }
  SendOne(input);
}

// The character as UTF-16 units (a surrogate pair beyond the Basic
// Multilingual Plane), each pressed and let go as a packet of its own.
void TypeCharacter(Display*, unsigned int codePoint)
{
  WORD units[2];
  int count = 0;
  if (codePoint < 0x10000) {
    units[count++] = static_cast<WORD>(codePoint);
  } else {
    units[count++] = static_cast<WORD>(0xD800 + ((codePoint - 0x10000) >> 10));
    units[count++] = static_cast<WORD>(0xDC00 + ((codePoint - 0x10000) & 0x3FF));
  }
  for (int i = 0; i < count; ++i) {
    for (bool down : {true, false}) {
      INPUT input;
      ZeroMemory(&input, sizeof(input));
      input.type = INPUT_KEYBOARD;
      input.ki.wScan = units[i];
      input.ki.dwFlags = KEYEVENTF_UNICODE | (down ? 0 : KEYEVENTF_KEYUP);
      SendOne(input);
    }
  }
}

void MovePointer(Display*, int x, int y)
{
  SetCursorPos(x, y);
  Settle();
}

bool CursorShown(Display*)
{
  CURSORINFO info;
  ZeroMemory(&info, sizeof(info));
  info.cbSize = sizeof(info);
  return GetCursorInfo(&info) && (info.flags & CURSOR_SHOWING);
}

void RequestClose(Display*, Window window)
{
  PostMessageA(ToHandle(window), WM_SYSCOMMAND, SC_CLOSE, 0);
}

Window CreateOtherWindow(Display*)
{
  static bool registered = false;
  const char* className = "Oxlen Test Other Window";
  if (!registered) {
    WNDCLASSA windowClass;
    ZeroMemory(&windowClass, sizeof(windowClass));
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = className;
    registered = RegisterClassA(&windowClass) != 0;
  }
  HWND window = CreateWindowExA(0, className, "Other", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100,
                                nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  return FromHandle(window);
}

void SetFocus(Display*, Window window)
{
  SetForegroundWindow(ToHandle(window));
  SetActiveWindow(ToHandle(window));
  ::SetFocus(ToHandle(window));
  Settle();
}

// One display serves every test here; no private server is started.
XvfbServer::XvfbServer(const std::string&) {}
XvfbServer::~XvfbServer() {}

}  // namespace oxtest

int XCloseDisplay(Display*) { return 0; }

int XSync(Display*, int) { return 0; }

XErrorHandler XSetErrorHandler(XErrorHandler) { return nullptr; }

int XMoveWindow(Display*, Window window, int x, int y)
{
  SetWindowPos(reinterpret_cast<HWND>(window), nullptr, x, y, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  return 0;
}
