// A small game made to be tested by replay: steer the ship with the arrow
// keys, the left stick or the d-pad, collect the gems, press Space (or A)
// for a burst of speed; a click moves the beacon. Escape quits.
//
//   replay_game --record FILE [--frames N] [--shots DIR] [--every K]
//       plays with the real keyboard, mouse and pads and records them to
//       FILE, for N frames or until Escape or the window closes;
//   replay_game --replay FILE [--shots DIR] [--every K]
//       replays FILE as fast as the frames can be drawn, to its end;
//   replay_game
//       just plays.
//
// With --shots, a screenshot DIR/frame-NNNNNN.png is written every K frames
// (60 by default). Both modes print the same summary
// line at the end, so a replay that reaches the recorded state says so.
// Nothing here reads the clock or seeds from it: the game's state depends
// only on the input and the frame time, which is what a replay reproduces.
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "Oxlen.h"

namespace {

struct Options {
  const char* record = nullptr;
  const char* replay = nullptr;
  const char* shots = nullptr;
  unsigned long frames = 0;
  unsigned long every = 60;
};

struct Game {
  float x = 0, y = 0;
  float beaconX = 0, beaconY = 0;
  float boost = 0;
  int score = 0;
  unsigned int seed = 12345;  // the gems' positions come from this fixed seed
  float gemX = 0, gemY = 0;
};

// The next gem position from the game's own generator.
void PlaceGem(Game& game)
{
  game.seed = game.seed * 1103515245u + 12345u;
  game.gemX = static_cast<float>((game.seed >> 8) % 560) - 280.0f;
  game.seed = game.seed * 1103515245u + 12345u;
  game.gemY = static_cast<float>((game.seed >> 8) % 360) - 180.0f;
}

void Update(Game& game)
{
  float dt = static_cast<float>(OxFrameRateControllerGetFrameTime());
  float dx = OxInputGamepadGetAxis(0, OxInputGamepadAxisLeftX);
  float dy = OxInputGamepadGetAxis(0, OxInputGamepadAxisLeftY);
  if (OxInputCheckCurr(VK_LEFT) || OxInputGamepadCheckCurr(0, OxInputGamepadButtonDPadLeft)) dx -= 1;
  if (OxInputCheckCurr(VK_RIGHT) || OxInputGamepadCheckCurr(0, OxInputGamepadButtonDPadRight)) dx += 1;
  if (OxInputCheckCurr(VK_UP) || OxInputGamepadCheckCurr(0, OxInputGamepadButtonDPadUp)) dy += 1;
  if (OxInputCheckCurr(VK_DOWN) || OxInputGamepadCheckCurr(0, OxInputGamepadButtonDPadDown)) dy -= 1;
  if (OxInputCheckTriggered(VK_SPACE) || OxInputGamepadCheckTriggered(0, OxInputGamepadButtonA))
    game.boost = 0.5f;
  float speed = game.boost > 0 ? 480.0f : 240.0f;
  game.boost = game.boost > dt ? game.boost - dt : 0.0f;
  game.x = OxClamp(game.x + dx * speed * dt, -300.0f, 300.0f);
  game.y = OxClamp(game.y + dy * speed * dt, -200.0f, 200.0f);
  if (OxInputCheckTriggered(VK_LBUTTON)) {
    int cx = 0, cy = 0;
    OxInputGetCursorPosition(&cx, &cy);
    game.beaconX = static_cast<float>(cx) - OxGfxGetWindowWidth() / 2.0f;
    game.beaconY = OxGfxGetWindowHeight() / 2.0f - static_cast<float>(cy);
  }
  if (fabsf(game.x - game.gemX) < 24 && fabsf(game.y - game.gemY) < 24) {
    ++game.score;
    PlaceGem(game);
  }
}

void Draw(const Game& game, OxGfxVertexList* ship, OxGfxVertexList* gem, OxGfxFontId font,
          unsigned long frame)
{
  OxGfxSetRenderMode(OxGfxRenderModeColor);
  OxMtx33 place;
  OxMtx33Trans(&place, game.gemX, game.gemY);
  OxGfxSetTransform(&place);
  OxGfxMeshDraw(gem, OxGfxMeshDrawModeTriangles);
  OxMtx33Trans(&place, game.beaconX, game.beaconY);
  OxGfxSetTransform(&place);
  OxGfxMeshDraw(gem, OxGfxMeshDrawModeLineStrip);
  OxMtx33Trans(&place, game.x, game.y);
  OxGfxSetTransform(&place);
  OxGfxMeshDraw(ship, OxGfxMeshDrawModeTriangles);
  if (font >= 0) {
    char text[64];
    snprintf(text, sizeof text, "Score %d   frame %lu", game.score, frame);
    OxGfxPrint(font, text, -0.95f, 0.88f, 1.0f, 1, 1, 1, 1);
  }
}

bool ParseOptions(int argc, char** argv, Options* options)
{
  for (int i = 1; i < argc; ++i) {
    bool hasValue = i + 1 < argc;
    if (!strcmp(argv[i], "--record") && hasValue) options->record = argv[++i];
    else if (!strcmp(argv[i], "--replay") && hasValue) options->replay = argv[++i];
    else if (!strcmp(argv[i], "--shots") && hasValue) options->shots = argv[++i];
    else if (!strcmp(argv[i], "--frames") && hasValue) options->frames = strtoul(argv[++i], nullptr, 10);
    else if (!strcmp(argv[i], "--every") && hasValue) options->every = strtoul(argv[++i], nullptr, 10);
    else return false;
  }
  return !(options->record && options->replay) && options->every > 0;
}

}  // namespace

