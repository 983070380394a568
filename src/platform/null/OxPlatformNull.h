// The null backend: windows, their message queue and the display in memory,
// OpenGL on an off-screen surface (EGL without a window system, any
// renderer the system offers), a clock a test can script, pads and an audio
// output that exist only here. It needs no display, input device or sound
// device, so everything above the platform layer can be tested anywhere.
// Tests drive it through these functions.
#pragma once
#include <stdint.h>

#include "OxPlatform.h"
#include "platform/OxPlatformGamepad.h"
#include "platform/OxPlatformWindow.h"

// ---- Display and input ------------------------------------------------------

// The display's size in pixels (1920 x 1080 unless set).
void OxNullSetDisplaySize(int width, int height);
// Input as the window system makes it. A key (a virtual-key code; the left
// or right code of a modifier) goes to the focused window as WM_KEYDOWN or
// WM_KEYUP, WM_SYS... with Alt held, with Win32's lParam (a US keyboard's
// scan code, the extended flag, Alt's context bit, the previous state) and
// the text it types on a US layout (letters, digits, the space bar; none
// with Ctrl or Alt held). A button (VK_LBUTTON, VK_MBUTTON, VK_RBUTTON,
// VK_XBUTTON1, VK_XBUTTON2) and the wheel (in WHEEL_DELTA units, positive
// up or to the right) go to the newest shown window under the pointer; a
// pointer moved there gets WM_MOUSEMOVE. Text typed without a key (an input
// method's) is noted as typed for the focused window.
void OxNullKey(unsigned char key, bool extended, bool down);
void OxNullButton(unsigned char button, bool down);
void OxNullWheel(int delta, bool horizontal);
void OxNullMovePointer(int x, int y);
void OxNullType(const char* utf8);
// Queues a message for the window as the window system would post it.
void OxNullPost(const OxPlatformMessage& message);
// Gives the window the focus (WM_ACTIVATE to it, and to the window that had
// it), or takes it from every window when window is null.
void OxNullSetFocus(HWND window);
// The live windows, oldest first: up to capacity of them in windows, and
// how many there are.
int OxNullWindows(HWND* windows, int capacity);
// The window's title (UTF-8); empty for a dead window.
const char* OxNullWindowTitle(HWND window);
// The client rectangle of the window on the screen.
bool OxNullWindowRect(HWND window, RECT* rect);
// Whether the engine shows the pointer (its display counter is 0 or more).
bool OxNullCursorShown();

// ---- Clock ------------------------------------------------------------------

// The counter runs at kOxNullClockFrequency ticks a second, with the
// system's monotonic clock unless scripted. Scripted, each read moves it on
// by one tick (a read takes time), each sleep by the ticks asked for plus
// the lateness set here, and nothing else moves it.
constexpr int64_t kOxNullClockFrequency = 1000000;
void OxNullClockScript(bool scripted);
void OxNullClockSetSleepLateness(int64_t ticks);

// ---- Pads ---------------------------------------------------------------------

// Pads come and go as devices do. One plugged in is at rest and has a
// number of its own (never reused); at the next read it takes the lowest
// free slot and keeps it until unplugged, and pads beyond the slots wait for
// one, the earliest first. Setting a pad gives the buttons and axes it
// reads from then on (its connected flag is ignored); unknown numbers are
// ignored.
int OxNullPadAttach();
void OxNullPadSet(int pad, const OxPlatformGamepadState& state);
void OxNullPadDetach(int pad);

// ---- Audio ----------------------------------------------------------------------

// The open output renders on its own thread at the device's pace (one
// buffer each kOxPlatformAudioFrames frames' time) into a buffer of the last
// two seconds. Takes up to frameCount stereo frames of it, oldest first,
// into out and returns how many it took; 0 when none is open.
int OxNullAudioTake(float* out, int frameCount);

// ---- Between the backend's own files ----------------------------------------------

// The window's client size and whether its pixel format has depth and
// stencil buffers (chosen when it was created); false for a dead window.
bool OxNullWindowSurface(HWND window, int* width, int* height, bool* depthStencil);
