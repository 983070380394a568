// X11 helpers shared by the display tests: finding the engine's window by its
// title, reading its geometry back, XTest input, the window manager's close
// request, a second window to take the focus, and a private Xvfb server.
#pragma once
#include <X11/Xlib.h>

#include <functional>
#include <string>

namespace oxtest {

// A window's client area in root (screen) coordinates, and the top-left
// corner of the whole window with its frame, which is what placement moves.
// Under X11 without a window manager nothing frames the window, and the two
// corners are the same; a Win32 window's frame and title bar are its own.
struct Geometry {
  int x, y, width, height;
  int frameX, frameY;
};

// Points DISPLAY at an Xvfb of this process's own (no window manager), so
// that tests running side by side never share a pointer, focus or window
// titles. The server ends with the process.
void UsePrivateDisplay(const std::string& screen = "1920x1080x24");
// The test's own connection to $DISPLAY; null when there is no display.
Display* OpenTestDisplay();
// The viewable top-level window with this title (WM_NAME or _NET_WM_NAME);
// 0 when none appears within timeoutMs.
Window FindWindowByTitle(Display* display, const std::string& title, int timeoutMs = 2000);
// How many viewable windows carry this title now.
int CountWindowsByTitle(Display* display, const std::string& title);
// Whether the window still exists on the server.
bool WindowExists(Display* display, Window window);
Geometry WindowGeometry(Display* display, Window window);
std::string WindowTitle(Display* display, Window window);

// XTest input, synchronised with the server before returning. Buttons 4 and
// 5 turn the wheel up and down, 6 and 7 left and right.
void SendKey(Display* display, KeySym key, bool down);
void SendButton(Display* display, unsigned int button, bool down);
void MovePointer(Display* display, int x, int y);
// Types one character (a Unicode code point): pressed and let go on a key
// given that character alone for the moment, so no modifier is involved.
void TypeCharacter(Display* display, unsigned int codePoint);

// Whether the engine shows the pointer over its window.
bool CursorShown(Display* display);

// The ICCCM WM_DELETE_WINDOW request a window manager sends on close.
void RequestClose(Display* display, Window window);
// A mapped 100 by 100 window of the test's at (0, 0), for taking the focus.
Window CreateOtherWindow(Display* display);
void SetFocus(Display* display, Window window);

// Calls step until done returns true or timeoutMs passes; done's last answer.
bool RepeatUntil(const std::function<void()>& step, const std::function<bool()>& done,
                 int timeoutMs = 3000);

// A private Xvfb server with one screen ("1920x1200x24"), stopped on
// destruction. display is empty when it could not start.
class XvfbServer {
 public:
  explicit XvfbServer(const std::string& screen);
  ~XvfbServer();
  XvfbServer(const XvfbServer&) = delete;
  XvfbServer& operator=(const XvfbServer&) = delete;
  const std::string& display() const { return display_; }
  // The server's process id (-1 when it did not start): a test may end the
  // server itself to take the display away from a running game.
  int pid() const { return pid_; }

 private:
  int pid_ = -1;
  std::string display_;
};

}  // namespace oxtest
