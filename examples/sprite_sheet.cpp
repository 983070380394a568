// A sprite-sheet animation: a walking figure whose eight frames sit side by
// side in one texture made in code, drawn one region per frame with the
// sprite family, over a floor of rectangles, with a cursor-following circle.
// Arrow keys walk left and right (the sprite mirrors), the camera follows;
// Escape or closing the window quits. An optional argument N ends it after
// N frames.
#include <math.h>
#include <stdlib.h>

#include "Oxlen.h"

namespace {

const int kFrames = 8;
const int kFrameSize = 32;  // texels, each frame square

// One texel of frame f: a round head and a body over legs that swing with
// the frame, on a transparent background. Texels are bytes red, green,
// blue, alpha: 0xAABBGGRR read as a little-endian word.
unsigned int FigureTexel(int f, int x, int y)
{
  float swing = 6.0f * sinf(6.2831853f * f / kFrames);
  float dx = x - 15.5f, headY = y - 7.5f;
  if (dx * dx + headY * headY < 25.0f) return 0xFFB0D0FF;               // head
  if (y >= 13 && y < 22 && dx > -4.0f && dx < 4.0f) return 0xFF3050E0;  // body
  if (y >= 22 && y < 31) {
    float down = static_cast<float>(y - 22) / 9.0f;  // 0 at the hip, 1 at the foot
    if (fabsf(dx - swing * down) < 1.6f || fabsf(dx + swing * down) < 1.6f) return 0xFF202020;
  }
  return 0x00000000;
}

OxGfxTexture* MakeSheet()
{
  static unsigned int texels[kFrameSize][kFrames * kFrameSize];
  for (int y = 0; y < kFrameSize; ++y)
    for (int x = 0; x < kFrames * kFrameSize; ++x)
      texels[y][x] = FigureTexel(x / kFrameSize, x % kFrameSize, y);
  return OxGfxTextureLoadFromMemory(texels, kFrames * kFrameSize, kFrameSize);
}

}  // namespace

int main(int argc, char** argv)
{
  unsigned long frameLimit = argc > 1 ? strtoul(argv[1], nullptr, 10) : 0;
  OxGfxSetDepthBuffer(0);
  if (!OxSysInit(nullptr, SW_SHOWNORMAL, 800, 600, 0, 60, 1, nullptr)) return 1;
  OxGfxSetBatching(1);
  OxGfxSetBackgroundColor(0.55f, 0.75f, 0.95f);
  OxGfxTexture* sheet = MakeSheet();
  if (!sheet) return 1;

  float walkerX = 0.0f, facing = 1.0f, step = 0.0f;
  for (unsigned long frame = 0; OxSysDoesWindowExist(); ++frame) {
    if (frameLimit && frame >= frameLimit) break;
    OxSysFrameStart();
    if (OxInputCheckTriggered(VK_ESCAPE)) break;
    float speed = 0.0f;
    if (OxInputCheckCurr(VK_LEFT)) speed = -2.0f;
    if (OxInputCheckCurr(VK_RIGHT)) speed = 2.0f;
    if (frameLimit && speed == 0.0f) speed = 2.0f;  // a timed run walks by itself
    if (speed != 0.0f) {
      walkerX += speed;
      facing = speed < 0.0f ? -1.0f : 1.0f;
      step += 0.15f;
    }
    OxGfxSetCamPosition(walkerX, 0.0f);

    OxGfxSetBlendMode(OxGfxBlendModeBlend);
    // The floor: tiles every 64 pixels, outlined, under the walker's feet.
    float firstTile = floorf(OxGfxGetWinMinX() / 64.0f) * 64.0f;
    for (float x = firstTile; x < OxGfxGetWinMaxX(); x += 64.0f) {
      OxShapeFillRect(x, -200.0f, 64.0f, 40.0f, 0xFF6A8A3A);
      OxShapeOutlineRect(x, -200.0f, 64.0f, 40.0f, 2.0f, 0xFF4A6A2A);
    }
    OxShapeDrawLine(OxGfxGetWinMinX(), -160.0f, OxGfxGetWinMaxX(), -160.0f, 3.0f, 0xFF304020);

    // The walker: frame from the step count, scaled 3x about the middle
    // of its feet, mirrored when walking left.
    OxSpriteRegion region = {(static_cast<int>(step) % kFrames) * kFrameSize, 0, kFrameSize,
                             kFrameSize};
    OxSpriteDrawEx(sheet, &region, walkerX, -160.0f, kFrameSize / 2.0f, 1.0f, 3.0f * facing, 3.0f,
                   0.0f, 0xFFFFFFFF);
    // The sheet itself, small, in the top-left corner.
    OxSpriteDraw(sheet, OxGfxGetWinMinX() + 8.0f, OxGfxGetWinMaxY() - 8.0f - kFrameSize);

    // A ring at the cursor: window pixels (y down) to world pixels.
    int cursorX = 0, cursorY = 0;
    OxInputGetCursorPosition(&cursorX, &cursorY);
    float worldX = OxGfxGetWinMinX() + cursorX, worldY = OxGfxGetWinMaxY() - cursorY;
    OxShapeOutlineCircle(worldX, worldY, 12.0f, 2.0f, 0xC0FFFFFF);
    OxShapeFillCircle(worldX, worldY, 3.0f, 0xC0FFFFFF);
    OxSysFrameEnd();
  }

  OxGfxTextureUnload(sheet);
  OxSysExit();
  return 0;
}
