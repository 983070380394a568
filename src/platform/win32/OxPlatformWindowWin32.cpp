// Window-system layer on Win32: user32 and gdi32 as they are. The window
// class, window, styles, placement, message queue and procedure, key state and
// cursor are the system's own; this file only adapts the calls' shapes.
#include "platform/OxPlatformWindow.h"

#include <string.h>

#include <map>
#include <set>
#include <string>

#include "platform/win32/OxWin32Text.h"
#include "text/OxTitleText.h"
#include "text/OxUtf8.h"

// ---- Module state ----------------------------------------------------------

namespace {

struct State {
  // BeginPaint's record, kept for the EndPaint that follows it.
  std::map<HWND, PAINTSTRUCT> painting;
  // Windows sent WM_PAINT since the pump last found the queue empty.
  std::set<HWND> paintedThisPump;
  // The first half of a character beyond the Basic Multilingual Plane, which
  // WM_CHAR brings as two UTF-16 surrogates; 0 when none is waiting.
  unsigned int highSurrogate = 0;
};

State gState;

// Classes and windows of a null instance belong to the program's own module,
// as they do when Windows fills the instance in itself.
HINSTANCE ModuleOf(HINSTANCE instance)
{
  return instance ? instance : GetModuleHandleA(nullptr);
}

// Titles that are valid UTF-8 are shown as they are, anything else as
// Windows-1252 text, as on the other backend; utf8 tells which the whole
// title was, since a cut one may read differently. The A call before this
// one gave the window procedure its WM_SETTEXT with the bytes as they came;
// a title beyond ASCII is then stored again in its wide form, which the A
// call could only store in the program's code page.
void ShowTitle(HWND window, const char* title, bool utf8)
{
  if (!title) return;
  bool ascii = true;
  for (const char* c = title; *c; ++c)
    if (static_cast<unsigned char>(*c) >= 0x80) ascii = false;
  if (ascii) return;
  std::wstring wide = OxWin32Wide(title, utf8 ? CP_UTF8 : 1252);
  DefWindowProcW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()));
}

// The left or right code of a generic modifier's key message: the scan code
// tells the Shift keys apart, the extended bit the Control and Alt keys.
unsigned char SideKey(WPARAM key, LPARAM lParam)
{
  bool extended = (lParam >> 24) & 1;
  switch (key) {
    case VK_SHIFT: return ((lParam >> 16) & 0xFF) == 0x36 ? VK_RSHIFT : VK_LSHIFT;
    case VK_CONTROL: return extended ? VK_RCONTROL : VK_LCONTROL;
    case VK_MENU: return extended ? VK_RMENU : VK_LMENU;
    default: return static_cast<unsigned char>(key);
  }
}

// A WM_CHAR's UTF-16 unit: surrogate pairs are joined, a half without its
// partner is dropped.
void NoteCharacter(unsigned int unit)
{
  unsigned int high = gState.highSurrogate;
  gState.highSurrogate = 0;
  if (unit >= 0xD800 && unit <= 0xDBFF) {
    gState.highSurrogate = unit;
  } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
    if (high) OxPlatformNoteTyped(0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00));
  } else {
    OxPlatformNoteTyped(unit);
  }
}

