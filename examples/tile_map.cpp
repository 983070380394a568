// A tile map with a camera: a 40 x 30 map written as text, drawn from a tile
// sheet made in code, and a player the camera follows without leaving the
// map. Only the tiles in view are drawn. Arrow keys walk (walls and water
// stop the player), walking over a coin collects it; Escape or closing the
// window quits. Optional arguments: N ends it after N frames (a timed run
// walks by itself), then FILE saves that last frame as a PNG screenshot.
#include <math.h>
#include <stdio.h>
#include <stdlib.h>

#include "Oxlen.h"

namespace {

const int kTile = 32;  // texels and world pixels a tile, square
const int kColumns = 40, kRows = 30;
const float kHalfWidth = 400.0f, kHalfHeight = 300.0f;  // half the 800 x 600 window

// The map, top row first: '#' wall, '~' water, '=' path, '*' coin, '.' grass.
// clang-format off
char gMap[kRows][kColumns + 1] = {
  "########################################",
  "#...................*..................#",
  "#..*.......~~~~~~.........*..........*.#",
  "#.........~~~~~~~~.....................#",
  "#.....*...~~~~~~~~~.......#####........#",
  "#..........~~~~~~~.......#.....#...*...#",
  "#============~~~~=========..*..========#",
  "#...........~~~~.....=...#.....#......=#",
  "#...####....~~~~.....=...###.###......=#",
  "#...#..#.....*.......=................=#",
  "#...#*.#.............=.........~~~~...=#",
  "#...##.#.....####....=....*....~~~~...=#",
  "#............#..#....=.........~~~~...=#",
  "#....*........*.#....=................=#",
  "#=====================================.#",
  "#......~~~~....*.......................#",
  "#.....~~~~~~...........####...........*#",
  "#.....~~~~~~.....*.....#..#.....*.....=#",
  "#......~~~~............#*.#...........=#",
  "#......................##.#...........=#",
  "#...*.........#######..........~~~....=#",
  "#..............#.....#.........~~~....=#",
  "#==============#..*..#=================#",
  "#..............#.....#..........*......#",
  "#.....*........###.###.................#",
  "#..........................~~~~~~......#",
  "#....~~~~........*.......~~~~~~~~~..*..#",
  "#...~~~~~~...............~~~~~~~~......#",
  "#..*...............................*...#",
  "########################################",
};
// clang-format on

enum Kind { kGrass, kPath, kWater, kWall, kCoin, kKinds };

Kind KindAt(int column, int row)
{
  if (column < 0 || row < 0 || column >= kColumns || row >= kRows) return kWall;
  switch (gMap[row][column]) {
    case '#': return kWall;
    case '~': return kWater;
    case '=': return kPath;
    case '*': return kCoin;
    default: return kGrass;
  }
}

// The tile under world point (x, y): the map's top row is at the top of the
// world, which runs from (0, 0) to (kColumns, kRows) tiles, y up.
Kind KindUnder(float x, float y)
{
  return KindAt(static_cast<int>(floorf(x / kTile)),
                kRows - 1 - static_cast<int>(floorf(y / kTile)));
}

// One texel of a tile (x, y from its top-left), 0xAABBGGRR: the bytes red,
// green, blue, alpha read as a little-endian word.
unsigned int TileTexel(int kind, int x, int y)
{
  bool speck = (x * 7 + y * 13) % 23 == 0;
  switch (kind) {
    case kPath: return speck ? 0xFF5A8AA8 : 0xFF78B4D8;
    case kWater: return (y + (x / 8) * 3) % 8 == 0 ? 0xFFF0C080 : 0xFFC08030;
    case kWall: return (y % 8 == 7 || (x + (y / 8) * 8) % 16 == 0) ? 0xFF404858 : 0xFF6070A0;
    case kCoin: {
      float dx = x - 15.5f, dy = y - 15.5f;
      if (dx * dx + dy * dy < 64.0f) return dx + dy < -4.0f ? 0xFFA0FFFF : 0xFF20C8F0;
      return TileTexel(kGrass, x, y);
    }
    default: return speck ? 0xFF207030 : 0xFF30A048;
  }
}

// The tile sheet: one row of kKinds tiles, made in code (a game would load
// a PNG with OxGfxTextureLoad).
OxGfxTexture* MakeTileSheet()
{
  static unsigned int texels[kTile][kKinds * kTile];
  for (int y = 0; y < kTile; ++y)
    for (int x = 0; x < kKinds * kTile; ++x) texels[y][x] = TileTexel(x / kTile, x % kTile, y);
  return OxGfxTextureLoadFromMemory(texels, kKinds * kTile, kTile);
}

bool Blocks(float x, float y)
{
  Kind kind = KindUnder(x, y);
  return kind == kWall || kind == kWater;
}

// Whether the player, a box of 19 x 19 pixels centred at (x, y), stands
// clear of walls and water: a box smaller than a tile is clear when its
// four corners are.
bool CanStand(float x, float y)
{
  const float h = 9.5f;
  return !Blocks(x - h, y - h) && !Blocks(x + h, y - h) && !Blocks(x - h, y + h) &&
         !Blocks(x + h, y + h);
}

}  // namespace

