/* Oxlen Engine input: keyboard and mouse-button snapshots of this frame and
   the previous one, the cursor in window pixels, and the cursor's visibility.
   Keys are virtual-key codes (VK_* in OxPlatform.h; letters and digits by
   their upper-case characters). Every function belongs to the game's thread. */
#ifndef OX_INPUT_H
#define OX_INPUT_H

#include "OxExport.h"

OX_EXTERN_C_BEGIN

/* Starts input; always 1. */
OX_API int OxInputInit(void);
/* Clears both snapshots, the stored cursor position and its delta, and drops
   the taps, wheel turns and characters gathered since the last snapshot. */
OX_API void OxInputReset(void);
/* Takes the frame's snapshot: the current keys become the previous ones, the
   keys as of the messages already pumped become current, and the cursor is
   read from the pointer and converted to client pixels (delta = new - old). */
OX_API void OxInputUpdate(void);
/* Stops input; holds nothing to release. */
OX_API void OxInputExit(void);

/* 1 when the key is down in this frame's snapshot (what the keyboard said
   when it was taken; a tap caught by the tap latch does not change it). */
OX_API unsigned char OxInputCheckCurr(unsigned char key);
/* 1 when the key was down in the previous frame's snapshot (likewise). */
OX_API unsigned char OxInputCheckPrev(unsigned char key);
/* 1 when the key is down now and was up in the previous snapshot, or, with
   the tap latch on, when it was tapped just before this snapshot. */
OX_API unsigned char OxInputCheckTriggered(unsigned char key);
/* 1 when the key is up now and was down in the previous snapshot, or, with
   the tap latch on, when it was tapped just before the previous snapshot. */
OX_API unsigned char OxInputCheckReleased(unsigned char key);

/* Sets the tap latch: on (non-zero) or off (0, the default). Returns the
   setting before the call, 0 or 1. A tap is a key or mouse button pressed
   and let go between two snapshots, up in both. With the latch off it is
   never seen. With it on, the snapshot that follows the tap reports it as
   triggered and the next one as released, while OxInputCheckCurr and
   OxInputCheckPrev keep answering what the keyboard said (0 for the tapped
   key), so a triggered key may read 0 in OxInputCheckCurr. Should the key
   be pressed again and held by the next snapshot, that snapshot reports it
   triggered (the new press) and released (the tap) at once. A press that
   starts and ends between two snapshots while the key was down in the first
   is still not seen. May be called at any time, before OxSysInit too; the
   setting outlives OxSysExit. Replays report the taps recorded, whatever
   the setting. */
OX_API int OxInputSetTapLatch(int on);

/* The mouse wheel's turns gathered for this snapshot, in WHEEL_DELTA units
   (120 per notch; finer wheels may give less): positive when turned away
   from the user. 0 when it did not turn. */
OX_API int OxInputGetWheelDelta(void);
/* The horizontal wheel's (or tilted wheel's) turns likewise: positive to
   the right. */
OX_API int OxInputGetWheelDeltaHorizontal(void);

/* The most bytes OxInputGetTypedText holds, its terminator included. */
#define OX_INPUT_TYPED_TEXT_MAX 256

/* The characters typed for this snapshot as UTF-8, in the order typed and
   NUL-terminated; "" when none. Characters only: control characters
   (Backspace, Tab, Enter, Escape, Ctrl+letter...) are left out, read those
   as keys. At most OX_INPUT_TYPED_TEXT_MAX - 1 bytes: a character that
   would not fit whole is dropped, with every character typed after it for
   the same snapshot. The pointer stays valid, and the text unchanged, until
   the next OxInputUpdate, OxInputReset or OxInputExit. */
OX_API const char* OxInputGetTypedText(void);

/* The cursor in the game's window pixels (origin at the client area's top
   left, y down), divided by the full-screen scale factors; unclamped, so it
   may lie outside the window. Not checked: x and y must be valid pointers. */
