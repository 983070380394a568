// Window-system layer: the Win32-shaped operations that the system and input
// families call (window class, window, style, placement, messages, key state,
// cursor, display size). Implemented once per backend.
#pragma once
#include "OxPlatform.h"

// One message taken from the queue. The last two fields belong to the backend
// (the character a key produces, the left or right code of a modifier).
struct OxPlatformMessage {
  HWND window;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  char text[16];
  unsigned char sideKey;
};

// Per-process awareness of physical pixels; sizes here are always physical.
void OxPlatformSetDpiAware();

// Window classes: a name bound to a window procedure. Registering a name that
// exists, or unregistering one that does not, fails (false).
bool OxPlatformRegisterClass(const char* className, WNDPROC procedure, HINSTANCE instance);
bool OxPlatformUnregisterClass(const char* className, HINSTANCE instance);

// Creates a hidden top-level window of the class able to hold an OpenGL
// context (RGBA 8 bits each, 24 depth, 8 stencil, double-buffered), at (x, y)
// with the outer size given. Sends WM_CREATE, then WM_SIZE and WM_MOVE, to the
// class's procedure; null when the class is unknown, the window system fails,
// or WM_CREATE returns -1.
HWND OxPlatformCreateWindow(const char* className, const char* title, DWORD style, int x,
                            int y, int width, int height, HINSTANCE instance);
// Sends WM_DESTROY, then removes the window from the display. False when the
// window is not alive.
bool OxPlatformDestroyWindow(HWND window);
bool OxPlatformIsWindow(HWND window);

// Style bits (WS_*). Without WS_CAPTION the window is borderless.
DWORD OxPlatformGetWindowStyle(HWND window);
void OxPlatformSetWindowStyle(HWND window, DWORD style);
// The outer rectangle for a client rectangle. Window frames on this platform
// lie outside the window the layer creates, so the rectangle is unchanged.
void OxPlatformAdjustWindowRect(RECT* rect, DWORD style, bool menu, DWORD extendedStyle);

// Places and sizes the window (outer size), sending WM_MOVE and WM_SIZE when
// they change; repaint marks it for painting.
bool OxPlatformMoveWindow(HWND window, int x, int y, int width, int height, bool repaint);
// A ShowWindow command (SW_*); true when the window was visible before.
bool OxPlatformShowWindow(HWND window, int command);
// Sends WM_PAINT at once when the window is marked for painting.
void OxPlatformUpdateWindow(HWND window);
// Marks the window (every window when null) for painting.
void OxPlatformInvalidateRect(HWND window, bool erase);
// Painting a window validates it.
void OxPlatformBeginPaint(HWND window);
void OxPlatformEndPaint(HWND window);
// Titles that are valid UTF-8 are shown as they are; any other text is read
// as Windows-1252 bytes (as the Windows build reads them) and converted.
bool OxPlatformSetWindowText(HWND window, const char* text);

// Sends a message to the window's procedure at once; 0 for a dead window.
LRESULT OxPlatformSendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Takes the next pending message without waiting; false when none is left.
// Key and button messages update the key state as they are taken.
bool OxPlatformPeekMessage(OxPlatformMessage* message);
// Queues the character messages (WM_CHAR, WM_SYSCHAR) that a key message makes.
bool OxPlatformTranslateMessage(const OxPlatformMessage* message);
// Delivers the message to its window's procedure; its result.
LRESULT OxPlatformDispatchMessage(const OxPlatformMessage* message);
// The default handling of DefWindowProcA.
LRESULT OxPlatformDefaultWindowProcedure(HWND window, UINT message, WPARAM wParam,
                                         LPARAM lParam);

// 256 bytes by virtual-key code, bit 7 set while down, as of the messages taken.
void OxPlatformGetKeyboardState(unsigned char state[256]);
// What the window system brought since the last OxPlatformTakeInputEvents,
// beyond the key state, as of the messages taken: the keys and buttons that went down (key-down and
// button-down messages, generic and left or right codes alike, auto-repeat
// included), the wheel's turns in WHEEL_DELTA units (vertical positive away
// from the user, horizontal positive to the right; each sum held within the
// range of an int), and the characters typed as code points, in order (the
// first kOxPlatformTypedMax; later ones are dropped).
const int kOxPlatformTypedMax = 256;
struct OxPlatformInputEvents {
  unsigned char pressed[32];  // key k: bit k % 8 of byte k / 8
  int wheelY, wheelX;
  int typedCount;
  unsigned int typed[kOxPlatformTypedMax];
};
// Hands over what was gathered and starts gathering afresh.
void OxPlatformTakeInputEvents(OxPlatformInputEvents* events);
// The gathering, shared by every backend (OxPlatformInputEvents.cpp): each
// calls these as it takes the messages that carry them.
void OxPlatformNoteKeyDown(unsigned char key);
void OxPlatformNoteWheel(int deltaY, int deltaX);
void OxPlatformNoteTyped(unsigned int codePoint);

// The key rules of backends that make key messages themselves
// (OxPlatformWindowTable.cpp). The generic code of a left or right
// modifier (VK_LSHIFT gives VK_SHIFT), any other key as it is.
unsigned char OxPlatformGenericKey(unsigned char sideKey);
// A key or button message leaving the queue: sets or clears its key
// (message.sideKey) and the generic modifier, which is down while either
// side is, in state, and notes the key-down for OxPlatformTakeInputEvents.
void OxPlatformApplyKeyMessage(const OxPlatformMessage& message, unsigned char state[256]);
// The character (Windows-1252) that OxPlatformTranslateMessage queues for a
// key-down: the first character of its text, '?' beyond Latin-1; without
// text, Enter, Backspace, Tab and Escape as themselves, Ctrl+letter as 1 to
// 26, and Alt+letter or digit as WM_SYSCHAR. 0 for none.
unsigned int OxPlatformCharacterOfKey(const OxPlatformMessage& message,
                                      const unsigned char state[256]);
// Notes each character of text (UTF-8) as typed; an ill-formed part ends
// the reading.
void OxPlatformNoteTypedText(const char* utf8);

// The pointer in screen pixels from a live query, unclamped.
bool OxPlatformGetCursorPos(POINT* point);
// Screen pixels to the window's client pixels.
bool OxPlatformScreenToClient(HWND window, POINT* point);
// Raises (show) or lowers the cursor's display counter and returns it; the
// cursor is shown while the counter is 0 or more.
int OxPlatformShowCursor(bool show);

// The primary display's size in pixels; 0 when there is no display.
int OxPlatformGetDisplayWidth();
int OxPlatformGetDisplayHeight();

// True once the connection to the display has been lost (the window server
// went away). The next OxPlatformPeekMessage then destroys every window
// (each procedure gets WM_DESTROY); nothing is printed and the process goes
// on. Never true on a backend whose display cannot go away.
bool OxPlatformIsDisplayLost();
// Looks, without waiting, whether the window server has gone away; if so
// the display counts as lost and no OpenGL context is left current, so that
// drawing does nothing until the windows are destroyed. Called at the start
// of every frame, before anything is drawn.
void OxPlatformCheckDisplay();
