// Gamepad layer of the null backend: pads plugged in and out by the test,
// given slots as the SDL backend gives them to devices.
#include "platform/OxPlatformGamepad.h"
#include "platform/null/OxPlatformNull.h"

#include <string.h>

#include <map>

namespace {

struct PadState {
  bool started = false;
  int nextPad = 1;
  std::map<int, OxPlatformGamepadState> pads;  // by number, so the earliest first
  int slots[kOxPlatformGamepadSlots] = {};     // the pad in each slot; 0 for none
};

PadState gPads;

bool HasSlot(int pad)
{
  for (int slot : gPads.slots)
    if (slot == pad) return true;
  return false;
}

// Frees the slots of pads unplugged, then gives waiting pads the lowest free
// slots.
void RefreshSlots()
{
  for (int& slot : gPads.slots)
    if (slot && !gPads.pads.count(slot)) slot = 0;
  for (auto& entry : gPads.pads) {
    if (HasSlot(entry.first)) continue;
    int* free = nullptr;
    for (int& slot : gPads.slots)
      if (!slot) {
        free = &slot;
        break;
      }
    if (!free) return;
    *free = entry.first;
  }
}

}  // namespace

bool OxPlatformGamepadStart()
{
  gPads.started = true;
  return true;
}

void OxPlatformGamepadStop()
{
  gPads.started = false;
  memset(gPads.slots, 0, sizeof(gPads.slots));
}

void OxPlatformGamepadRead(OxPlatformGamepadState pads[kOxPlatformGamepadSlots])
{
  memset(pads, 0, sizeof(OxPlatformGamepadState) * kOxPlatformGamepadSlots);
  if (!gPads.started) return;
  RefreshSlots();
  for (int i = 0; i < kOxPlatformGamepadSlots; ++i) {
    if (!gPads.slots[i]) continue;
    pads[i] = gPads.pads[gPads.slots[i]];
    pads[i].connected = true;
  }
}

int OxNullPadAttach()
{
  int pad = gPads.nextPad++;
  gPads.pads[pad] = OxPlatformGamepadState{};
  return pad;
}

void OxNullPadSet(int pad, const OxPlatformGamepadState& state)
{
  auto found = gPads.pads.find(pad);
  if (found != gPads.pads.end()) found->second = state;
}

void OxNullPadDetach(int pad) { gPads.pads.erase(pad); }