// Notes what an input message taken from the queue brings beyond the key
// state, which the system keeps itself.
void NoteInput(const MSG& msg)
{
  switch (msg.message) {
    case WM_KEYDOWN: case WM_SYSKEYDOWN:
      OxPlatformNoteKeyDown(static_cast<unsigned char>(msg.wParam));
      OxPlatformNoteKeyDown(SideKey(msg.wParam & 0xFF, msg.lParam));
      break;
    case WM_LBUTTONDOWN: case WM_LBUTTONDBLCLK: OxPlatformNoteKeyDown(VK_LBUTTON); break;
    case WM_RBUTTONDOWN: case WM_RBUTTONDBLCLK: OxPlatformNoteKeyDown(VK_RBUTTON); break;
    case WM_MBUTTONDOWN: case WM_MBUTTONDBLCLK: OxPlatformNoteKeyDown(VK_MBUTTON); break;
    case WM_XBUTTONDOWN: case WM_XBUTTONDBLCLK:
      OxPlatformNoteKeyDown(GET_XBUTTON_WPARAM(msg.wParam) == XBUTTON1 ? VK_XBUTTON1 : VK_XBUTTON2);
      break;
    case WM_MOUSEWHEEL: OxPlatformNoteWheel(GET_WHEEL_DELTA_WPARAM(msg.wParam), 0); break;
    case WM_MOUSEHWHEEL: OxPlatformNoteWheel(0, GET_WHEEL_DELTA_WPARAM(msg.wParam)); break;
    case WM_CHAR: NoteCharacter(static_cast<unsigned int>(msg.wParam & 0xFFFF)); break;
    default: break;
  }
}

}  // namespace

// ---- Window classes and windows -------------------------------------------

void OxPlatformSetDpiAware()
{
  // Looked up at run time: systems before Windows 10 1703 lack the call, and
  // the result is ignored either way.
  typedef BOOL(WINAPI * SetContextFunction)(HANDLE);
  HMODULE user32 = GetModuleHandleA("user32.dll");
  if (!user32) return;
  auto setContext = reinterpret_cast<SetContextFunction>(
      reinterpret_cast<void*>(GetProcAddress(user32, "SetProcessDpiAwarenessContext")));
  // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2
  if (setContext) setContext(reinterpret_cast<HANDLE>(static_cast<intptr_t>(-4)));
}

bool OxPlatformRegisterClass(const char* className, WNDPROC procedure, HINSTANCE instance)
{
  WNDCLASSA windowClass;
  memset(&windowClass, 0, sizeof(windowClass));
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = procedure ? procedure : DefWindowProcA;
  windowClass.cbClsExtra = 0;
  windowClass.cbWndExtra = 0;
  windowClass.hInstance = ModuleOf(instance);
  windowClass.hIcon = LoadIconA(nullptr, MAKEINTRESOURCEA(32515));    // IDI_EXCLAMATION
  windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  windowClass.lpszMenuName = nullptr;
  windowClass.lpszClassName = className;
  return RegisterClassA(&windowClass) != 0;
}

bool OxPlatformUnregisterClass(const char* className, HINSTANCE instance)
{
  return UnregisterClassA(className, ModuleOf(instance)) != 0;
}

HWND OxPlatformCreateWindow(const char* className, const char* title, DWORD style, int x, int y,
                            int width, int height, HINSTANCE instance)
{
  HWND window = CreateWindowExA(0, className, title, style & ~static_cast<DWORD>(WS_VISIBLE), x,
                                y, width, height, nullptr, nullptr, ModuleOf(instance), nullptr);
  if (window) ShowTitle(window, title, OxUtf8IsValid(title));
  return window;
}

bool OxPlatformDestroyWindow(HWND window) { return DestroyWindow(window) != 0; }

bool OxPlatformIsWindow(HWND window) { return window && IsWindow(window); }

DWORD OxPlatformGetWindowStyle(HWND window)
{
  return static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE));
}

void OxPlatformSetWindowStyle(HWND window, DWORD style)
{
  SetWindowLongA(window, GWL_STYLE, static_cast<LONG>(style));
}

void OxPlatformAdjustWindowRect(RECT* rect, DWORD style, bool menu, DWORD extendedStyle)
{
  AdjustWindowRectEx(rect, style, menu ? TRUE : FALSE, extendedStyle);
}

bool OxPlatformMoveWindow(HWND window, int x, int y, int width, int height, bool repaint)
{
  return MoveWindow(window, x, y, width, height, repaint ? TRUE : FALSE) != 0;
}

bool OxPlatformShowWindow(HWND window, int command) { return ShowWindow(window, command) != 0; }

void OxPlatformUpdateWindow(HWND window) { UpdateWindow(window); }

