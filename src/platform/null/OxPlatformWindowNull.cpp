// Window-system layer of the null backend: window classes, windows and the
// message queue in memory. Nothing is shown anywhere: a test posts the
// messages a window system would (OxPlatformNull.h) and reads back what a
// window system would show (title, placement, visibility, the pointer).
#include "platform/OxPlatformWindowTable.h"
#include "platform/OxPlatformGL.h"
#include "platform/null/OxPlatformNull.h"
#include "text/OxTitleText.h"

#include <stdio.h>
#include <string.h>

#include <deque>
#include <string>

namespace {

// The null backend's own part of a window.
struct NullWindow {
  std::string title;
  int x = 0, y = 0, width = 1, height = 1;  // the client rectangle
  bool depthStencil = true;
  bool shown = false;
};

struct WindowState {
  OxPlatformWindowTable<NullWindow> table;
  std::deque<OxPlatformMessage> posted;  // what the window system brought
  HWND focus = nullptr;
  POINT cursor = {0, 0};
  // What the devices hold down, as the window system tracks it.
  bool held[256] = {};
  unsigned int buttons = 0;  // MK_ bits
  int cursorCounter = 0;
  int displayWidth = 1920, displayHeight = 1080;
};

WindowState gWindows;

void ReportPlacement(HWND window)
{
  if (NullWindow* record = gWindows.table.Find(window))
    gWindows.table.ReportPlacement(window, record->x, record->y, record->width, record->height);
}

void QueueFocus(HWND window, bool active)
{
  gWindows.posted.push_back(
      OxPlatformMakeMessage(window, WM_ACTIVATE, active ? WA_ACTIVE : WA_INACTIVE, 0));
}

// Moves what the window system brought into the queue, noting wheel turns
// and typed text as they arrive; windows marked for painting get one
// WM_PAINT after the rest.
void FillQueue()
{
  while (!gWindows.posted.empty()) {
    OxPlatformMessage message = gWindows.posted.front();
    gWindows.posted.pop_front();
    if (!gWindows.table.Find(message.window)) continue;
    if (message.message == WM_NULL) {
      OxPlatformNoteTypedText(message.text);
      continue;
    }
    if (message.message == WM_MOUSEWHEEL)
      OxPlatformNoteWheel(GET_WHEEL_DELTA_WPARAM(message.wParam), 0);
    if (message.message == WM_MOUSEHWHEEL)
      OxPlatformNoteWheel(0, GET_WHEEL_DELTA_WPARAM(message.wParam));
    if (message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN)
      OxPlatformNoteTypedText(message.text);
    gWindows.table.queue.push_back(message);
  }
  gWindows.table.QueuePaints();
}

bool Held(unsigned char key) { return gWindows.held[key]; }

unsigned int Modifiers()
{
  return (Held(VK_LSHIFT) || Held(VK_RSHIFT) ? MK_SHIFT : 0) |
         (Held(VK_LCONTROL) || Held(VK_RCONTROL) ? MK_CONTROL : 0);
}

// The newest shown window under the screen point, and the point in its
// client area; null when none is there.
HWND WindowAt(POINT* point)
{
  for (auto it = gWindows.table.windows.rbegin(); it != gWindows.table.windows.rend(); ++it) {
    const NullWindow& window = it->second;
    if (window.shown && point->x >= window.x && point->x < window.x + window.width &&
        point->y >= window.y && point->y < window.y + window.height) {
      point->x -= window.x;
      point->y -= window.y;
      return gWindows.table.HandleOf(it->first);
    }
  }
  return nullptr;
}

// The PC scan code (set 1) of a key on a US keyboard: letters, digits and
// the keys games use most; 0 for any other.
unsigned int ScanCode(unsigned char key)
{
  static const unsigned char kLetters[] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17,
                                           0x24, 0x25, 0x26, 0x32, 0x31, 0x18, 0x19, 0x10, 0x13,
                                           0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};
  if (key >= 'A' && key <= 'Z') return kLetters[key - 'A'];
  if (key >= '1' && key <= '9') return key - '1' + 0x02u;
  static const unsigned char kOthers[][2] = {
      {'0', 0x0B},       {VK_ESCAPE, 0x01}, {VK_BACK, 0x0E},     {VK_TAB, 0x0F},
      {VK_RETURN, 0x1C}, {VK_SPACE, 0x39},  {VK_LCONTROL, 0x1D}, {VK_RCONTROL, 0x1D},
      {VK_LSHIFT, 0x2A}, {VK_RSHIFT, 0x36}, {VK_LMENU, 0x38},    {VK_RMENU, 0x38},
      {VK_UP, 0x48},     {VK_LEFT, 0x4B},   {VK_RIGHT, 0x4D},    {VK_DOWN, 0x50}};
  for (const auto& pair : kOthers)
    if (pair[0] == key) return pair[1];
  return 0;
}