OX_API void OxInputGetCursorPosition(int* x, int* y);
/* The cursor's move since the previous snapshot, divided like the position.
   Not checked: dx and dy must be valid pointers. */
OX_API void OxInputGetCursorPositionDelta(int* dx, int* dy);
/* Non-zero shows the cursor, zero hides it, whatever calls came before. */
OX_API void OxInputShowCursor(int show);

/* ---- Gamepads ---------------------------------------------------------------

   Up to OX_INPUT_GAMEPAD_MAX pads in the standard layout, read in the same
   snapshot as the keys (OxInputUpdate). A pad that arrives takes the lowest
   free slot, 0 to OX_INPUT_GAMEPAD_MAX - 1, and keeps it until it goes away;
   further pads wait for a free slot. Slots are not renumbered when a pad
   leaves, so loop over every slot rather than up to the count. A pad that
   goes away reads as all released, so the buttons it had held are released
   in the next snapshot. Invalid slot, button or axis numbers answer 0. */

#define OX_INPUT_GAMEPAD_MAX 4

/* Buttons, passed as 32-bit ints. The two trigger buttons are held while
   their trigger is pressed at least half way. */
typedef enum OxInputGamepadButton {
  OxInputGamepadButtonA = 0,             /* bottom face button */
  OxInputGamepadButtonB = 1,             /* right face button */
  OxInputGamepadButtonX = 2,             /* left face button */
  OxInputGamepadButtonY = 3,             /* top face button */
  OxInputGamepadButtonLeftShoulder = 4,
  OxInputGamepadButtonRightShoulder = 5,
  OxInputGamepadButtonBack = 6,
  OxInputGamepadButtonStart = 7,
  OxInputGamepadButtonGuide = 8,
  OxInputGamepadButtonLeftStick = 9,     /* left stick pressed in */
  OxInputGamepadButtonRightStick = 10,   /* right stick pressed in */
  OxInputGamepadButtonDPadUp = 11,
  OxInputGamepadButtonDPadDown = 12,
  OxInputGamepadButtonDPadLeft = 13,
  OxInputGamepadButtonDPadRight = 14,
  OxInputGamepadButtonLeftTrigger = 15,
  OxInputGamepadButtonRightTrigger = 16,
  OxInputGamepadButtonCount = 17
} OxInputGamepadButton;

/* Axes, passed as 32-bit ints. Sticks read -1 to 1 with x to the right and
   y up; triggers read 0 (released) to 1 (fully pressed). */
typedef enum OxInputGamepadAxis {
  OxInputGamepadAxisLeftX = 0,
  OxInputGamepadAxisLeftY = 1,
  OxInputGamepadAxisRightX = 2,
  OxInputGamepadAxisRightY = 3,
  OxInputGamepadAxisLeftTrigger = 4,
  OxInputGamepadAxisRightTrigger = 5,
  OxInputGamepadAxisCount = 6
} OxInputGamepadAxis;

/* How many pads this frame's snapshot holds, 0 to OX_INPUT_GAMEPAD_MAX. */
OX_API int OxInputGamepadGetCount(void);
/* 1 when the slot holds a pad in this frame's snapshot. */
OX_API int OxInputGamepadIsConnected(int pad);
/* 1 when the button is held in this frame's snapshot. */
OX_API int OxInputGamepadCheckCurr(int pad, int button);
/* 1 when the button was held in the previous frame's snapshot. */
OX_API int OxInputGamepadCheckPrev(int pad, int button);
/* 1 when the button is held now and was not in the previous snapshot. */
OX_API int OxInputGamepadCheckTriggered(int pad, int button);
/* 1 when the button is not held now and was in the previous snapshot. */
OX_API int OxInputGamepadCheckReleased(int pad, int button);
/* The axis in this frame's snapshot with the dead zone applied: a stick
   whose distance from the centre is within the dead zone reads (0, 0), and
   beyond it the distance is rescaled so the readings grow from 0 at the edge
   of the dead zone to 1 at full tilt, keeping the direction (the pair never
   leaves the unit circle); a trigger within the dead zone reads 0 and is
   rescaled the same way beyond it. 0 for an empty slot. */
