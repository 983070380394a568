// Window classes, window records and the message queue of the backends that
// keep them themselves (SDL's and the null one), with the rules both follow:
// handles are numbers never reused, so a stale handle finds nothing; a class
// stays while windows of it live; placement is reported to the procedure
// only when it changed; the pump ends after the last message of a fill; key
// and button messages change the key state as they leave the queue. The
// non-template rules are in OxPlatformWindowTable.cpp.
#pragma once
#include <limits.h>
#include <stdint.h>
#include <string.h>

#include <deque>
#include <map>
#include <string>

#include "platform/OxPlatformWindow.h"

// A message for the queue, the backend's own fields empty.
OxPlatformMessage OxPlatformMakeMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// A point as mouse messages carry it: x in the low word, y in the high.
inline LPARAM OxPlatformPackPoint(int x, int y) { return MAKELPARAM(x & 0xffff, y & 0xffff); }

// What every such backend keeps of a window; Extra is the backend's own part.
template <typename Extra>
struct OxPlatformWindowRecord : Extra {
  WNDPROC procedure = nullptr;
  std::string className;
  DWORD style = 0;          // WS_VISIBLE is the backend's to report
  bool invalid = false;     // marked for painting
  bool destroying = false;  // WM_DESTROY under way
  // Placement last sent as WM_MOVE and WM_SIZE; none at first.
  int reportedX = INT_MIN, reportedY = INT_MIN;
  int reportedWidth = -1, reportedHeight = -1;
};

template <typename Extra>
struct OxPlatformWindowTable {
  using Record = OxPlatformWindowRecord<Extra>;

  std::map<std::string, WNDPROC> classes;
  std::map<uintptr_t, Record> windows;
  uintptr_t nextHandle = 1;
  std::deque<OxPlatformMessage> queue;
  bool drained = false;
  unsigned char keyState[256] = {};

  static HWND HandleOf(uintptr_t value) { return reinterpret_cast<HWND>(value); }

  Record* Find(HWND window)
  {
    auto found = windows.find(reinterpret_cast<uintptr_t>(window));
    return found == windows.end() ? nullptr : &found->second;
  }

  // A null procedure stands for DefWindowProcA.
  bool RegisterClass(const char* className, WNDPROC procedure)
  {
    if (!className || classes.count(className)) return false;
    classes[className] = procedure ? procedure : DefWindowProcA;
    return true;
  }

  bool UnregisterClass(const char* className)
  {
    if (!className) return false;
    for (const auto& entry : windows)
      if (entry.second.className == className) return false;
    return classes.erase(className) > 0;
  }

  bool HasClass(const char* className) { return className && classes.count(className) > 0; }

  // A record of a registered class with the style given; its handle.
  HWND Add(const char* className, DWORD style)
  {
    uintptr_t value = nextHandle++;
    Record& record = windows[value];
    record.procedure = classes[className];
    record.className = className;
    record.style = style & ~static_cast<DWORD>(WS_VISIBLE);
    return HandleOf(value);
  }

  // The record goes, with every message queued for it.
  void Remove(HWND window)
  {
    windows.erase(reinterpret_cast<uintptr_t>(window));
    for (auto it = queue.begin(); it != queue.end();) {
      if (it->window == window)
        it = queue.erase(it);
      else
        ++it;
    }
  }

  LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
  {
    Record* record = Find(window);
    if (!record || !record->procedure) return 0;
    WNDPROC procedure = record->procedure;
    return procedure(window, message, wParam, lParam);
  }

  // Sends WM_SIZE, then WM_MOVE, for what differs from what the procedure
  // last heard (the client area's position and size).
  void ReportPlacement(HWND window, int x, int y, int width, int height)
  {
    Record* record = Find(window);
    if (!record) return;
    if (width != record->reportedWidth || height != record->reportedHeight) {
      record->reportedWidth = width;
      record->reportedHeight = height;
      Send(window, WM_SIZE, SIZE_RESTORED, OxPlatformPackPoint(width, height));
    }
    record = Find(window);
    if (!record) return;
    if (x != record->reportedX || y != record->reportedY) {
      record->reportedX = x;
      record->reportedY = y;
      Send(window, WM_MOVE, 0, OxPlatformPackPoint(x, y));
    }
  }

  // One WM_PAINT for each window marked for painting, after the rest.
  void QueuePaints()
  {
    for (auto& entry : windows)
      if (entry.second.invalid)
        queue.push_back(OxPlatformMakeMessage(HandleOf(entry.first), WM_PAINT, 0, 0));
  }

  // Marks the window (every window when null) for painting.
  void Invalidate(HWND window)
  {
    if (!window) {
      for (auto& entry : windows) entry.second.invalid = true;
      return;
    }
    if (Record* record = Find(window)) record->invalid = true;
  }

  void Validate(HWND window)
  {
    if (Record* record = Find(window)) record->invalid = false;
  }

  void Update(HWND window)
  {
    Record* record = Find(window);
    if (record && record->invalid) Send(window, WM_PAINT, 0, 0);
  }

  // Takes the next message, calling fill() to bring in the window system's
  // when the queue is empty; a take right after the last message of a fill
  // ends the pump instead, so that a procedure that never validates its
  // window gets one WM_PAINT per pump instead of an endless stream.
  template <typename Fill>
  bool Take(OxPlatformMessage* message, Fill fill)
  {
    if (queue.empty()) {
      if (drained) {
        drained = false;
        return false;
      }
      fill();
      if (queue.empty()) return false;
    }
    *message = queue.front();
    queue.pop_front();
    drained = queue.empty();
    OxPlatformApplyKeyMessage(*message, keyState);
    return true;
  }

  // Queues the character message of a key-down, next in line.
  bool Translate(const OxPlatformMessage* message)
  {
    unsigned int character = OxPlatformCharacterOfKey(*message, keyState);
    if (!character) return false;
    bool system = message->message == WM_SYSKEYDOWN;
    queue.push_front(OxPlatformMakeMessage(message->window, system ? WM_SYSCHAR : WM_CHAR,
                                           character, message->lParam));
    return true;
  }
};
