// Window-system layer of the null backend: window classes, windows and the
// message queue in memory. Nothing is shown anywhere: a test posts the
// messages a window system would (OxPlatformNull.h) and reads back what a
// window system would show (title, placement, visibility, the pointer).
#include "platform/OxPlatformWindow.h"
#include "platform/OxPlatformGL.h"
#include "platform/null/OxPlatformNull.h"
#include "text/OxTitleText.h"

#include <limits.h>
#include <string.h>

#include <deque>
#include <map>
#include <string>

namespace {

struct WindowRecord {
  WNDPROC procedure = nullptr;
  std::string className;
  std::string title;
  DWORD style = 0;
  int x = 0, y = 0, width = 1, height = 1;  // the client rectangle
  bool depthStencil = true;
  bool shown = false;
  bool invalid = false;     // marked for painting
  bool destroying = false;  // WM_DESTROY under way
  // Placement last sent as WM_MOVE and WM_SIZE; none at first.
  int reportedX = INT_MIN, reportedY = INT_MIN;
  int reportedWidth = -1, reportedHeight = -1;
};

struct WindowState {
  std::map<std::string, WNDPROC> classes;
  // Handles are numbers that are never reused, so a stale handle finds nothing.
  std::map<uintptr_t, WindowRecord> windows;
  uintptr_t nextHandle = 1;
  std::deque<OxPlatformMessage> posted;  // what the window system brought
  std::deque<OxPlatformMessage> queue;   // what the game takes
  // As in every backend's queue: the take after the last message of a filled
  // queue ends the pump instead of refilling.
  bool drained = false;
  unsigned char keyState[256] = {};
  HWND focus = nullptr;
  POINT cursor = {0, 0};
  int cursorCounter = 0;
  int displayWidth = 1920, displayHeight = 1080;
};

WindowState gWindows;

uintptr_t HandleValue(HWND window) { return reinterpret_cast<uintptr_t>(window); }
HWND HandleOf(uintptr_t value) { return reinterpret_cast<HWND>(value); }

WindowRecord* Find(HWND window)
{
  auto found = gWindows.windows.find(HandleValue(window));
  return found == gWindows.windows.end() ? nullptr : &found->second;
}

LPARAM PackPoint(int x, int y) { return MAKELPARAM(x & 0xffff, y & 0xffff); }

OxPlatformMessage Message(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
  OxPlatformMessage result;
  memset(&result, 0, sizeof(result));
  result.window = window;
  result.message = message;
  result.wParam = wParam;
  result.lParam = lParam;
  return result;
}

// Reports the window's client position and size when they differ from what
// its procedure last heard.
void ReportPlacement(HWND window)
{
  WindowRecord* record = Find(window);
  if (!record) return;
  if (record->width != record->reportedWidth || record->height != record->reportedHeight) {
    record->reportedWidth = record->width;
    record->reportedHeight = record->height;
    OxPlatformSendMessage(window, WM_SIZE, SIZE_RESTORED, PackPoint(record->width, record->height));
  }
  record = Find(window);
  if (!record) return;
  if (record->x != record->reportedX || record->y != record->reportedY) {
    record->reportedX = record->x;
    record->reportedY = record->y;
    OxPlatformSendMessage(window, WM_MOVE, 0, PackPoint(record->x, record->y));
  }
}

void QueueFocus(HWND window, bool active)
{
  gWindows.posted.push_back(Message(window, WM_ACTIVATE, active ? WA_ACTIVE : WA_INACTIVE, 0));
}

// Moves what the window system brought into the queue, noting wheel turns
// and typed text as they arrive; windows marked for painting get one
// WM_PAINT after the rest.
void FillQueue()
{
  while (!gWindows.posted.empty()) {
    OxPlatformMessage message = gWindows.posted.front();
    gWindows.posted.pop_front();
    if (!Find(message.window)) continue;
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
    gWindows.queue.push_back(message);
  }
  for (auto& entry : gWindows.windows)
    if (entry.second.invalid)
      gWindows.queue.push_back(Message(HandleOf(entry.first), WM_PAINT, 0, 0));
}

}  // namespace

// ---- Window classes and windows -------------------------------------------

void OxPlatformSetDpiAware() {}

