// Input-family internals shared by its source files: one frame as the game
// is told it, and the recorder and player that write and read such frames.
#pragma once
#include <stdint.h>

#include "OxInput.h"

// One gamepad slot as the game is told it.
struct OxInputPad {
  bool connected;
  uint32_t buttons;                     // bit per OxInputGamepadButton
  float axes[OxInputGamepadAxisCount];  // before the dead zone
};

// What the input queries, OxSysIsFocus and the frame-rate controller's
// getters report during one frame.
struct OxInputFrame {
  double frameTime;
  double frameRate;
  int cursorX, cursorY;  // game-window pixels, already divided by the
  int deltaX, deltaY;    // full-screen scale factors
  int focus;
  unsigned char keys[32];  // key k down: bit k % 8 of byte k / 8
  unsigned char taps[32];  // key k tapped just before this snapshot, likewise
  OxInputPad pads[OX_INPUT_GAMEPAD_MAX];
  int wheelY, wheelX;                  // WHEEL_DELTA units
  char text[OX_INPUT_TYPED_TEXT_MAX];  // UTF-8, NUL-terminated
};

// Whether a codepoint belongs in typed text: any character but the C0 and
// C1 controls and DEL (Enter, Backspace and the like are read as keys).
inline bool OxInputIsTypedCharacter(unsigned int code)
{
  return code >= 0x20 && !(code >= 0x7F && code < 0xA0);
}

// Writes the frame just taken when a recording is under way. previous is
// the snapshot the frame's previous-frame queries answer from; only its
// keys, taps and pads are used, and only before the first frame.
void OxInputRecordFrame(const OxInputFrame& previous, const OxInputFrame& frame);
// During a replay, reads the next recorded frame into frame (and, for the
// first one, the recorded previous snapshot's keys, taps and pads into
// previous)
// and returns true. Returns false when no replay is under way, or when the
// recording is exhausted, which ends the replay.
bool OxInputReplayNextFrame(OxInputFrame* previous, OxInputFrame* frame);
// Ends any recording (completing its file) and any replay.
void OxInputRecordingsClose();
// The focus flag the game is told: the recorded one during a replay.
int OxInputReportedFocus(int liveFocus);