void OxPlatformInvalidateRect(HWND window, bool erase)
{
  InvalidateRect(window, nullptr, erase ? TRUE : FALSE);
}

void OxPlatformBeginPaint(HWND window)
{
  PAINTSTRUCT paint;
  if (BeginPaint(window, &paint)) gState.painting[window] = paint;
}

void OxPlatformEndPaint(HWND window)
{
  auto found = gState.painting.find(window);
  if (found == gState.painting.end()) return;
  EndPaint(window, &found->second);
  gState.painting.erase(found);
}

bool OxPlatformSetWindowText(HWND window, const char* text)
{
  bool utf8 = OxUtf8IsValid(text);
  std::string cut = OxTitleCut(text ? text : "", utf8);
  if (!SetWindowTextA(window, text ? cut.c_str() : nullptr)) return false;
  ShowTitle(window, text ? cut.c_str() : nullptr, utf8);
  return true;
}

// ---- Messages -------------------------------------------------------------

LRESULT OxPlatformSendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
  return SendMessageA(window, message, wParam, lParam);
}

// Messages are taken and dispatched in their wide form, so that WM_CHAR
// holds the character in UTF-16 whatever the code page; a window of an ANSI
// class still receives it in the program's code page, converted on dispatch.
bool OxPlatformPeekMessage(OxPlatformMessage* message)
{
  MSG msg;
  if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    gState.paintedThisPump.clear();
    return false;
  }
  // WM_PAINT stays pending while a window is not validated; a procedure that
  // never validates would otherwise keep the pump going forever. Its second
  // WM_PAINT in one pump ends the pump instead.
  if (msg.message == WM_PAINT) {
    if (!gState.paintedThisPump.insert(msg.hwnd).second) {
      gState.paintedThisPump.clear();
      return false;
    }
  }
  NoteInput(msg);
  memset(message, 0, sizeof(*message));
  message->window = msg.hwnd;
  message->message = msg.message;
  message->wParam = msg.wParam;
  message->lParam = msg.lParam;
  return true;
}

namespace {

MSG ToMsg(const OxPlatformMessage* message)
{
  MSG msg;
  memset(&msg, 0, sizeof(msg));
  msg.hwnd = message->window;
  msg.message = message->message;
  msg.wParam = message->wParam;
  msg.lParam = message->lParam;
  msg.time = static_cast<DWORD>(GetMessageTime());
  DWORD position = GetMessagePos();
  msg.pt.x = static_cast<short>(LOWORD(position));
  msg.pt.y = static_cast<short>(HIWORD(position));
  return msg;
}

}  // namespace

bool OxPlatformTranslateMessage(const OxPlatformMessage* message)
{
  MSG msg = ToMsg(message);
  return TranslateMessage(&msg) != 0;
}

LRESULT OxPlatformDispatchMessage(const OxPlatformMessage* message)
{
  MSG msg = ToMsg(message);
  return DispatchMessageW(&msg);
}

LRESULT OxPlatformDefaultWindowProcedure(HWND window, UINT message, WPARAM wParam,
                                         LPARAM lParam)
{
  return DefWindowProcA(window, message, wParam, lParam);
}

// ---- Key state, cursor, display -----------------------------------------------

void OxPlatformGetKeyboardState(unsigned char state[256])
{
  if (!GetKeyboardState(state)) memset(state, 0, 256);
}

bool OxPlatformGetCursorPos(POINT* point) { return GetCursorPos(point) != 0; }

bool OxPlatformScreenToClient(HWND window, POINT* point)
{
  return window && ScreenToClient(window, point) != 0;
}

int OxPlatformShowCursor(bool show) { return ShowCursor(show ? TRUE : FALSE); }

int OxPlatformGetDisplayWidth() { return GetSystemMetrics(SM_CXSCREEN); }

int OxPlatformGetDisplayHeight() { return GetSystemMetrics(SM_CYSCREEN); }

// The window server is part of the system here; it cannot go away.
bool OxPlatformIsDisplayLost() { return false; }

void OxPlatformCheckDisplay() {}
