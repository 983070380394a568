/* Oxlen Engine system: start-up and shut-down, the window and its message
   pump, the per-frame start and end, full screen, the frame-rate controller
   and the high-resolution clock. Every function belongs to the game's thread,
   the one that called OxSysInit. */
#ifndef OX_SYSTEM_H
#define OX_SYSTEM_H

#include "OxExport.h"
#include "OxPlatform.h"

OX_EXTERN_C_BEGIN

/* ---- Lifecycle -------------------------------------------------------- */

/* Starts the library: prints the banner "Oxlen Engine version: 3.10" and an
   empty line, opens the centred window titled "Oxlen Engine" with a client
   area of width by height pixels, shows it with showCommand (SW_*), then
   starts graphics, input and audio, the frame-rate controller (maxFrameRate
   frames per second, 0 for no limit) and vertical synchronisation.
   consoleFlag non-zero asks for a console: on Windows a process without one
   gets a new console; on Linux a process never gets a new one (its terminal,
   if it has one, is its console), and in the browser the page's console
   stands for it; there the output stays where standard output points.
   windowProcedure replaces the library's own window procedure when not null;
   the window-exists and focus flags then stay 1.
   Returns 1, or 0 when graphics or audio fail to start (audio prints "Audio
   module failed to initialize" without a line break), when no display can be
   opened ("Window system failed to initialize: no display could be opened")
   and for a negative width or height ("Window size W x H refused: width and
   height cannot be negative", nothing created). What a failed start created
   stays until OxSysExit (or the next OxSysInit, which tears it down first);
   the window-exists flag is 0 after any failure. A call while the library
   runs prints "System already running: OxSysInit changes nothing before
   OxSysExit", changes nothing and returns 1. */
OX_API int OxSysInit(HINSTANCE instance, int showCommand, int width, int height, int consoleFlag,
                     unsigned int maxFrameRate, unsigned char verticalSync,
                     WNDPROC windowProcedure);
/* Resets the frame-rate controller, then input. */
OX_API void OxSysReset(void);
/* Stops audio, input and graphics, destroys the window (a game's procedure
   receives WM_DESTROY) and removes the window class, leaving the library as
   before OxSysInit, which may then be called again. Does nothing before
   OxSysInit or when called twice. */
OX_API void OxSysExit(void);
/* Opens a frame: frame timer, graphics start, input snapshot, audio update. */
OX_API void OxSysFrameStart(void);
/* Closes a frame: graphics end (buffer swap), the message pump, then the
   frame-rate wait. */
OX_API void OxSysFrameEnd(void);
/* 1 while the window has focus (1 before any activation message). During
   an input replay (OxInput.h), the recorded flag of the frame. */
OX_API int OxSysIsFocus(void);
/* 1 from a successful OxSysInit until the window is destroyed, 0 before and
   after. A lost display destroys the window, and this is then 0 whichever
   window procedure is installed. */
OX_API int OxSysDoesWindowExist(void);
/* The window's handle; null before OxSysInit. */
OX_API HWND OxSysGetWindowHandle(void);
/* Replaces the window's title; the text is copied. Valid UTF-8 is shown as it
   is, any other text is read as Windows-1252 and converted. Not checked: the
   pointer must be a zero-terminated string. Ignored without a window. */
OX_API void OxSysSetWindowTitle(const char* title);

/* ---- Full screen ------------------------------------------------------ */

/* Non-zero: a borderless window at (0, 0) the size of the primary display,
   scale factors display size over game window size. Zero: the captioned
   window, centred, with the game's client size, scale factors 1.0. Every
   call performs the whole switch. Before OxSysInit nothing changes. */
OX_API void OxSysSetFullScreen(int fullScreen);
/* 1 in full screen, 0 in windowed mode and before any switch. */
OX_API int OxSysIsFullScreen(void);

/* ---- Frame-rate controller -------------------------------------------- */

/* Sets the maximum frame rate (0 for no limit), resets the counter, frame
   rate (to the maximum) and frame time (to 1 / maximum, or 0), and reads the
   clock. */
OX_API void OxFrameRateControllerInit(unsigned int maxFrameRate);
/* The counter, frame rate and frame time as after init; the clock is not read. */
OX_API void OxFrameRateControllerReset(void);
/* Opens a frame: reads the clock's frequency and the frame start time. */
OX_API void OxFrameRateControllerStart(void);
/* Closes a frame: waits until the minimum frame time has passed since the
   start, then sets the frame time and rate and counts the frame. The wait
   sleeps for most of the remainder and spins on the clock for the last
   stretch (a margin learnt from how late this system wakes sleepers), so a
   frame never ends before the minimum and ends within one clock reading of
   it unless the thread was held up. Without a limit it does not wait, nor
   during an input replay (OxInput.h). Before any
   OxFrameRateControllerStart it returns at once and counts nothing. */
OX_API void OxFrameRateControllerEnd(void);
/* The last completed frame's duration in seconds; during an input replay
   (OxInput.h), the recorded value of the frame. */
OX_API double OxFrameRateControllerGetFrameTime(void);
/* Frames completed since the last init or reset; wraps at 2^32. */
OX_API unsigned int OxFrameRateControllerGetFrameCount(void);
/* 1 / frame time of the last completed frame, in frames per second; during
   an input replay, the recorded value of the frame. */
OX_API double OxFrameRateControllerGetFrameRate(void);

/* The high-resolution clock in seconds, from an arbitrary origin; also stored
   through seconds when it is not null. Any thread may call it. */
OX_API double OxGetTime(double* seconds);

/* ---- Last error and diagnostics --------------------------------------- */

/* The reason of the most recent failure of an engine call, one line without
   a line break naming the call or file and why, for example
   "texture 'hero.png': no such file (or not a readable regular file)",
   "sound 'jump.wav': not a sound file (unknown format, empty or damaged)" or
   "OxGfxCreateFont called before OxSysInit"; for a failure that prints a
   message of its own, that message. An empty string when nothing has failed
   since the start or the last OxSysClearLastError; a later success does not
   clear it. Kept whether or not diagnostics are on, and at most 511 bytes
   (longer texts are cut). The text stays valid until the next engine call;
   copy it to keep it. May be called before OxSysInit and after OxSysExit. */
OX_API const char* OxSysGetLastError(void);
/* Empties the last error. */
OX_API void OxSysClearLastError(void);
/* Switches the diagnostic mode on (non-zero) or off (0) and returns the
   previous setting (0 at load). OxSysInit also switches it on when the
   environment variable OX_DIAGNOSTICS is "1". While on, failures that are
   otherwise silent and common mistakes that draw nothing print one line each
   on standard output, "Diagnostics: " and the cause: a texture, sound or
   music that does not load, a font that cannot be created, a call made
   before OxSysInit or after OxSysExit that does nothing, a mesh drawn or a
   colour set with no render mode, a draw in texture mode with transparency
   or multiply-colour alpha 0. The same line prints at most once a second
   (the last 64 different lines are remembered). While off nothing is
   printed and a draw pays one branch. May be called before OxSysInit; the
   setting lasts through OxSysExit. */
OX_API int OxSysSetDiagnostics(int on);

OX_EXTERN_C_END

/* The message pump: takes every pending window message without waiting,
   translates it and hands it to the window procedure. Exported with its
   parameter types encoded, as a C++ function. */
OX_API void OxSysUpdate();

#endif
