// Input: keyboard, mouse-button and gamepad snapshots of this frame and the
// previous one (with the taps, wheel turns and typed text gathered between
// them), and the cursor in client pixels; during a replay the
// snapshots come from the recording instead. Leans on the window-system and
// gamepad layers, and on the window state for the window, the focus flag,
// the full-screen scale factors and the frame clock (whose replay it
// switches).
#include "OxInput.h"

#include <math.h>
#include <stdio.h>
#include <string.h>

#include "input/OxInputInternal.h"
#include "platform/OxPlatformGamepad.h"
#include "platform/OxPlatformWindow.h"
#include "text/OxUtf8.h"
#include "window/OxWindowState.h"

// ---- Module state ----------------------------------------------------------

namespace {

// The platform's buttons keep their numbers in the public layout, which adds
// the two trigger buttons after them.
static_assert(int(kOxPadDPadRight) == int(OxInputGamepadButtonDPadRight), "pad button numbers");
static_assert(int(kOxPadButtonCount) == int(OxInputGamepadButtonLeftTrigger), "pad button numbers");
static_assert(int(kOxPadAxisCount) == int(OxInputGamepadAxisCount), "pad axis numbers");
static_assert(kOxPlatformGamepadSlots == OX_INPUT_GAMEPAD_MAX, "pad slots");

// How far a trigger must be pressed for its button to be held.
const float kTriggerButtonThreshold = 0.5f;

struct State {
  // The snapshots the queries answer from. Live, their cursor fields are
  // unused (the cursor below is divided when asked); replayed, they hold
  // everything as recorded.
  OxInputFrame current = {};
  OxInputFrame previous = {};
  bool currentReplayed = false;
  // The cursor in client pixels from the live queries, and its last move.
  int cursorX = 0, cursorY = 0;
  int deltaX = 0, deltaY = 0;
  float deadZone = 0.25f;
  // A setting of the game's: it outlives OxSysExit.
  bool tapLatch = false;
};

State gState;

// A cursor component in the game's window pixels: single-precision division
// by the scale factor, truncated toward zero.
int Unscale(int value, float factor)
{
  return static_cast<int>(static_cast<float>(value) / factor);
}

bool Bit(const unsigned char* bits, unsigned char key) { return (bits[key >> 3] >> (key & 7)) & 1; }

bool KeyDown(const OxInputFrame& frame, unsigned char key) { return Bit(frame.keys, key); }

bool Tapped(const OxInputFrame& frame, unsigned char key) { return Bit(frame.taps, key); }

// Appends a code point to text as UTF-8. Control characters and values that
// are no character are left out; false when the character does not fit
// whole, which ends the frame's text.
bool AppendCharacter(char* text, size_t* length, unsigned int code)
{
  unsigned char bytes[4];
  unsigned int count = OxInputIsTypedCharacter(code) ? OxUtf8Encode(code, bytes) : 0;
  if (count == 0) return true;
  if (*length + count >= OX_INPUT_TYPED_TEXT_MAX) return false;
  memcpy(text + *length, bytes, count);
  *length += count;
  text[*length] = '\0';
  return true;
}

// What the platform gathered since the last snapshot into frame: the taps
// (keys that went down but are up now and were up in the previous snapshot,
// when the latch is on), the wheel and the typed text. Taken every frame, so
// nothing gathered during a replay reaches the frames after it.
void ReadEvents(OxInputFrame* frame, const OxInputFrame& previous)
{
  OxPlatformInputEvents events;
  OxPlatformTakeInputEvents(&events);
  for (int i = 0; i < 32; ++i)
    frame->taps[i] =
        gState.tapLatch
            ? static_cast<unsigned char>(events.pressed[i] & ~frame->keys[i] & ~previous.keys[i])
            : 0;
  frame->wheelY = events.wheelY;
  frame->wheelX = events.wheelX;
  frame->text[0] = '\0';
  size_t length = 0;
  for (int i = 0; i < events.typedCount; ++i)
    if (!AppendCharacter(frame->text, &length, events.typed[i])) break;
}

// Empties what a snapshot holds beyond the keys, pads and cursor.
void ClearEvents(OxInputFrame* frame)
{
  memset(frame->taps, 0, sizeof(frame->taps));
  frame->wheelY = frame->wheelX = 0;
  frame->text[0] = '\0';
}

// The slot's pad, or null for a slot number out of range.
const OxInputPad* Pad(const OxInputFrame& frame, int pad)
{
  if (pad < 0 || pad >= OX_INPUT_GAMEPAD_MAX) return nullptr;
  return &frame.pads[pad];
}

bool ButtonDown(const OxInputFrame& frame, int pad, int button)
{
  const OxInputPad* slot = Pad(frame, pad);
  if (!slot || button < 0 || button >= OxInputGamepadButtonCount) return false;
  return (slot->buttons >> button) & 1;
}

// The live devices into the current snapshot: keys packed to one bit each,
// pads with the trigger buttons added.
void ReadDevices(OxInputFrame* frame)
{
  unsigned char keys[256];
  OxPlatformGetKeyboardState(keys);
  memset(frame->keys, 0, sizeof(frame->keys));
  for (int key = 0; key < 256; ++key)
    if (keys[key] & 0x80) frame->keys[key >> 3] |= static_cast<unsigned char>(1 << (key & 7));

  OxPlatformGamepadState pads[kOxPlatformGamepadSlots];
  OxPlatformGamepadRead(pads);
  for (int i = 0; i < OX_INPUT_GAMEPAD_MAX; ++i) {
    OxInputPad& pad = frame->pads[i];
    pad.connected = pads[i].connected;
    pad.buttons = pads[i].buttons;
    memcpy(pad.axes, pads[i].axes, sizeof(pad.axes));
    if (pad.axes[OxInputGamepadAxisLeftTrigger] >= kTriggerButtonThreshold)
      pad.buttons |= 1u << OxInputGamepadButtonLeftTrigger;
    if (pad.axes[OxInputGamepadAxisRightTrigger] >= kTriggerButtonThreshold)
      pad.buttons |= 1u << OxInputGamepadButtonRightTrigger;
  }
}

// A reading from 0 to 1 past the dead zone: 0 at its edge, 1 at full scale.
double BeyondDeadZone(double magnitude, double deadZone)
{
  if (magnitude <= deadZone) return 0.0;
  double scaled = (magnitude - deadZone) / (1.0 - deadZone);
  return scaled > 1.0 ? 1.0 : scaled;
}

}  // namespace