OX_API float OxInputGamepadGetAxis(int pad, int axis);
/* Sets the dead zone of every stick and trigger, from 0 (none) up to but not
   including 1; 0.25 at load. Returns 1, or 0 with "Input: gamepad dead zone
   %g is not from 0 to below 1\n" for any other value (NaN included), leaving
   the dead zone as it was. */
OX_API int OxInputGamepadSetDeadZone(float deadZone);
/* The dead zone in effect. */
OX_API float OxInputGamepadGetDeadZone(void);

/* ---- Recording and replay ----------------------------------------------------

   A recording holds, for every frame, what the input queries report to the
   game (keys and mouse buttons with their taps, cursor position and delta,
   wheel turns, typed characters, gamepads, the
   focus flag of OxSysIsFocus) and the frame time and frame rate that the
   frame-rate controller reports. Replaying it makes all of those answer the
   recorded values frame by frame, whatever the real devices do, and the
   frame limiter stops waiting, so a replay runs as fast as the game draws
   (vertical synchronisation, when on, still paces the buffer swap). A game
   that starts replaying from the state it started recording from, and
   depends on nothing else, goes through the same states. The file format is
   in docs/recording.md. Recording and replay exclude each other. */

/* Starts recording to path (created, or emptied when it exists): the frames
   are written from the next OxInputUpdate on, each one as it is taken.
   Returns 1; returns 0 with one line, recording nothing, when a recording is
   already under way ("Input: already recording\n"), a replay is
   ("Input: cannot record during a replay\n") or the file cannot be created
   ("Input: cannot record to %s\n"; also for a null path, a directory, a
   device or a FIFO). Should a write fail later (a full disk), one line
   "Input: writing the recording %s failed; recording stopped\n" is printed
   and recording ends: the frames written before replay. */
OX_API int OxInputRecordStart(const char* path);
/* Ends the recording and completes its file. Returns 1 when a recording was
   under way and its file is complete; 0 when none was (a harmless call, no
   message), or with "Input: writing the recording %s failed\n" when the
   file could not be completed. OxInputExit (OxSysExit) ends a recording the
   game left running. */
OX_API int OxInputRecordStop(void);
/* 1 while a recording is under way. */
OX_API int OxInputIsRecording(void);
/* Starts replaying the recording at path from the next OxInputUpdate on.
   The whole file is checked first. Returns 1 for a complete recording.
   Returns 0 with one line and replays nothing when a replay is already under
   way ("Input: already replaying\n"), a recording is ("Input: cannot replay
   during a recording\n"), the file cannot be opened ("Input: cannot open
   the recording %s\n"; also for a null path, a directory, a device or a
   FIFO), is not a recording ("Input: %s is not an input recording\n") or
   comes from a newer engine ("Input: %s is a version %u recording; this
   engine reads version 2\n"; version 1 and 2 files both replay). A
   recording cut short or damaged returns 0 with "Input: the recording %s
   ends early; replaying its %u complete frames\n" and still replays the
   frames before the damage; with none it
   prints "Input: the recording %s ends early, before its first frame\n"
   and replays nothing. Should the file change during the replay so that a
   frame no longer reads, "Input: the recording %s could not be read; replay
   stopped\n" is printed and the replay ends there. */
OX_API int OxInputReplayStart(const char* path);
/* Ends a replay early: from the next OxInputUpdate the devices are read
   again and the frame limiter waits again. Returns 1 when a replay was
   under way, 0 (a harmless call, no message) when none was. */
OX_API int OxInputReplayStop(void);
/* 1 from a successful OxInputReplayStart until the first OxInputUpdate that
   finds the recording exhausted (or OxInputReplayStop): after OxSysFrameStart
   it says whether this frame's input came from the recording. */
OX_API int OxInputIsReplaying(void);

OX_EXTERN_C_END

#endif