int main(int argc, char** argv)
{
  Options options;
  if (!ParseOptions(argc, argv, &options)) {
    printf("usage: %s [--record FILE [--frames N] | --replay FILE] [--shots DIR] [--every K]\n",
           argv[0]);
    return 2;
  }
  // 60 frames a second while playing; a replay ignores the limit.
  OxInputSetTapLatch(1);  // a key tapped within one frame still counts as pressed
  if (!OxSysInit(nullptr, SW_SHOWNORMAL, 640, 480, 0, 60, 0, nullptr)) return 1;
  OxSysSetWindowTitle("Replay example");
  OxGfxSetBackgroundColor(0.05f, 0.08f, 0.15f);

  OxGfxMeshStart();
  OxGfxTriAdd(-16, -14, 0xFF40C0FF, 0, 0, 16, -14, 0xFF40C0FF, 0, 0, 0, 20, 0xFFFFFFFF, 0, 0);
  OxGfxVertexList* ship = OxGfxMeshEnd();
  OxGfxMeshStart();
  OxGfxTriAdd(-10, 0, 0xFFFFD040, 0, 0, 0, -12, 0xFFFF8020, 0, 0, 10, 0, 0xFFFFD040, 0, 0);
  OxGfxTriAdd(-10, 0, 0xFFFFD040, 0, 0, 10, 0, 0xFFFFD040, 0, 0, 0, 12, 0xFFFFF0A0, 0, 0);
  OxGfxVertexList* gem = OxGfxMeshEnd();
  OxGfxFontId font = OxGfxCreateFont("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 20);

  // Both start right after OxSysInit, so the game starts from the same state.
  int status = 0;
  if (options.record && !OxInputRecordStart(options.record)) status = 1;
  if (options.replay && !OxInputReplayStart(options.replay)) status = 1;

  Game game;
  PlaceGem(game);
  unsigned long frame = 0;
  while (status == 0 && OxSysDoesWindowExist()) {
    OxSysFrameStart();
    if (options.replay && !OxInputIsReplaying()) {
      OxSysFrameEnd();
      break;
    }
    if (OxInputCheckTriggered(VK_ESCAPE)) {
      OxSysFrameEnd();
      break;
    }
    ++frame;
    Update(game);
    Draw(game, ship, gem, font, frame);
    if (options.shots && frame % options.every == 0) {
      char path[4096];
      snprintf(path, sizeof path, "%s/frame-%06lu.png", options.shots, frame);
      if (!OxGfxSaveScreenshot(path)) status = 1;
    }
    OxSysFrameEnd();
    if (options.frames && frame >= options.frames) break;
  }
  if (options.record && !OxInputRecordStop()) status = 1;

  printf("Frames: %lu, score: %d, ship at %.3f, %.3f\n", frame, game.score, game.x, game.y);
  OxGfxMeshFree(ship);
  OxGfxMeshFree(gem);
  OxSysExit();
  return status;
}
