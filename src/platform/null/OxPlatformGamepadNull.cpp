// Gamepad layer of the null backend: the slots read what the test set.
#include "platform/OxPlatformGamepad.h"
#include "platform/null/OxPlatformNull.h"

#include <string.h>

namespace {

struct PadState {
  bool started = false;
  OxPlatformGamepadState slots[kOxPlatformGamepadSlots] = {};
};

PadState gPads;

}  // namespace

bool OxPlatformGamepadStart()
{
  gPads.started = true;
  return true;
}

void OxPlatformGamepadStop() { gPads.started = false; }

void OxPlatformGamepadRead(OxPlatformGamepadState pads[kOxPlatformGamepadSlots])
{
  if (gPads.started)
    memcpy(pads, gPads.slots, sizeof(gPads.slots));
  else
    memset(pads, 0, sizeof(gPads.slots));
}

void OxNullSetPad(int slot, const OxPlatformGamepadState& state)
{
  if (slot < 0 || slot >= kOxPlatformGamepadSlots) return;
  gPads.slots[slot] = state.connected ? state : OxPlatformGamepadState{};
}
