// Gamepads for tests: SDL2's virtual joysticks in the game-controller layout,
// attached and detached at will, no device needed. Needs SDL's joystick part
// started (OxSysInit does it). On the null backend the pads are its own
// slots (support/null/), read as the SDL backend reads a virtual joystick.
#pragma once
#include <SDL2/SDL.h>

namespace oxtest {

class VirtualPad {
 public:
  // Attaches a pad at rest (sticks centred, triggers released).
  VirtualPad();
  ~VirtualPad();
  VirtualPad(const VirtualPad&) = delete;
  VirtualPad& operator=(const VirtualPad&) = delete;

  // False when SDL refused the pad (SDL_GetError says why).
  bool ok() const { return joystick_ != nullptr || nullPad_ >= 0; }
  void Button(SDL_GameControllerButton button, bool down);
  // A stick axis as SDL reads it: -32768 to 32767, y down.
  void Axis(SDL_GameControllerAxis axis, Sint16 value);
  // A trigger pressed from 0 (released) to 1 (fully).
  void Trigger(SDL_GameControllerAxis axis, double pressed);
  // Unplugs the pad; harmless when already gone.
  void Detach();

 private:
  SDL_Joystick* joystick_ = nullptr;
  int nullPad_ = -1;  // the null backend's pad number
};

}  // namespace oxtest
