// What the engine programs and the bare OpenGL floor share, so that both
// draw exactly the same things: the scenarios' geometry, transforms, colours
// and text, the clock, and the file of frame times.
#pragma once
#include <stddef.h>

namespace bench {

const int kWidth = 800;
const int kHeight = 600;
// Objects a frame in the quads and sprites scenarios.
const int kObjects = 2000;
const int kQuadSize = 8;
const int kSpriteSize = 16;
const int kTextureSize = 64;
// Texture cells: the sprite texture is a 4 x 4 grid of 16 x 16 cells.
const float kCellUv = 0.25f;
const int kTextLines = 40;
const int kLineChars = 48;
const int kFontPixels = 20;
const char kFontPath[] = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
const int kBigMeshVertices = 24576;

// Seconds on a monotonic clock.
double Now();

// The scenario named by its text (quads, sprites, text, big, bunnies,
// spritefamily); -1 if none. spritefamily draws what sprites draws with
// OxSpriteDrawEx (engine programs only).
enum Scenario { kQuads = 0, kSprites = 1, kText = 2, kBig = 3, kBunnies = 4, kSpriteFamily = 5 };
int ParseScenario(const char* name);

// The bunny scene: N textured 32 x 32 sprites with alpha, each moving in a
// straight line and bouncing off the window's edges. N comes from
// BENCH_BUNNIES (default 10,000).
const int kBunnySize = 32;
int BunnyCount();
// Bunny i's centre in frame `frame`, world coordinates (y up, origin at the
// window's centre).
void BunnyPosition(int i, int frame, float* x, float* y);
// The 32 x 32 bunny texture: a soft-edged disc with a face, bytes red,
// green, blue, alpha, top row first.
void BunnyTexturePixels(unsigned char* rgba);

// Object i's world transform in frame `frame`: rows of a 2D affine matrix
// (rotation about its centre, then a place on a 50 x 40 grid).
void ObjectTransform(int i, int frame, float rows[2][3]);
// The same transform as a place, the object's centre, and an angle in radians.
void ObjectPlacement(int i, int frame, float* x, float* y, float* angle);
// Object i's multiply colour in frame `frame`, red, green, blue, alpha.
void ObjectColor(int i, int frame, float rgba[4]);
// Vertex colour of quad mesh i, 0xAARRGGBB.
unsigned int QuadMeshColor(int i);
// Sprite i's texture offset in frame `frame`: one of the 16 cells.
void SpriteOffset(int i, int frame, float* u, float* v);
// The 64 x 64 sprite texture, bytes red, green, blue, alpha, top row first.
void SpriteTexturePixels(unsigned char* rgba);
// Text line `line` of frame `frame`: 48 printable characters and a zero.
void TextLine(int line, int frame, char out[kLineChars + 1]);
// Where a text line starts, in normalised device coordinates.
float TextLineX();
float TextLineY(int line);
// Vertex `index` of the big mesh: a 64 x 64 grid of quads, two triangles each.
void BigMeshVertex(int index, float* x, float* y, unsigned int* color);

// Seconds of processor time the whole process (every thread) has used.
double ProcessCpu();

// When BENCH_SNAPSHOT names a file: reads the 800 x 600 back buffer (OpenGL
// 1.1, a context must be current) and writes it there as a binary PPM, so
// that the engine's and the floor's pictures can be compared.
void SnapshotIfAsked();

// Appends frame times (seconds) to the file, one frame a line: wall-clock
// and processor milliseconds.
bool AppendTimes(const char* path, const double* wall, const double* cpu, size_t count);

}  // namespace bench
