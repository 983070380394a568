// A first game, in pixels with the sprite family: arrows move the ship,
// Space fires, invaders from a PNG sheet march and flap, a hit scores with a
// bang, music loops, P pauses, F12 saves shooter.png, Escape quits.
//   shooter [--frames N (plays by itself)] [--record FILE | --replay FILE]
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "Oxlen.h"

#ifndef OX_DEMO_FONT_PATH
#define OX_DEMO_FONT_PATH "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
#endif

struct Thing { float x, y; bool alive; };  // the ship, a shot or an invader

int main(int argc, char** argv)
{
  const char *record = nullptr, *replay = nullptr;
  unsigned long frames = 0;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (strcmp(argv[i], "--frames") == 0) frames = strtoul(argv[i + 1], nullptr, 10);
    if (strcmp(argv[i], "--record") == 0) record = argv[i + 1];
    if (strcmp(argv[i], "--replay") == 0) replay = argv[i + 1];
  }
  OxGfxSetDepthBuffer(0);
  OxInputSetTapLatch(1);
  if (!OxSysInit(nullptr, SW_SHOWNORMAL, 800, 600, 0, 60, 1, nullptr)) return 1;
  OxGfxSetBatching(1);
  OxSysSetDiagnostics(1);  // a missing file says so
  OxGfxTexture* sheet = OxGfxTextureLoad(OX_DEMO_ASSET_DIR "/invaders.png");
  OxGfxTexture* stars = OxGfxTextureLoad(OX_DEMO_ASSET_DIR "/background.png");
  OxGfxFontId font = OxGfxCreateFont(OX_DEMO_FONT_PATH, 20);
  OxAudioGroup sounds = OxAudioCreateGroup();
  OxAudio laser = OxAudioLoadSound(OX_DEMO_ASSET_DIR "/laser.wav");
  OxAudio bang = OxAudioLoadSound(OX_DEMO_ASSET_DIR "/explosion.wav");
  OxAudio music = OxAudioLoadMusic(OX_DEMO_ASSET_DIR "/music.ogg");
  OxAudioPlay(music, sounds, 0.5f, 1.0f, -1);
  if (record) OxInputRecordStart(record);
  if (replay) OxInputReplayStart(replay);
  Thing ship = {0, -250, true}, shots[8] = {}, invaders[24];
  for (int i = 0; i < 24; ++i) invaders[i] = {-280.0f + 80 * (i % 8), 220.0f - 50 * (i / 8), true};
  float march = 1;
  int score = 0, cooldown = 0;
  bool paused = false;
  for (unsigned long frame = 0; OxSysDoesWindowExist() && (!frames || frame < frames); ++frame) {
    OxSysFrameStart();
    if (OxInputCheckTriggered(VK_ESCAPE)) break;
    if (OxInputCheckTriggered('P')) paused = !paused;
    if (OxInputCheckTriggered(VK_F12)) OxGfxSaveScreenshot("shooter.png");
    bool fire = OxInputCheckCurr(VK_SPACE) || frames;
    float steer = OxInputCheckCurr(VK_RIGHT) - OxInputCheckCurr(VK_LEFT);
    if (frames && !steer) steer = sinf(frame * 0.02f);  // the auto-pilot
    if (!paused) {
      ship.x = fminf(fmaxf(ship.x + 5 * steer, -380), 380);
      if (cooldown > 0) --cooldown;
      if (fire && cooldown == 0) {
        for (Thing& shot : shots)
          if (!shot.alive) {
            shot = {ship.x, ship.y + 20, true};
            OxAudioPlay(laser, sounds, 0.6f, 1.0f, 0);
            cooldown = 12;
            break;
          }
      }
      bool turn = false;
      for (Thing& invader : invaders) {
        invader.x += march;
        turn |= invader.alive && fabsf(invader.x) > 370;
      }
      for (Thing& invader : invaders) invader.y -= turn ? 10 : 0;
      march = turn ? -march : march;
      for (Thing& shot : shots) {
        shot.y += 9;
        shot.alive &= shot.y < 300;
        for (Thing& invader : invaders)
          if (shot.alive && invader.alive && fabsf(shot.x - invader.x) < 20 &&
              fabsf(shot.y - invader.y) < 16) {
            shot.alive = invader.alive = false;
            score += 10;
            OxAudioPlay(bang, sounds, 0.8f, 1.0f, 0);
          }
      }
    }
    for (int tile = 0; tile < 12; ++tile)  // 256-pixel tiles from the bottom-left corner
      OxSpriteDraw(stars, -400.0f + 256 * (tile % 4), -300.0f + 256 * (tile / 4));
    OxGfxSetBlendMode(OxGfxBlendModeBlend);
    OxSpriteRegion wings = {static_cast<int>(frame / 15 % 2) * 32, 0, 32, 24};
    for (const Thing& invader : invaders)
      if (invader.alive)
        OxSpriteDrawEx(sheet, &wings, invader.x, invader.y, 16, 12, 1.5f, 1.5f, 0, ~0u);
    for (const Thing& shot : shots)
      if (shot.alive) OxShapeFillRect(shot.x - 2, shot.y, 4, 12, 0xFFFFE060);
    OxShapeFillRect(ship.x - 20, ship.y - 8, 40, 12, 0xFF60C0FF);
    OxShapeFillRect(ship.x - 4, ship.y + 4, 8, 10, 0xFF60C0FF);
    char text[64];
    snprintf(text, sizeof text, paused ? "Score %d  (paused)" : "Score %d", score);
    OxGfxPrintAt(font, text, -390, 270, 1, 1, 1, 1, 1);
    OxSysFrameEnd();
  }
  printf("Score: %d\n", score);
  if (record) OxInputRecordStop();
  OxGfxTextureUnload(sheet);
  OxGfxTextureUnload(stars);
  OxSysExit();  // also frees the sounds and the font
  return 0;
}
