// The scenarios' shared geometry and data, the clock and the frame-time file.
// Leans only on the C library.
#include "BenchCommon.h"

#include <GL/gl.h>
#include <math.h>
#include <stdlib.h>
#include <stdio.h>
#include <string.h>
#include <time.h>

namespace bench {

double Now()
{
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double ProcessCpu()
{
  timespec now;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

int ParseScenario(const char* name)
{
  static const char* const kNames[] = {"quads", "sprites", "text", "big", "bunnies",
                                       "spritefamily"};
  for (int i = 0; i < 6; ++i)
    if (strcmp(name, kNames[i]) == 0) return i;
  return -1;
}

void ObjectPlacement(int i, int frame, float* x, float* y, float* angle)
{
  const int columns = 50;
  *x = -400.0f + 8.0f + 16.0f * static_cast<float>(i % columns);
  *y = -300.0f + 8.0f + 15.0f * static_cast<float>(i / columns);
  *angle = 0.01f * static_cast<float>(frame) + 0.1f * static_cast<float>(i);
}

void ObjectTransform(int i, int frame, float rows[2][3])
{
  float x, y, angle;
  ObjectPlacement(i, frame, &x, &y, &angle);
  float c = cosf(angle), s = sinf(angle);
  rows[0][0] = c;
  rows[0][1] = -s;
  rows[0][2] = x;
  rows[1][0] = s;
  rows[1][1] = c;
  rows[1][2] = y;
}

void ObjectColor(int i, int frame, float rgba[4])
{
  unsigned int k = static_cast<unsigned int>(i * 7 + frame);
  rgba[0] = static_cast<float>(k % 11) / 10.0f;
  rgba[1] = static_cast<float>(k % 13) / 12.0f;
  rgba[2] = static_cast<float>(k % 17) / 16.0f;
  rgba[3] = 1.0f;
}

unsigned int QuadMeshColor(int i)
{
  unsigned int k = static_cast<unsigned int>(i) * 2654435761u;
  return 0xFF000000u | (k >> 8);
}

void SpriteOffset(int i, int frame, float* u, float* v)
{
  int cell = (i + frame) % 16;
  *u = kCellUv * static_cast<float>(cell % 4);
  *v = kCellUv * static_cast<float>(cell / 4);
}

void SpriteTexturePixels(unsigned char* rgba)
{
  for (int y = 0; y < kTextureSize; ++y)
    for (int x = 0; x < kTextureSize; ++x) {
      unsigned char* p = rgba + 4 * (y * kTextureSize + x);
      int cell = (y / 16) * 4 + x / 16;
      bool edge = x % 16 == 0 || y % 16 == 0;
      p[0] = static_cast<unsigned char>(cell * 16);
      p[1] = static_cast<unsigned char>(255 - cell * 16);
      p[2] = static_cast<unsigned char>(edge ? 0 : 200);
      p[3] = static_cast<unsigned char>((x + y) % 3 == 0 ? 128 : 255);
    }
}

void TextLine(int line, int frame, char out[kLineChars + 1])
{
  for (int c = 0; c < kLineChars; ++c)
    out[c] = static_cast<char>(33 + (line * kLineChars + c + frame) % 94);
  out[kLineChars] = '\0';
}

float TextLineX() { return -0.98f; }
float TextLineY(int line) { return 0.95f - 0.048f * static_cast<float>(line); }

void BigMeshVertex(int index, float* x, float* y, unsigned int* color)
{
  // Corners of the two triangles of one cell, as offsets in cells.
  static const int kCorners[6][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 0}, {1, 1}, {0, 1}};
  const int cells = 64;
  const float cellWidth = 10.0f, cellHeight = 7.5f;
  int quad = index / 6, corner = index % 6;
  int cx = quad % cells + kCorners[corner][0];
  int cy = quad / cells + kCorners[corner][1];
  *x = -320.0f + cellWidth * static_cast<float>(cx);
  *y = -240.0f + cellHeight * static_cast<float>(cy);
  unsigned int r = static_cast<unsigned int>(cx * 4) & 0xFF;
  unsigned int g = static_cast<unsigned int>(cy * 4) & 0xFF;
  *color = 0xFF000000u | (r << 16) | (g << 8) | 0x80u;
}

int BunnyCount()
{
  const char* text = getenv("BENCH_BUNNIES");
  int count = text ? atoi(text) : 10000;
  return count > 0 ? count : 1;
}

// A position that moves at a constant speed between low and high, bouncing.
static float Bounce(float start, float speed, float frame, float low, float high)
{
  float span = high - low;
  float travelled = fmodf(start - low + speed * frame, 2.0f * span);
  if (travelled < 0) travelled += 2.0f * span;
  return travelled <= span ? low + travelled : high - (travelled - span);
}

void BunnyPosition(int i, int frame, float* x, float* y)
{
  unsigned int k = static_cast<unsigned int>(i) * 2654435761u;
  float startX = static_cast<float>(k % 769u);
  float startY = static_cast<float>((k >> 10) % 569u);
  float speedX = 1.0f + static_cast<float>((k >> 4) % 50u) / 10.0f;
  float speedY = 1.0f + static_cast<float>((k >> 16) % 40u) / 10.0f;
  float half = kBunnySize / 2.0f;
  *x = Bounce(startX - 400.0f + half, speedX, static_cast<float>(frame), -400.0f + half, 400.0f - half);
  *y = Bounce(startY - 300.0f + half, speedY, static_cast<float>(frame), -300.0f + half, 300.0f - half);
}

void BunnyTexturePixels(unsigned char* rgba)
{
  for (int y = 0; y < kBunnySize; ++y)
    for (int x = 0; x < kBunnySize; ++x) {
      unsigned char* p = rgba + 4 * (y * kBunnySize + x);
      float dx = x - 15.5f, dy = y - 15.5f;
      float distance = sqrtf(dx * dx + dy * dy);
      float coverage = distance < 13.0f ? 1.0f : distance > 16.0f ? 0.0f : (16.0f - distance) / 3.0f;
      bool eye = (dy > -6 && dy < -2) && ((dx > -7 && dx < -3) || (dx > 3 && dx < 7));
      p[0] = static_cast<unsigned char>(eye ? 20 : 240);
      p[1] = static_cast<unsigned char>(eye ? 20 : 200 - y * 3);
      p[2] = static_cast<unsigned char>(eye ? 20 : 120 + x * 3);
      p[3] = static_cast<unsigned char>(coverage * 255.0f);
    }
}

void SnapshotIfAsked()
{
  const char* path = getenv("BENCH_SNAPSHOT");
  if (!path || !*path) return;
  static unsigned char pixels[kWidth * kHeight * 3];
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, kWidth, kHeight, GL_RGB, GL_UNSIGNED_BYTE, pixels);
  FILE* file = fopen(path, "wb");
  if (!file) return;
  fprintf(file, "P6\n%d %d\n255\n", kWidth, kHeight);
  for (int y = kHeight - 1; y >= 0; --y) fwrite(pixels + y * kWidth * 3, 1, kWidth * 3, file);
  fclose(file);
}

bool AppendTimes(const char* path, const double* wall, const double* cpu, size_t count)
{
  FILE* file = fopen(path, "a");
  if (!file) return false;
  for (size_t i = 0; i < count; ++i)
    fprintf(file, "%.4f %.4f\n", wall[i] * 1000.0, cpu[i] * 1000.0);
  return fclose(file) == 0;
}

}  // namespace bench