bool OxPlatformRegisterClass(const char* className, WNDPROC procedure, HINSTANCE)
{
  if (!className || gWindows.classes.count(className)) return false;
  gWindows.classes[className] = procedure ? procedure : DefWindowProcA;
  return true;
}

bool OxPlatformUnregisterClass(const char* className, HINSTANCE)
{
  if (!className) return false;
  for (const auto& entry : gWindows.windows)
    if (entry.second.className == className) return false;
  return gWindows.classes.erase(className) > 0;
}

HWND OxPlatformCreateWindow(const char* className, const char* title, DWORD style, int x, int y,
                            int width, int height, HINSTANCE)
{
  auto found = className ? gWindows.classes.find(className) : gWindows.classes.end();
  if (found == gWindows.classes.end()) return nullptr;
  uintptr_t value = gWindows.nextHandle++;
  WindowRecord& record = gWindows.windows[value];
  record.procedure = found->second;
  record.className = className;
  record.title = OxTitleCut(OxTitleAsUtf8(title), true);
  record.style = style & ~static_cast<DWORD>(WS_VISIBLE);
  record.x = x;
  record.y = y;
  record.width = width > 0 ? width : 1;
  record.height = height > 0 ? height : 1;
  record.depthStencil = OxPlatformWantsDepthStencil();
  HWND window = HandleOf(value);
  if (OxPlatformSendMessage(window, WM_CREATE, 0, 0) == -1) {
    OxPlatformDestroyWindow(window);
    return nullptr;
  }
  ReportPlacement(window);
  return OxPlatformIsWindow(window) ? window : nullptr;
}

bool OxPlatformDestroyWindow(HWND window)
{
  WindowRecord* record = Find(window);
  if (!record || record->destroying) return false;
  record->destroying = true;
  OxPlatformSendMessage(window, WM_DESTROY, 0, 0);
  if (!Find(window)) return true;
  OxNullGLWindowGone(window);
  gWindows.windows.erase(HandleValue(window));
  if (gWindows.focus == window) gWindows.focus = nullptr;
  for (auto* queue : {&gWindows.queue, &gWindows.posted})
    for (auto it = queue->begin(); it != queue->end();) {
      if (it->window == window)
        it = queue->erase(it);
      else
        ++it;
    }
  return true;
}

bool OxPlatformIsWindow(HWND window) { return Find(window) != nullptr; }

DWORD OxPlatformGetWindowStyle(HWND window)
{
  WindowRecord* record = Find(window);
  if (!record) return 0;
  return record->style | (record->shown ? WS_VISIBLE : 0);
}

void OxPlatformSetWindowStyle(HWND window, DWORD style)
{
  if (WindowRecord* record = Find(window)) record->style = style & ~static_cast<DWORD>(WS_VISIBLE);
}

void OxPlatformAdjustWindowRect(RECT*, DWORD, bool, DWORD) {}

bool OxPlatformMoveWindow(HWND window, int x, int y, int width, int height, bool repaint)
{
  WindowRecord* record = Find(window);
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
  WindowRecord* record = Find(window);
  if (!record) return false;
  bool wasVisible = record->shown;
  if (command == SW_HIDE) {
    if (wasVisible) OxPlatformSendMessage(window, WM_SHOWWINDOW, FALSE, 0);
    if ((record = Find(window))) record->shown = false;
    if (gWindows.focus == window) OxNullSetFocus(nullptr);
    return wasVisible;
  }
  if (!wasVisible) {
    OxPlatformSendMessage(window, WM_SHOWWINDOW, TRUE, 0);
    if (!(record = Find(window))) return wasVisible;
    record->shown = true;
    record->invalid = true;
    if (!gWindows.focus) OxNullSetFocus(window);
  }
  return wasVisible;
}

void OxPlatformUpdateWindow(HWND window)
{
  WindowRecord* record = Find(window);
  if (record && record->invalid) OxPlatformSendMessage(window, WM_PAINT, 0, 0);
}

void OxPlatformInvalidateRect(HWND window, bool)
{
  if (!window) {
    for (auto& entry : gWindows.windows) entry.second.invalid = true;
    return;
  }
  if (WindowRecord* record = Find(window)) record->invalid = true;
}

void OxPlatformBeginPaint(HWND window)
{
  if (WindowRecord* record = Find(window)) record->invalid = false;
}

