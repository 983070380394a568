// Gamepad layer on SDL2's game-controller support: pads found through its
// joystick enumeration and mapped to the standard layout by its built-in
// mapping database (plus any mappings the user gives SDL).
#include "platform/OxPlatformGamepad.h"

#include <SDL2/SDL.h>

#include <string.h>

// ---- Module state ----------------------------------------------------------

namespace {

struct Slot {
  SDL_GameController* controller = nullptr;
  SDL_JoystickID id = -1;
};

struct State {
  bool started = false;
  Slot slots[kOxPlatformGamepadSlots];
};

State gState;

void QuietLog(void*, int, SDL_LogPriority, const char*) {}

// The SDL button behind each of the layer's button bits.
const SDL_GameControllerButton kButtons[kOxPadButtonCount] = {
    SDL_CONTROLLER_BUTTON_A,          SDL_CONTROLLER_BUTTON_B,
    SDL_CONTROLLER_BUTTON_X,          SDL_CONTROLLER_BUTTON_Y,
    SDL_CONTROLLER_BUTTON_LEFTSHOULDER, SDL_CONTROLLER_BUTTON_RIGHTSHOULDER,
    SDL_CONTROLLER_BUTTON_BACK,       SDL_CONTROLLER_BUTTON_START,
    SDL_CONTROLLER_BUTTON_GUIDE,      SDL_CONTROLLER_BUTTON_LEFTSTICK,
    SDL_CONTROLLER_BUTTON_RIGHTSTICK, SDL_CONTROLLER_BUTTON_DPAD_UP,
    SDL_CONTROLLER_BUTTON_DPAD_DOWN,  SDL_CONTROLLER_BUTTON_DPAD_LEFT,
    SDL_CONTROLLER_BUTTON_DPAD_RIGHT,
};

// A stick reading from -32768..32767 to -1..1; flip turns SDL's y-down
// into the layer's y-up.
float Stick(Sint16 value, bool flip)
{
  float scaled = static_cast<float>(value) / 32767.0f;
  if (flip) scaled = -scaled;
  return scaled < -1.0f ? -1.0f : (scaled > 1.0f ? 1.0f : scaled);
}

// A trigger reading from 0..32767 to 0..1.
float Trigger(Sint16 value) { return value <= 0 ? 0.0f : static_cast<float>(value) / 32767.0f; }

bool IsOpen(SDL_JoystickID id)
{
  for (const Slot& slot : gState.slots)
    if (slot.controller && slot.id == id) return true;
  return false;
}

// Frees the slots of pads that went away, then gives newly attached pads the
// lowest free slots.
void RefreshSlots()
{
  for (Slot& slot : gState.slots) {
    if (slot.controller && !SDL_GameControllerGetAttached(slot.controller)) {
      SDL_GameControllerClose(slot.controller);
      slot = Slot();
    }
  }
  int count = SDL_NumJoysticks();
  for (int index = 0; index < count; ++index) {
    if (!SDL_IsGameController(index)) continue;
    SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(index);
    if (id < 0 || IsOpen(id)) continue;
    Slot* free = nullptr;
    for (Slot& slot : gState.slots)
      if (!slot.controller) { free = &slot; break; }
    if (!free) return;
    SDL_GameController* controller = SDL_GameControllerOpen(index);
    if (!controller) continue;
    free->controller = controller;
    free->id = id;
  }
}

}  // namespace

// ---- Functions -------------------------------------------------------------

bool OxPlatformGamepadStart()
{
  if (gState.started) return true;
  SDL_LogSetOutputFunction(QuietLog, nullptr);
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  // Pads are read whether or not the window has the keyboard focus, as the
  // game's own focus flag is there for games that want to pause.
  SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
  gState.started = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
  return gState.started;
}

void OxPlatformGamepadStop()
{
  if (!gState.started) return;
  for (Slot& slot : gState.slots) {
    if (slot.controller) SDL_GameControllerClose(slot.controller);
    slot = Slot();
  }
  SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
  gState.started = false;
}

void OxPlatformGamepadRead(OxPlatformGamepadState pads[kOxPlatformGamepadSlots])
{
  memset(pads, 0, sizeof(OxPlatformGamepadState) * kOxPlatformGamepadSlots);
  if (!gState.started) return;
  // Takes what the devices reported since the last read, arrivals and
  // removals included, without waiting for the window's event pump.
  SDL_GameControllerUpdate();
  RefreshSlots();
  for (int i = 0; i < kOxPlatformGamepadSlots; ++i) {
    SDL_GameController* controller = gState.slots[i].controller;
    if (!controller) continue;
    OxPlatformGamepadState& pad = pads[i];
    pad.connected = true;
    for (int button = 0; button < kOxPadButtonCount; ++button)
      if (SDL_GameControllerGetButton(controller, kButtons[button]))
        pad.buttons |= 1u << button;
    pad.axes[kOxPadLeftX] = Stick(SDL_GameControllerGetAxis(controller, SDL_CONTROLLER_AXIS_LEFTX), false);
    pad.axes[kOxPadLeftY] = Stick(SDL_GameControllerGetAxis(controller, SDL_CONTROLLER_AXIS_LEFTY), true);
    pad.axes[kOxPadRightX] = Stick(SDL_GameControllerGetAxis(controller, SDL_CONTROLLER_AXIS_RIGHTX), false);
    pad.axes[kOxPadRightY] = Stick(SDL_GameControllerGetAxis(controller, SDL_CONTROLLER_AXIS_RIGHTY), true);
    pad.axes[kOxPadLeftTrigger] = Trigger(SDL_GameControllerGetAxis(controller, SDL_CONTROLLER_AXIS_TRIGGERLEFT));
    pad.axes[kOxPadRightTrigger] = Trigger(SDL_GameControllerGetAxis(controller, SDL_CONTROLLER_AXIS_TRIGGERRIGHT));
  }
}