// ---- Functions -------------------------------------------------------------

int OxInputInit(void)
{
  // Without a gamepad service every slot simply stays empty.
  OxPlatformGamepadStart();
  return 1;
}

void OxInputReset(void)
{
  memset(gState.current.keys, 0, sizeof(gState.current.keys));
  memset(gState.previous.keys, 0, sizeof(gState.previous.keys));
  for (int i = 0; i < OX_INPUT_GAMEPAD_MAX; ++i) {
    gState.current.pads[i] = OxInputPad();
    gState.previous.pads[i] = OxInputPad();
  }
  gState.current.cursorX = gState.current.cursorY = 0;
  gState.current.deltaX = gState.current.deltaY = 0;
  gState.cursorX = gState.cursorY = 0;
  gState.deltaX = gState.deltaY = 0;
  ClearEvents(&gState.current);
  ClearEvents(&gState.previous);
  OxPlatformInputEvents dropped;
  OxPlatformTakeInputEvents(&dropped);
}

void OxInputUpdate(void)
{
  gState.previous = gState.current;
  // The devices are read during a replay too, so that the cursor delta and
  // the pads' slots carry on sensibly when it ends.
  OxInputFrame live = gState.current;
  ReadDevices(&live);
  ReadEvents(&live, gState.previous);
  POINT point = {0, 0};
  OxPlatformGetCursorPos(&point);
  OxPlatformScreenToClient(OxWindowHandle(), &point);
  // Unsigned arithmetic wraps like the 32-bit subtraction it stands for.
  gState.deltaX = static_cast<int>(static_cast<unsigned int>(point.x) - static_cast<unsigned int>(gState.cursorX));
  gState.deltaY = static_cast<int>(static_cast<unsigned int>(point.y) - static_cast<unsigned int>(gState.cursorY));
  gState.cursorX = point.x;
  gState.cursorY = point.y;

  OxInputFrame recorded;
  if (OxInputReplayNextFrame(&gState.previous, &recorded)) {
    gState.current = recorded;
    gState.currentReplayed = true;
    OxWindowSetReplay(true, recorded.frameTime, recorded.frameRate);
    return;
  }
  if (gState.currentReplayed) OxWindowSetReplay(false, 0.0, 0.0);
  gState.currentReplayed = false;
  gState.current = live;
  if (OxInputIsRecording()) {
    OxInputFrame& frame = gState.current;
    frame.frameTime = OxWindowFrameTime();
    frame.frameRate = OxWindowFrameRate();
    OxInputGetCursorPosition(&frame.cursorX, &frame.cursorY);
    OxInputGetCursorPositionDelta(&frame.deltaX, &frame.deltaY);
    frame.focus = OxWindowFocus();
    OxInputRecordFrame(gState.previous, frame);
  }
}

void OxInputExit(void)
{
  OxInputRecordingsClose();
  if (gState.currentReplayed) OxWindowSetReplay(false, 0.0, 0.0);
  gState.currentReplayed = false;
  OxPlatformGamepadStop();
  // After exit the queries answer as before OxSysInit: no key or button
  // held, no pad connected, the cursor at rest. The dead zone is a setting
  // of the game's and stays.
  OxInputReset();
}