void OxPlatformEndPaint(HWND) {}

bool OxPlatformSetWindowText(HWND window, const char* text)
{
  WindowRecord* record = Find(window);
  if (!record) return false;
  record->title = OxTitleCut(OxTitleAsUtf8(text), true);
  return true;
}

// ---- Messages -------------------------------------------------------------

LRESULT OxPlatformSendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
  WindowRecord* record = Find(window);
  if (!record || !record->procedure) return 0;
  return record->procedure(window, message, wParam, lParam);
}

bool OxPlatformPeekMessage(OxPlatformMessage* message)
{
  if (gWindows.queue.empty()) {
    if (gWindows.drained) {
      gWindows.drained = false;
      return false;
    }
    FillQueue();
    if (gWindows.queue.empty()) return false;
  }
  *message = gWindows.queue.front();
  gWindows.queue.pop_front();
  gWindows.drained = gWindows.queue.empty();
  OxPlatformApplyKeyMessage(*message, gWindows.keyState);
  return true;
}

bool OxPlatformTranslateMessage(const OxPlatformMessage* message)
{
  unsigned int character = OxPlatformCharacterOfKey(*message, gWindows.keyState);
  if (!character) return false;
  bool system = message->message == WM_SYSKEYDOWN;
  gWindows.queue.push_front(
      Message(message->window, system ? WM_SYSCHAR : WM_CHAR, character, message->lParam));
  return true;
}

LRESULT OxPlatformDispatchMessage(const OxPlatformMessage* message)
{
  return OxPlatformSendMessage(message->window, message->message, message->wParam, message->lParam);
}

LRESULT OxPlatformDefaultWindowProcedure(HWND window, UINT message, WPARAM, LPARAM)
{
  switch (message) {
    case WM_CLOSE: OxPlatformDestroyWindow(window); break;
    case WM_PAINT:
      OxPlatformBeginPaint(window);
      OxPlatformEndPaint(window);
      break;
    default: break;
  }
  return 0;
}

LRESULT CALLBACK DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
  return OxPlatformDefaultWindowProcedure(window, message, wParam, lParam);
}

// ---- Key state, cursor, display -----------------------------------------------

void OxPlatformGetKeyboardState(unsigned char state[256])
{
  memcpy(state, gWindows.keyState, sizeof(gWindows.keyState));
}

bool OxPlatformGetCursorPos(POINT* point)
{
  *point = gWindows.cursor;
  return true;
}

bool OxPlatformScreenToClient(HWND window, POINT* point)
{
  WindowRecord* record = Find(window);
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

void OxNullSetCursor(int x, int y) { gWindows.cursor = POINT{x, y}; }

HWND OxNullFocusedWindow() { return gWindows.focus; }

void OxNullSetFocus(HWND window)
{
  if (window && !Find(window)) return;
  if (gWindows.focus == window) return;
  if (gWindows.focus) QueueFocus(gWindows.focus, false);
  gWindows.focus = window;
  if (window) QueueFocus(window, true);
}

int OxNullWindows(HWND* windows, int capacity)
{
  int count = 0;
  for (auto& entry : gWindows.windows) {
    if (count < capacity) windows[count] = HandleOf(entry.first);
    ++count;
  }
  return count;
}

HWND OxNullNewestWindow()
{
  return gWindows.windows.empty() ? nullptr : HandleOf(gWindows.windows.rbegin()->first);
}

const char* OxNullWindowTitle(HWND window)
{
  WindowRecord* record = Find(window);
  return record ? record->title.c_str() : "";
}

bool OxNullWindowShown(HWND window)
{
  WindowRecord* record = Find(window);
  return record && record->shown;
}

bool OxNullWindowRect(HWND window, RECT* rect)
{
  WindowRecord* record = Find(window);
  if (!record) return false;
  *rect = RECT{record->x, record->y, record->x + record->width, record->y + record->height};
  return true;
}

bool OxNullCursorShown() { return gWindows.cursorCounter >= 0; }

bool OxNullWindowSurface(HWND window, int* width, int* height, bool* depthStencil)
{
  WindowRecord* record = Find(window);
  if (!record) return false;
  *width = record->width;
  *height = record->height;
  *depthStencil = record->depthStencil;
  return true;
}
