// Gamepad layer: up to four pads in the standard layout (face buttons,
// shoulders, triggers, two sticks with clicks, d-pad, start, back, guide),
// read once per call. Implemented once per backend.
#pragma once
#include <stdint.h>

// Pads read at once; further pads wait until a slot is free.
constexpr int kOxPlatformGamepadSlots = 4;

// Button bits of OxPlatformGamepadState::buttons.
enum OxPlatformGamepadButton {
  kOxPadA = 0,
  kOxPadB,
  kOxPadX,
  kOxPadY,
  kOxPadLeftShoulder,
  kOxPadRightShoulder,
  kOxPadBack,
  kOxPadStart,
  kOxPadGuide,
  kOxPadLeftStick,
  kOxPadRightStick,
  kOxPadDPadUp,
  kOxPadDPadDown,
  kOxPadDPadLeft,
  kOxPadDPadRight,
  kOxPadButtonCount
};

// Indices of OxPlatformGamepadState::axes.
enum OxPlatformGamepadAxis {
  kOxPadLeftX = 0,
  kOxPadLeftY,
  kOxPadRightX,
  kOxPadRightY,
  kOxPadLeftTrigger,
  kOxPadRightTrigger,
  kOxPadAxisCount
};

// One slot as read: sticks from -1 to 1 (x right, y up), triggers from 0
// (released) to 1 (fully pressed), no dead zone; all zero when no pad.
struct OxPlatformGamepadState {
  bool connected;
  uint32_t buttons;  // bit kOxPad... set while held
  float axes[kOxPadAxisCount];
};

// Starts the gamepad service; false when the platform offers none (every
// read then reports no pad). Harmless when already started.
bool OxPlatformGamepadStart();
// Closes every pad and stops the service; harmless when not started.
void OxPlatformGamepadStop();
// Reads every slot. A pad that arrived since the last read takes the lowest
// free slot and keeps it until it goes away; a pad that went away frees its
// slot. Reads nothing (every slot empty) when the service is not started.
void OxPlatformGamepadRead(OxPlatformGamepadState pads[kOxPlatformGamepadSlots]);
