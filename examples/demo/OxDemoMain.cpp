// The Oxlen demo game: steer the ship, shoot the rocks (they split), bounce
// off the arena walls. A Windows-style game written against the public
// headers; the entry-point library calls its WinMain.
//   keys: arrows or W A D steer and thrust, Space fires, left click fires
//   towards the cursor, P pauses, + and - set the music volume, [ and ] the
//   effects volume, F11 toggles full screen, Enter restarts after game over,
//   Escape quits.
//   "--frames N": runs N frames under the auto-pilot (steers and shoots),
//   with a fixed time step; "--screenshot FILE" saves the last frame as PNG.
// Prints one summary line at the end: frames, score, average frame time.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "OxDemoDraw.h"
#include "OxDemoGame.h"
#include "Oxlen.h"

namespace {

// The system's DejaVu Sans on Linux; the Windows build ships it beside the
// other assets and says where.
#ifndef OX_DEMO_FONT_PATH
#define OX_DEMO_FONT_PATH "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
#endif
const char* const kFontPath = OX_DEMO_FONT_PATH;

struct Options {
  unsigned long frames = 0;  // 0: play until Escape or close
  std::string screenshot;
};

// The flags from the command line the entry-point library joined with
// spaces (so the screenshot path may not contain one).
Options ParseOptions(const char* commandLine)
{
  Options options;
  std::string line = commandLine ? commandLine : "";
  size_t at = 0;
  std::string previous;
  while (at < line.size()) {
    size_t end = line.find(' ', at);
    if (end == std::string::npos) end = line.size();
    std::string word = line.substr(at, end - at);
    at = end + 1;
    if (word.empty()) continue;
    if (previous == "--frames") options.frames = strtoul(word.c_str(), nullptr, 10);
    if (previous == "--screenshot") options.screenshot = word;
    previous = word;
  }
  return options;
}

// The cursor in world coordinates: window pixels with y up around the camera.
OxVec2 CursorInWorld()
{
  int x = 0, y = 0;
  OxInputGetCursorPosition(&x, &y);
  float cameraX = 0, cameraY = 0;
  OxGfxGetCamPosition(&cameraX, &cameraY);
  OxVec2 world;
  OxVec2Set(&world, static_cast<float>(x) - OxGfxGetWindowWidth() / 2.0f + cameraX,
            OxGfxGetWindowHeight() / 2.0f - static_cast<float>(y) + cameraY);
  return world;
}

demo::Controls PlayerControls()
{
  demo::Controls controls{};
  if (OxInputCheckCurr(VK_LEFT) || OxInputCheckCurr('A')) controls.turn += 1;
  if (OxInputCheckCurr(VK_RIGHT) || OxInputCheckCurr('D')) controls.turn -= 1;
  controls.thrust = OxInputCheckCurr(VK_UP) || OxInputCheckCurr('W');
  controls.fire = OxInputCheckCurr(VK_SPACE);
  if (OxInputCheckCurr(VK_LBUTTON)) {
    controls.fire = true;
    controls.aimAt = true;
    controls.aim = CursorInWorld();
  }
  return controls;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand)
{
  Options options = ParseOptions(commandLine);
  const bool autoPilot = options.frames > 0;
  OxGfxSetDepthBuffer(0);  // 2D only: a window without depth and stencil buffers
  OxInputSetTapLatch(1);   // a key tapped within one frame still counts as pressed
  if (!OxSysInit(instance, showCommand, 800, 600, 1, 60, 1, nullptr)) {
    OxSysExit();
    return 1;
  }
  // Draws are recorded and merged into few OpenGL calls.
  OxGfxSetBatching(1);
  OxSysSetWindowTitle("Oxlen Engine");
  OxGfxSetBackgroundColor(0.02f, 0.02f, 0.06f);
  if (!demo::LoadLook(OX_DEMO_ASSET_DIR "/background.png", kFontPath))
    printf("Demo: no font at %s, playing without text\n", kFontPath);

  // Effects and music in their own groups; a missing file only means silence.
  OxAudioGroup effects = OxAudioCreateGroup();
  OxAudioGroup musicGroup = OxAudioCreateGroup();
  OxAudio laser = OxAudioLoadSound(OX_DEMO_ASSET_DIR "/laser.wav");
  OxAudio explosion = OxAudioLoadSound(OX_DEMO_ASSET_DIR "/explosion.wav");
  OxAudio music = OxAudioLoadMusic(OX_DEMO_ASSET_DIR "/music.ogg");
  OxAudioPlay(music, musicGroup, 0.6f, 1.0f, -1);
  float musicVolume = 0.8f, effectsVolume = 1.0f;
  bool paused = false, groupsPaused = false;

  // The auto-pilot's runs repeat exactly: a fixed seed and a fixed step.
  srand(autoPilot ? 7 : static_cast<unsigned int>(OxGetTime(nullptr) * 1000));
  demo::World* world = new demo::World;
  demo::NewGame(world);
  int bestScore = 0;
  float playTime = 0;
  unsigned long frames = 0;
  double started = OxGetTime(nullptr);

  while (OxSysDoesWindowExist()) {
    OxSysFrameStart();
    if (OxInputCheckTriggered(VK_ESCAPE)) break;
    if (OxInputCheckTriggered(VK_F11)) OxSysSetFullScreen(!OxSysIsFullScreen());
    if (OxInputCheckTriggered('P')) paused = !paused;
    if (OxInputCheckTriggered(VK_OEM_PLUS) || OxInputCheckTriggered(VK_ADD))
      musicVolume = OxMin(musicVolume + 0.1f, 1.0f);
    if (OxInputCheckTriggered(VK_OEM_MINUS) || OxInputCheckTriggered(VK_SUBTRACT))
      musicVolume = OxMax(musicVolume - 0.1f, 0.0f);
    if (OxInputCheckTriggered(VK_OEM_6)) effectsVolume = OxMin(effectsVolume + 0.1f, 1.0f);
    if (OxInputCheckTriggered(VK_OEM_4)) effectsVolume = OxMax(effectsVolume - 0.1f, 0.0f);
    OxAudioSetGroupVolume(musicGroup, musicVolume);
    OxAudioSetGroupVolume(effects, effectsVolume);

    // The game and both sound groups hold still with P or without focus
    // (the auto-pilot of headless runs ignores focus: nobody is there).
    bool hold = paused || (!autoPilot && !OxSysIsFocus());
    if (hold != groupsPaused) {
      groupsPaused = hold;
      if (hold) {
        OxAudioPauseGroup(effects);
        OxAudioPauseGroup(musicGroup);
      } else {
        OxAudioResumeGroup(effects);
        OxAudioResumeGroup(musicGroup);
      }
    }

    if (!hold) {
      float dt = autoPilot ? 1.0f / 60.0f
                           : OxClamp(static_cast<float>(OxFrameRateControllerGetFrameTime()),
                                     0.001f, 0.05f);
      demo::Controls controls = autoPilot ? demo::AutoPilot(*world, frames) : PlayerControls();
      demo::Events events;
      demo::Step(world, controls, dt, &events);
      playTime += dt;
      for (int i = 0; i < events.shotsFired; ++i)
        OxAudioPlay(laser, effects, 0.5f, 0.9f + 0.2f * OxRandFloat(), 0);
      for (int i = 0; i < events.rocksHit; ++i)
        OxAudioPlay(explosion, effects, 0.8f, 0.8f + 0.4f * OxRandFloat(), 0);
      if (events.shipLost) OxAudioPlay(explosion, effects, 1.0f, 0.5f, 0);
      if (world->score > bestScore) bestScore = world->score;
      bool restart = OxInputCheckTriggered(VK_RETURN) || (autoPilot && world->gameOverTime > 3);
      if (world->gameOver && restart) demo::NewGame(world);
    }

    demo::Hud hud{OxFrameRateControllerGetFrameRate(), musicVolume, effectsVolume, paused,
                  autoPilot};
    demo::DrawWorld(*world, hud, playTime);

    ++frames;
    bool last = options.frames && frames >= options.frames;
    if (last && !options.screenshot.empty() && OxGfxSaveScreenshot(options.screenshot.c_str()))
      printf("Screenshot: %s\n", options.screenshot.c_str());
    OxSysFrameEnd();
    if (last) break;
  }

  double elapsed = OxGetTime(nullptr) - started;
  printf("Frames run: %lu, score: %d, best score: %d, average frame time: %.2f ms\n", frames,
         world->score, bestScore, frames ? 1000.0 * elapsed / frames : 0.0);
  delete world;
  demo::FreeLook();
  OxAudioStopGroup(effects);
  OxAudioStopGroup(musicGroup);
  OxAudioUnloadAudio(laser);
  OxAudioUnloadAudio(explosion);
  OxAudioUnloadAudio(music);
  OxAudioUnloadAudioGroup(effects);
  OxAudioUnloadAudioGroup(musicGroup);
  OxSysExit();
  return 0;
}
