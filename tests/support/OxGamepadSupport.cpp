// Virtual gamepads through SDL2's virtual joystick driver.
#include "OxGamepadSupport.h"

#include <math.h>

namespace oxtest {

VirtualPad::VirtualPad()
{
  SDL_VirtualJoystickDesc desc;
  SDL_zero(desc);
  desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
  desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
  desc.naxes = SDL_CONTROLLER_AXIS_MAX;
  desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
  int index = SDL_JoystickAttachVirtualEx(&desc);
  if (index >= 0) joystick_ = SDL_JoystickOpen(index);
  // The virtual pad's triggers are whole joystick axes, -32768 released.
  if (joystick_) {
    Trigger(SDL_CONTROLLER_AXIS_TRIGGERLEFT, 0.0);
    Trigger(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 0.0);
  }
}

VirtualPad::~VirtualPad() { Detach(); }

void VirtualPad::Button(SDL_GameControllerButton button, bool down)
{
  if (joystick_) SDL_JoystickSetVirtualButton(joystick_, button, down ? 1 : 0);
}

void VirtualPad::Axis(SDL_GameControllerAxis axis, Sint16 value)
{
  if (joystick_) SDL_JoystickSetVirtualAxis(joystick_, axis, value);
}

void VirtualPad::Trigger(SDL_GameControllerAxis axis, double pressed)
{
  Axis(axis, static_cast<Sint16>(lround(pressed * 65535.0 - 32768.0)));
}

// The device index moves as other pads leave, so it is looked up by the
// joystick's instance id.
void VirtualPad::Detach()
{
  if (!joystick_) return;
  SDL_JoystickID id = SDL_JoystickInstanceID(joystick_);
  for (int i = 0; i < SDL_NumJoysticks(); ++i)
    if (SDL_JoystickGetDeviceInstanceID(i) == id) SDL_JoystickDetachVirtual(i);
  SDL_JoystickClose(joystick_);
  joystick_ = nullptr;
}

}  // namespace oxtest
