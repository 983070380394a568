// Gamepad layer on XInput: the four XInput user indices read with
// XInputGetState (through the hidden ordinal that also reports the guide
// button when the DLL has it), mapped to the standard layout. The DLL is
// loaded at the first start (xinput1_4, then 1_3, then 9_1_0), so a system
// without it just has no pads, and stays loaded until the process ends:
// XInput reads devices on a thread of its own, which an unloading DLL stops
// and waits for, and Wine's thread can still be running the DLL's code when
// the wait returns and the DLL is unmapped under it.
#include "platform/OxPlatformGamepad.h"

#include <windows.h>
#include <xinput.h>

#include <string.h>

// ---- Module state ----------------------------------------------------------

namespace {

typedef DWORD(WINAPI* GetStateFunction)(DWORD, XINPUT_STATE*);

// The guide button's bit in the state the hidden ordinal reports.
constexpr WORD kGuideButton = 0x0400;

struct State {
  bool started = false;
  int userIndex[kOxPlatformGamepadSlots] = {-1, -1, -1, -1};  // per slot, -1 when free
};

State gState;
// Found at the first start and kept: the DLL is never unloaded (see above).
GetStateFunction gGetState = nullptr;

// The XInput button behind each of the layer's button bits.
const WORD kButtons[kOxPadButtonCount] = {
    XINPUT_GAMEPAD_A,          XINPUT_GAMEPAD_B,
    XINPUT_GAMEPAD_X,          XINPUT_GAMEPAD_Y,
    XINPUT_GAMEPAD_LEFT_SHOULDER, XINPUT_GAMEPAD_RIGHT_SHOULDER,
    XINPUT_GAMEPAD_BACK,       XINPUT_GAMEPAD_START,
    kGuideButton,              XINPUT_GAMEPAD_LEFT_THUMB,
    XINPUT_GAMEPAD_RIGHT_THUMB, XINPUT_GAMEPAD_DPAD_UP,
    XINPUT_GAMEPAD_DPAD_DOWN,  XINPUT_GAMEPAD_DPAD_LEFT,
    XINPUT_GAMEPAD_DPAD_RIGHT,
};

// A stick reading from -32768..32767 to -1..1 (XInput's y already points
// up), scaled as the other backend scales it.
float Stick(SHORT value)
{
  float scaled = static_cast<float>(value) / 32767.0f;
  return scaled < -1.0f ? -1.0f : (scaled > 1.0f ? 1.0f : scaled);
}

// A trigger reading from 0..255 to 0..1.
float Trigger(BYTE value) { return static_cast<float>(value) / 255.0f; }

int SlotOf(int userIndex)
{
  for (int slot = 0; slot < kOxPlatformGamepadSlots; ++slot)
    if (gState.userIndex[slot] == userIndex) return slot;
  return -1;
}

}  // namespace

// ---- Functions -------------------------------------------------------------

bool OxPlatformGamepadStart()
{
  if (gState.started) return true;
  if (!gGetState) {
    const wchar_t* names[] = {L"xinput1_4.dll", L"xinput1_3.dll", L"xinput9_1_0.dll"};
    HMODULE module = nullptr;
    for (const wchar_t* name : names) {
      module = LoadLibraryW(name);
      if (module) break;
    }
    if (!module) return false;
    // Ordinal 100 is XInputGetState with the guide button; 9_1_0 lacks it.
    auto getState = reinterpret_cast<GetStateFunction>(
        reinterpret_cast<void*>(GetProcAddress(module, reinterpret_cast<LPCSTR>(100))));
    if (!getState)
      getState = reinterpret_cast<GetStateFunction>(
          reinterpret_cast<void*>(GetProcAddress(module, "XInputGetState")));
    // Without the call nothing of the DLL has run yet, so it can go.
    if (!getState) {
      FreeLibrary(module);
      return false;
    }
    gGetState = getState;
  }
  gState = State();
  gState.started = true;
  return true;
}

void OxPlatformGamepadStop() { gState = State(); }

void OxPlatformGamepadRead(OxPlatformGamepadState pads[kOxPlatformGamepadSlots])
{
  memset(pads, 0, sizeof(OxPlatformGamepadState) * kOxPlatformGamepadSlots);
  if (!gState.started) return;
  XINPUT_STATE states[XUSER_MAX_COUNT];
  bool connected[XUSER_MAX_COUNT];
  for (DWORD user = 0; user < XUSER_MAX_COUNT; ++user) {
    memset(&states[user], 0, sizeof(XINPUT_STATE));
    connected[user] = gGetState(user, &states[user]) == ERROR_SUCCESS;
  }
  // Pads that went away free their slots; pads that arrived take the lowest
  // free ones.
  for (int& index : gState.userIndex)
    if (index >= 0 && !connected[index]) index = -1;
  for (int user = 0; user < static_cast<int>(XUSER_MAX_COUNT); ++user) {
    if (!connected[user] || SlotOf(user) >= 0) continue;
    for (int& index : gState.userIndex)
      if (index < 0) {
        index = user;
        break;
      }
  }
  for (int slot = 0; slot < kOxPlatformGamepadSlots; ++slot) {
    int user = gState.userIndex[slot];
    if (user < 0) continue;
    const XINPUT_GAMEPAD& in = states[user].Gamepad;
    OxPlatformGamepadState& pad = pads[slot];
    pad.connected = true;
    for (int button = 0; button < kOxPadButtonCount; ++button)
      if (in.wButtons & kButtons[button]) pad.buttons |= 1u << button;
    pad.axes[kOxPadLeftX] = Stick(in.sThumbLX);
    pad.axes[kOxPadLeftY] = Stick(in.sThumbLY);
    pad.axes[kOxPadRightX] = Stick(in.sThumbRX);
    pad.axes[kOxPadRightY] = Stick(in.sThumbRY);
    pad.axes[kOxPadLeftTrigger] = Trigger(in.bLeftTrigger);
    pad.axes[kOxPadRightTrigger] = Trigger(in.bRightTrigger);
  }
}