int main(int argc, char** argv)
{
  unsigned long frameLimit = argc > 1 ? strtoul(argv[1], nullptr, 10) : 0;
  const char* screenshot = argc > 2 ? argv[2] : nullptr;
  OxGfxSetDepthBuffer(0);
  OxInputSetTapLatch(1);  // a key tapped within one frame still counts
  if (!OxSysInit(nullptr, SW_SHOWNORMAL, 800, 600, 0, 60, 1, nullptr)) return 1;
  OxGfxSetBatching(1);  // the hundreds of tile draws become a few OpenGL calls
  OxGfxSetBackgroundColor(0.0f, 0.0f, 0.0f);
  OxGfxTexture* sheet = MakeTileSheet();
  if (!sheet) return 1;
  // Without the font (Windows has no copy there) the game runs without text.
  OxGfxFontId font = OxGfxCreateFont("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 20);

  int coins = 0, collected = 0, walk = 0;
  for (int row = 0; row < kRows; ++row)
    for (int column = 0; column < kColumns; ++column) coins += KindAt(column, row) == kCoin;
  float playerX = 2.5f * kTile, playerY = (kRows - 1.5f) * kTile;  // the top-left corner
  for (unsigned long frame = 0; OxSysDoesWindowExist(); ++frame) {
    if (frameLimit && frame >= frameLimit) break;
    OxSysFrameStart();
    if (OxInputCheckTriggered(VK_ESCAPE)) break;

    // Each axis moves on its own, so the player slides along a wall.
    float dx = 3.0f * (OxInputCheckCurr(VK_RIGHT) - OxInputCheckCurr(VK_LEFT));
    float dy = 3.0f * (OxInputCheckCurr(VK_UP) - OxInputCheckCurr(VK_DOWN));
    if (frameLimit && dx == 0.0f && dy == 0.0f) {
      // A timed run walks by itself: right, down, left, up, turning when blocked.
      const float kWalk[4][2] = {{3.0f, 0.0f}, {0.0f, -3.0f}, {-3.0f, 0.0f}, {0.0f, 3.0f}};
      if (!CanStand(playerX + kWalk[walk][0], playerY + kWalk[walk][1])) walk = (walk + 1) % 4;
      dx = kWalk[walk][0];
      dy = kWalk[walk][1];
    }
    if (CanStand(playerX + dx, playerY)) playerX += dx;
    if (CanStand(playerX, playerY + dy)) playerY += dy;
    int column = static_cast<int>(playerX / kTile),
        row = kRows - 1 - static_cast<int>(playerY / kTile);
    if (KindAt(column, row) == kCoin) {
      gMap[row][column] = '.';
      ++collected;
    }

    // The camera follows the player and stops where the map's edge meets
    // the window's.
    OxGfxSetCamPosition(fminf(fmaxf(playerX, kHalfWidth), kColumns * kTile - kHalfWidth),
                        fminf(fmaxf(playerY, kHalfHeight), kRows * kTile - kHalfHeight));

    // The tiles in view: the columns and rows the window's extents cover.
    int firstColumn = static_cast<int>(floorf(OxGfxGetWinMinX() / kTile));
    int lastColumn = static_cast<int>(ceilf(OxGfxGetWinMaxX() / kTile));
    int bottomRow = kRows - 1 - static_cast<int>(floorf(OxGfxGetWinMinY() / kTile));
    int topRow = kRows - static_cast<int>(ceilf(OxGfxGetWinMaxY() / kTile));
    for (int r = topRow < 0 ? 0 : topRow; r <= bottomRow && r < kRows; ++r)
      for (int c = firstColumn < 0 ? 0 : firstColumn; c < lastColumn && c < kColumns; ++c) {
        OxSpriteRegion region = {KindAt(c, r) * kTile, 0, kTile, kTile};
        OxSpriteDrawRegion(sheet, &region, c * kTile, (kRows - 1 - r) * kTile);
      }

    OxGfxSetBlendMode(OxGfxBlendModeBlend);
    OxShapeFillCircle(playerX, playerY, 11.0f, 0xFFE04040);
    OxShapeOutlineCircle(playerX, playerY, 11.0f, 2.0f, 0xFF601010);

    // The status line, in world pixels at the view's top-left corner.
    char status[96];
    snprintf(status, sizeof status, "Coins %d / %d \xC2\xB7 tile %d, %d", collected, coins, column,
             row);
    OxShapeFillRect(OxGfxGetWinMinX(), OxGfxGetWinMaxY() - 32.0f, 2.0f * kHalfWidth, 32.0f,
                    0xA0000000);
    if (font >= 0)
      OxGfxPrintAt(font, status, OxGfxGetWinMinX() + 10.0f, OxGfxGetWinMaxY() - 23.0f, 1.0f, 1, 1,
                   1, 1);
    if (screenshot && frame + 1 == frameLimit) OxGfxSaveScreenshot(screenshot);
    OxSysFrameEnd();
  }

  OxGfxTextureUnload(sheet);
  OxSysExit();  // also destroys the font
  return 0;
}
