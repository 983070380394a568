// The demo game's look: meshes built once, then the world, the background and
// the text display drawn each frame with the engine's graphics family.
#pragma once
#include "OxDemoGame.h"

namespace demo {

// What the text display shows besides the world.
struct Hud {
  double frameRate;
  float musicVolume;
  float effectsVolume;
  bool paused;
  bool autoPilot;
};

// Builds the meshes, loads the background texture and the fonts. Returns
// false when the font cannot be created (the game still runs without text
// only if the caller chooses to).
bool LoadLook(const char* backgroundPath, const char* fontPath);
void FreeLook();
// Draws one frame: scrolling background, arena, rocks, shots, sparks, ship,
// then the text. time: seconds of play, for the scrolling and blinking.
void DrawWorld(const World& world, const Hud& hud, float time);

}  // namespace demo