// The text a key types on a US layout with what is held: letters, digits
// and the space bar; none while Ctrl or Alt is held.
void TypedBy(unsigned char key, char text[16])
{
  if (Held(VK_LCONTROL) || Held(VK_RCONTROL) || Held(VK_LMENU) || Held(VK_RMENU)) return;
  bool shift = Held(VK_LSHIFT) || Held(VK_RSHIFT);
  if (key >= 'A' && key <= 'Z')
    text[0] = static_cast<char>(shift ? key : key + 32);
  else if ((key >= '0' && key <= '9') || key == ' ')
    text[0] = static_cast<char>(key);
}

}  // namespace

// ---- Window classes and windows -------------------------------------------

void OxPlatformSetDpiAware() {}

bool OxPlatformRegisterClass(const char* className, WNDPROC procedure, HINSTANCE)
{
  return gWindows.table.RegisterClass(className, procedure);
}

bool OxPlatformUnregisterClass(const char* className, HINSTANCE)
{
  return gWindows.table.UnregisterClass(className);
}

HWND OxPlatformCreateWindow(const char* className, const char* title, DWORD style, int x, int y,
                            int width, int height, HINSTANCE)
{
  if (!gWindows.table.HasClass(className)) return nullptr;
  HWND window = gWindows.table.Add(className, style);
  NullWindow& record = *gWindows.table.Find(window);
  record.title = OxTitleCut(OxTitleAsUtf8(title), true);
  record.x = x;
  record.y = y;
  record.width = width > 0 ? width : 1;
  record.height = height > 0 ? height : 1;
  record.depthStencil = OxPlatformWantsDepthStencil();
  if (OxPlatformSendMessage(window, WM_CREATE, 0, 0) == -1) {
    OxPlatformDestroyWindow(window);
    return nullptr;
  }
  ReportPlacement(window);
  return OxPlatformIsWindow(window) ? window : nullptr;
}

bool OxPlatformDestroyWindow(HWND window)
{
  auto* record = gWindows.table.Find(window);
  if (!record || record->destroying) return false;
  record->destroying = true;
  OxPlatformSendMessage(window, WM_DESTROY, 0, 0);
  if (!gWindows.table.Find(window)) return true;
  gWindows.table.Remove(window);
  if (gWindows.focus == window) gWindows.focus = nullptr;
  for (auto it = gWindows.posted.begin(); it != gWindows.posted.end();) {
    if (it->window == window)
      it = gWindows.posted.erase(it);
    else
      ++it;
  }
  return true;
}

bool OxPlatformIsWindow(HWND window) { return gWindows.table.Find(window) != nullptr; }

DWORD OxPlatformGetWindowStyle(HWND window)
{
  auto* record = gWindows.table.Find(window);
  if (!record) return 0;
  return record->style | (record->shown ? WS_VISIBLE : 0);
}

void OxPlatformSetWindowStyle(HWND window, DWORD style)
{
  if (auto* record = gWindows.table.Find(window))
    record->style = style & ~static_cast<DWORD>(WS_VISIBLE);
}

void OxPlatformAdjustWindowRect(RECT*, DWORD, bool, DWORD) {}

bool OxPlatformMoveWindow(HWND window, int x, int y, int width, int height, bool repaint)
{
  auto* record = gWindows.table.Find(window);
  if (!record) return false;
  record->x = x;
  record->y = y;
  record->width = width > 0 ? width : 1;
  record->height = height > 0 ? height : 1;
  if (repaint) record->invalid = true;
  ReportPlacement(window);
  return true;
}

