// Window-system layer of the null backend: window classes, windows and the
// message queue in memory. Nothing is shown anywhere: a test posts the
// messages a window system would (OxPlatformNull.h) and reads back what a
// window system would show (title, placement, visibility, the pointer).
#include "platform/OxPlatformWindowTable.h"
#include "platform/OxPlatformGL.h"
#include "platform/null/OxPlatformNull.h"
#include "text/OxTitleText.h"

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

void OxNullSetCursor(int x, int y) { gWindows.cursor = POINT{x, y}; }

HWND OxNullFocusedWindow() { return gWindows.focus; }

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
