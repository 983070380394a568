// Virtual gamepads on the null backend: its own pads, read as the SDL
// backend reads SDL2's virtual joysticks (sticks over 32767, y flipped;
// triggers from released to fully pressed).
#include "OxGamepadSupport.h"

#include <map>

#include "platform/null/OxPlatformNull.h"

namespace oxtest {
namespace {

// What each pad (by its number) reads.
std::map<int, OxPlatformGamepadState> gPads;

// The SDL button behind each of the layer's button bits, in bit order.
const SDL_GameControllerButton kButtons[kOxPadButtonCount] = {SDL_CONTROLLER_BUTTON_A,
                                                              SDL_CONTROLLER_BUTTON_B,
                                                              SDL_CONTROLLER_BUTTON_X,
                                                              SDL_CONTROLLER_BUTTON_Y,
                                                              SDL_CONTROLLER_BUTTON_LEFTSHOULDER,
                                                              SDL_CONTROLLER_BUTTON_RIGHTSHOULDER,
                                                              SDL_CONTROLLER_BUTTON_BACK,
                                                              SDL_CONTROLLER_BUTTON_START,
                                                              SDL_CONTROLLER_BUTTON_GUIDE,
                                                              SDL_CONTROLLER_BUTTON_LEFTSTICK,
                                                              SDL_CONTROLLER_BUTTON_RIGHTSTICK,
                                                              SDL_CONTROLLER_BUTTON_DPAD_UP,
                                                              SDL_CONTROLLER_BUTTON_DPAD_DOWN,
                                                              SDL_CONTROLLER_BUTTON_DPAD_LEFT,
                                                              SDL_CONTROLLER_BUTTON_DPAD_RIGHT};

}  // namespace

VirtualPad::VirtualPad()
{
  nullPad_ = OxNullPadAttach();
  gPads[nullPad_] = OxPlatformGamepadState{};
}

VirtualPad::~VirtualPad() { Detach(); }

void VirtualPad::Button(SDL_GameControllerButton button, bool down)
{
  for (int bit = 0; nullPad_ >= 0 && bit < kOxPadButtonCount; ++bit) {
    if (kButtons[bit] != button) continue;
    if (down)
      gPads[nullPad_].buttons |= 1u << bit;
    else
      gPads[nullPad_].buttons &= ~(1u << bit);
    OxNullPadSet(nullPad_, gPads[nullPad_]);
  }
}

void VirtualPad::Axis(SDL_GameControllerAxis axis, Sint16 value)
{
  if (nullPad_ < 0) return;
  float scaled = static_cast<float>(value) / 32767.0f;
  scaled = scaled < -1.0f ? -1.0f : (scaled > 1.0f ? 1.0f : scaled);
  float* axes = gPads[nullPad_].axes;
  switch (axis) {
    case SDL_CONTROLLER_AXIS_LEFTX: axes[kOxPadLeftX] = scaled; break;
    case SDL_CONTROLLER_AXIS_LEFTY: axes[kOxPadLeftY] = -scaled; break;
    case SDL_CONTROLLER_AXIS_RIGHTX: axes[kOxPadRightX] = scaled; break;
    case SDL_CONTROLLER_AXIS_RIGHTY: axes[kOxPadRightY] = -scaled; break;
    default: return;
  }
  OxNullPadSet(nullPad_, gPads[nullPad_]);
}

void VirtualPad::Trigger(SDL_GameControllerAxis axis, double pressed)
{
  if (nullPad_ < 0) return;
  float value = static_cast<float>(pressed < 0.0 ? 0.0 : pressed > 1.0 ? 1.0 : pressed);
  if (axis == SDL_CONTROLLER_AXIS_TRIGGERLEFT)
    gPads[nullPad_].axes[kOxPadLeftTrigger] = value;
  else if (axis == SDL_CONTROLLER_AXIS_TRIGGERRIGHT)
    gPads[nullPad_].axes[kOxPadRightTrigger] = value;
  else
    return;
  OxNullPadSet(nullPad_, gPads[nullPad_]);
}

void VirtualPad::Detach()
{
  if (nullPad_ < 0) return;
  OxNullPadDetach(nullPad_);
  gPads.erase(nullPad_);
  nullPad_ = -1;
}

}  // namespace oxtest