// A window shown takes the focus when no other window has it, as a window
// manager gives it; a window hidden gives it up.
bool OxPlatformShowWindow(HWND window, int command)
{
  auto* record = gWindows.table.Find(window);
  if (!record) return false;
  bool wasVisible = record->shown;
  if (command == SW_HIDE) {
    if (wasVisible) OxPlatformSendMessage(window, WM_SHOWWINDOW, FALSE, 0);
    if ((record = gWindows.table.Find(window))) record->shown = false;
    if (gWindows.focus == window) OxNullSetFocus(nullptr);
    return wasVisible;
  }
  if (!wasVisible) {
    OxPlatformSendMessage(window, WM_SHOWWINDOW, TRUE, 0);
    if (!(record = gWindows.table.Find(window))) return wasVisible;
    record->shown = true;
    record->invalid = true;
    if (!gWindows.focus) OxNullSetFocus(window);
  }
  return wasVisible;
}

void OxPlatformUpdateWindow(HWND window) { gWindows.table.Update(window); }

void OxPlatformInvalidateRect(HWND window, bool) { gWindows.table.Invalidate(window); }

void OxPlatformBeginPaint(HWND window) { gWindows.table.Validate(window); }

void OxPlatformEndPaint(HWND) {}

bool OxPlatformSetWindowText(HWND window, const char* text)
{
  auto* record = gWindows.table.Find(window);
  if (!record) return false;
  record->title = OxTitleCut(OxTitleAsUtf8(text), true);
  return true;
}

// ---- Messages -------------------------------------------------------------

LRESULT OxPlatformSendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
  return gWindows.table.Send(window, message, wParam, lParam);
}

bool OxPlatformPeekMessage(OxPlatformMessage* message)
{
  return gWindows.table.Take(message, FillQueue);
}

bool OxPlatformTranslateMessage(const OxPlatformMessage* message)
{
  return gWindows.table.Translate(message);
}

// ---- Key state, cursor, display -----------------------------------------------

void OxPlatformGetKeyboardState(unsigned char state[256])
{
  memcpy(state, gWindows.table.keyState, sizeof(gWindows.table.keyState));
}

bool OxPlatformGetCursorPos(POINT* point)
{
  *point = gWindows.cursor;
  return true;
}

bool OxPlatformScreenToClient(HWND window, POINT* point)
{
  auto* record = gWindows.table.Find(window);
  if (!record) return false;
  point->x -= record->x;
  point->y -= record->y;
  return true;
}

int OxPlatformShowCursor(bool show)
{
  gWindows.cursorCounter += show ? 1 : -1;
  return gWindows.cursorCounter;
}

int OxPlatformGetDisplayWidth() { return gWindows.displayWidth; }

int OxPlatformGetDisplayHeight() { return gWindows.displayHeight; }

bool OxPlatformIsDisplayLost() { return false; }

void OxPlatformCheckDisplay() {}

// ---- The test's side ---------------------------------------------------------------

void OxNullSetDisplaySize(int width, int height)
{
  gWindows.displayWidth = width > 0 ? width : 0;
  gWindows.displayHeight = height > 0 ? height : 0;
}

void OxNullPost(const OxPlatformMessage& message) { gWindows.posted.push_back(message); }

void OxNullKey(unsigned char key, bool extended, bool down)
{
  bool wasDown = Held(key);
  gWindows.held[key] = down;
  bool altHeld = Held(VK_LMENU) || Held(VK_RMENU);
  bool system = altHeld || key == VK_LMENU || key == VK_RMENU;
  uint32_t bits = 1 | (ScanCode(key) << 16);
  if (extended) bits |= 1u << 24;
  if (altHeld) bits |= 1u << 29;
  if (!down || wasDown) bits |= 1u << 30;
  if (!down) bits |= 1u << 31;
  UINT message = down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
  OxPlatformMessage posted =
      OxPlatformMakeMessage(gWindows.focus, message, OxPlatformGenericKey(key),
                            static_cast<LPARAM>(static_cast<int32_t>(bits)));
  posted.sideKey = key;
  if (down) TypedBy(key, posted.text);
  if (gWindows.focus) OxNullPost(posted);
}