int OxInputReportedFocus(int liveFocus)
{
  return gState.currentReplayed ? gState.current.focus : liveFocus;
}

// ---- Keyboard and mouse ------------------------------------------------------

unsigned char OxInputCheckCurr(unsigned char key) { return KeyDown(gState.current, key) ? 1 : 0; }

unsigned char OxInputCheckPrev(unsigned char key) { return KeyDown(gState.previous, key) ? 1 : 0; }

unsigned char OxInputCheckTriggered(unsigned char key)
{
  const OxInputFrame& current = gState.current;
  return (KeyDown(current, key) && !KeyDown(gState.previous, key)) || Tapped(current, key) ? 1 : 0;
}

unsigned char OxInputCheckReleased(unsigned char key)
{
  const OxInputFrame& previous = gState.previous;
  return (KeyDown(previous, key) && !KeyDown(gState.current, key)) || Tapped(previous, key) ? 1 : 0;
}

int OxInputSetTapLatch(int on)
{
  int before = gState.tapLatch ? 1 : 0;
  gState.tapLatch = on != 0;
  return before;
}

int OxInputGetWheelDelta(void) { return gState.current.wheelY; }

int OxInputGetWheelDeltaHorizontal(void) { return gState.current.wheelX; }

const char* OxInputGetTypedText(void) { return gState.current.text; }

void OxInputGetCursorPosition(int* x, int* y)
{
  if (gState.currentReplayed) {
    *x = gState.current.cursorX;
    *y = gState.current.cursorY;
    return;
  }
  *x = Unscale(gState.cursorX, OxWindowFullScreenScaleX());
  *y = Unscale(gState.cursorY, OxWindowFullScreenScaleY());
}

void OxInputGetCursorPositionDelta(int* dx, int* dy)
{
  if (gState.currentReplayed) {
    *dx = gState.current.deltaX;
    *dy = gState.current.deltaY;
    return;
  }
  *dx = Unscale(gState.deltaX, OxWindowFullScreenScaleX());
  *dy = Unscale(gState.deltaY, OxWindowFullScreenScaleY());
}

void OxInputShowCursor(int show)
{
  if (show) {
    while (OxPlatformShowCursor(true) < 0) {
    }
  } else {
    while (OxPlatformShowCursor(false) >= 0) {
    }
  }
}

// ---- Gamepads ----------------------------------------------------------------

int OxInputGamepadGetCount(void)
{
  int count = 0;
  for (const OxInputPad& pad : gState.current.pads) count += pad.connected ? 1 : 0;
  return count;
}

int OxInputGamepadIsConnected(int pad)
{
  const OxInputPad* slot = Pad(gState.current, pad);
  return slot && slot->connected ? 1 : 0;
}

int OxInputGamepadCheckCurr(int pad, int button)
{
  return ButtonDown(gState.current, pad, button) ? 1 : 0;
}

int OxInputGamepadCheckPrev(int pad, int button)
{
  return ButtonDown(gState.previous, pad, button) ? 1 : 0;
}

int OxInputGamepadCheckTriggered(int pad, int button)
{
  return ButtonDown(gState.current, pad, button) && !ButtonDown(gState.previous, pad, button) ? 1 : 0;
}

int OxInputGamepadCheckReleased(int pad, int button)
{
  return ButtonDown(gState.previous, pad, button) && !ButtonDown(gState.current, pad, button) ? 1 : 0;
}

float OxInputGamepadGetAxis(int pad, int axis)
{
  const OxInputPad* slot = Pad(gState.current, pad);
  if (!slot || !slot->connected || axis < 0 || axis >= OxInputGamepadAxisCount) return 0.0f;
  double deadZone = gState.deadZone;
  if (axis == OxInputGamepadAxisLeftTrigger || axis == OxInputGamepadAxisRightTrigger)
    return static_cast<float>(BeyondDeadZone(slot->axes[axis], deadZone));
  // The stick's two axes together: the dead zone is a circle around the
  // centre, and the direction is kept.
  int first = axis & ~1;
  double x = slot->axes[first];
  double y = slot->axes[first + 1];
  double magnitude = sqrt(x * x + y * y);
  double scale = BeyondDeadZone(magnitude, deadZone);
  if (scale == 0.0) return 0.0f;
  return static_cast<float>(slot->axes[axis] * scale / magnitude);
}

int OxInputGamepadSetDeadZone(float deadZone)
{
  if (!(deadZone >= 0.0f && deadZone < 1.0f)) {
    printf("Input: gamepad dead zone %g is not from 0 to below 1\n", static_cast<double>(deadZone));
    return 0;
  }
  gState.deadZone = deadZone;
  return 1;
}

float OxInputGamepadGetDeadZone(void) { return gState.deadZone; }