void OxNullButton(unsigned char button, bool down)
{
  struct Kind {
    unsigned char key;
    UINT downMessage, upMessage;
    unsigned int flag;
    WPARAM extra;
  };
  static const Kind kinds[] = {{VK_LBUTTON, WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON, 0},
                               {VK_MBUTTON, WM_MBUTTONDOWN, WM_MBUTTONUP, MK_MBUTTON, 0},
                               {VK_RBUTTON, WM_RBUTTONDOWN, WM_RBUTTONUP, MK_RBUTTON, 0},
                               {VK_XBUTTON1, WM_XBUTTONDOWN, WM_XBUTTONUP, MK_XBUTTON1, XBUTTON1},
                               {VK_XBUTTON2, WM_XBUTTONDOWN, WM_XBUTTONUP, MK_XBUTTON2, XBUTTON2}};
  for (const Kind& kind : kinds) {
    if (kind.key != button) continue;
    if (down)
      gWindows.buttons |= kind.flag;
    else
      gWindows.buttons &= ~kind.flag;
    POINT client = gWindows.cursor;
    HWND window = WindowAt(&client);
    OxPlatformMessage posted =
        OxPlatformMakeMessage(window, down ? kind.downMessage : kind.upMessage,
                              MAKEWPARAM(gWindows.buttons | Modifiers(), kind.extra),
                              OxPlatformPackPoint(client.x, client.y));
    posted.sideKey = button;
    if (window) OxNullPost(posted);
  }
}

void OxNullWheel(int delta, bool horizontal)
{
  POINT client = gWindows.cursor;
  HWND window = WindowAt(&client);
  if (window)
    OxNullPost(OxPlatformMakeMessage(window, horizontal ? WM_MOUSEHWHEEL : WM_MOUSEWHEEL,
                                     MAKEWPARAM(gWindows.buttons | Modifiers(), delta),
                                     OxPlatformPackPoint(gWindows.cursor.x, gWindows.cursor.y)));
}

void OxNullMovePointer(int x, int y)
{
  gWindows.cursor = POINT{x, y};
  POINT client = gWindows.cursor;
  HWND window = WindowAt(&client);
  if (window)
    OxNullPost(OxPlatformMakeMessage(window, WM_MOUSEMOVE, gWindows.buttons | Modifiers(),
                                     OxPlatformPackPoint(client.x, client.y)));
}

void OxNullType(const char* utf8)
{
  OxPlatformMessage posted = OxPlatformMakeMessage(gWindows.focus, WM_NULL, 0, 0);
  snprintf(posted.text, sizeof(posted.text), "%s", utf8);
  if (gWindows.focus) OxNullPost(posted);
}

void OxNullSetFocus(HWND window)
{
  if (window && !gWindows.table.Find(window)) return;
  if (gWindows.focus == window) return;
  if (gWindows.focus) QueueFocus(gWindows.focus, false);
  gWindows.focus = window;
  if (window) QueueFocus(window, true);
}

int OxNullWindows(HWND* windows, int capacity)
{
  int count = 0;
  for (auto& entry : gWindows.table.windows) {
    if (count < capacity) windows[count] = gWindows.table.HandleOf(entry.first);
    ++count;
  }
  return count;
}

const char* OxNullWindowTitle(HWND window)
{
  auto* record = gWindows.table.Find(window);
  return record ? record->title.c_str() : "";
}

bool OxNullWindowRect(HWND window, RECT* rect)
{
  auto* record = gWindows.table.Find(window);
  if (!record) return false;
  *rect = RECT{record->x, record->y, record->x + record->width, record->y + record->height};
  return true;
}

bool OxNullCursorShown() { return gWindows.cursorCounter >= 0; }

bool OxNullWindowSurface(HWND window, int* width, int* height, bool* depthStencil)
{
  auto* record = gWindows.table.Find(window);
  if (!record) return false;
  *width = record->width;
  *height = record->height;
  *depthStencil = record->depthStencil;
  return true;
}
