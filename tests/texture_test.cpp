// Textures: image files the tests write (PNG, BMP, JPEG, GIF, TGA) and pixel
// blocks in memory, sampled through the texture program and read back with
// glReadPixels and glGetTexImage; offsets, filtering, the path limit, the
// files that must fail quietly, and the packed-colour blend.
// Desktop-only program: it reads textures and buffers back from OpenGL
// (glGetTexImage, glGetBufferSubData), which WebGL 1 does not offer;
// tests/web/page_test.cpp draws and reads pixels in the page.
#include <gtest/gtest.h>
#include <stdio.h>

#include <GL/glew.h>
#ifdef _WIN32
#include <windows.h>
#include <psapi.h>
#endif
#include <math.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

#include "OxFileSupport.h"
#include "OxImageSupport.h"
#include "OxPixelSupport.h"
#include "OxTestSupport.h"
#include "Oxlen.h"

using oxtest::IsColour;
using oxtest::Pixel;
using oxtest::ReadPixel;
using oxtest::RgbaPixels;

namespace {

const int kWidth = 800;
const int kHeight = 600;

// Opaque red, then blue with alpha 128.
const RgbaPixels kRedBlue = {255, 0, 0, 255, 0, 0, 255, 128};
// White above black.
const RgbaPixels kWhiteOverBlack = {255, 255, 255, 255, 0, 0, 0, 255};

int StartLibrary()
{
  int started = OxSysInit(nullptr, SW_SHOW, kWidth, kHeight, 0, 0, 0, nullptr);
  glewInit();
  return started;
}

// The whole window as one quad: u 0..1 left to right, v 0 at the top.
OxGfxVertexList* WindowQuad()
{
  const unsigned int white = 0xFFFFFFFF;
  OxGfxMeshStart();
  OxGfxTriAdd(-400, -300, white, 0, 1, 400, -300, white, 1, 1, 400, 300, white, 1, 0);
  OxGfxTriAdd(-400, -300, white, 0, 1, 400, 300, white, 1, 0, -400, 300, white, 0, 0);
  return OxGfxMeshEnd();
}

// Texture mode with neutral colours and the identity world transform.
void StartTexturedDrawing()
{
  OxGfxSetRenderMode(OxGfxRenderModeTexture);
  OxMtx33 identity;
  OxMtx33Identity(&identity);
  OxGfxSetTransform(&identity);
  OxGfxSetColorToMultiply(1, 1, 1, 1);
  OxGfxSetTransparency(1);
}

// The window pixel where the quad samples (u, v).
Pixel Sample(float u, float v)
{
  return ReadPixel(static_cast<int>(u * kWidth), static_cast<int>((1.0f - v) * kHeight));
}

bool IsRgba(const Pixel& pixel, int r, int g, int b, int a, int tolerance = 1)
{
  return IsColour(pixel, r, g, b, tolerance) && abs(pixel.a - a) <= tolerance;
}

// Every texel of the texture, bytes red, green, blue, alpha.
RgbaPixels Texels(const OxGfxTexture* texture, int width, int height)
{
  RgbaPixels texels(static_cast<size_t>(width) * height * 4, 0);
  glBindTexture(GL_TEXTURE_2D, *texture->textureName);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
  glBindTexture(GL_TEXTURE_2D, 0);
  return texels;
}

GLint TextureLevelValue(const OxGfxTexture* texture, GLenum name)
{
  GLint value = -1;
  glBindTexture(GL_TEXTURE_2D, *texture->textureName);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, name, &value);
  glBindTexture(GL_TEXTURE_2D, 0);
  return value;
}

GLint BoundFilter(GLenum which)
{
  GLint filter = -1;
  glGetTexParameteriv(GL_TEXTURE_2D, which, &filter);
  return filter;
}

// The texture program's offset uniform as OpenGL holds it.
void OffsetUniform(float* x, float* y)
{
  GLint program = 0;
  glGetIntegerv(GL_CURRENT_PROGRAM, &program);
  GLint location = glGetUniformLocation(program, "uTextureOffset");
  float value[2] = {-7, -7};
  glGetUniformfv(program, location, value);
  *x = value[0];
  *y = value[1];
}

class Textures : public ::testing::Test {
 protected:
  void SetUp() override
  {
    ASSERT_EQ(StartLibrary(), 1);
    dir = oxtest::TempDir();
  }
  void TearDown() override { OxSysExit(); }
  std::string dir;
};

}  // namespace

// Cases: the texture program's colours start at 0 (black, alpha 0) until
// set in texture mode; the 2 x 1 image sampled at u = 0.25 and 0.75 from a
// PNG file and from memory (red, and blue with alpha 128); the 1 x 2 image's
// top row at v = 0, from both sources.
TEST_F(Textures, SamplingAndOrientation)
{
  ASSERT_TRUE(oxtest::WritePng(dir + "/red-blue.png", kRedBlue, 2, 1));
  ASSERT_TRUE(oxtest::WritePng(dir + "/white-black.png", kWhiteOverBlack, 1, 2));
  OxGfxTexture* fromFile = OxGfxTextureLoad((dir + "/red-blue.png").c_str());
  OxGfxTexture* fromMemory = OxGfxTextureLoadFromMemory(kRedBlue.data(), 2, 1);
  OxGfxTexture* columnFile = OxGfxTextureLoad((dir + "/white-black.png").c_str());
  OxGfxTexture* columnMemory = OxGfxTextureLoadFromMemory(kWhiteOverBlack.data(), 1, 2);
  ASSERT_TRUE(fromFile && fromMemory && columnFile && columnMemory);
  OxGfxVertexList* quad = WindowQuad();

  OxSysFrameStart();
  OxGfxSetRenderMode(OxGfxRenderModeTexture);
  OxMtx33 identity;
  OxMtx33Identity(&identity);
  OxGfxSetTransform(&identity);
  OxGfxTextureSet(fromFile, 0, 0);
  OxGfxMeshDraw(quad, OxGfxMeshDrawModeTriangles);
  Pixel pixel = Sample(0.25f, 0.5f);
  EXPECT_TRUE(IsRgba(pixel, 0, 0, 0, 0)) << pixel;

  StartTexturedDrawing();
  for (OxGfxTexture* texture : {fromFile, fromMemory}) {
    OxGfxTextureSet(texture, 0, 0);
    OxGfxMeshDraw(quad, OxGfxMeshDrawModeTriangles);
    pixel = Sample(0.25f, 0.5f);
    EXPECT_TRUE(IsRgba(pixel, 255, 0, 0, 255)) << pixel;
    pixel = Sample(0.75f, 0.5f);
    EXPECT_TRUE(IsRgba(pixel, 0, 0, 255, 128)) << pixel;
  }
  for (OxGfxTexture* texture : {columnFile, columnMemory}) {
    OxGfxTextureSet(texture, 0, 0);
    OxGfxMeshDraw(quad, OxGfxMeshDrawModeTriangles);
    pixel = Sample(0.5f, 0.25f);
    EXPECT_TRUE(IsRgba(pixel, 255, 255, 255, 255)) << pixel;
    pixel = Sample(0.5f, 0.75f);
    EXPECT_TRUE(IsRgba(pixel, 0, 0, 0, 255)) << pixel;
  }
  OxSysFrameEnd();

  // The loads leave no texture bound; file textures are RGBA8.
  EXPECT_EQ(TextureLevelValue(fromFile, GL_TEXTURE_INTERNAL_FORMAT), GL_RGBA8);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  OxGfxMeshFree(quad);
  for (OxGfxTexture* texture : {fromFile, fromMemory, columnFile, columnMemory})
    OxGfxTextureUnload(texture);
}

// Cases: an offset of 0.5 scrolls the image by half (u = 0.25 samples the
// blue texel) and 2.5 scrolls the same; the offset uniform after reduction:
// (1.5, -0.25) -> (0.5, -0.25), (1.0, 2.0) -> (1.0, 1.0), 3.0 -> 1.0,
// 4194304.5 -> 0.5, 1e30 and 16777218 -> 1.0 (bounded time), infinity and
// NaN unchanged; a null texture unbinds and leaves the uniform unchanged;
// between frames (no program) nothing is sent and no error is raised.
TEST_F(Textures, OffsetsScrollAndReduce)
{
  OxGfxTexture* texture = OxGfxTextureLoadFromMemory(kRedBlue.data(), 2, 1);
  ASSERT_NE(texture, nullptr);
  OxGfxVertexList* quad = WindowQuad();
  OxSysFrameStart();
  StartTexturedDrawing();
  for (float offset : {0.5f, 2.5f}) {
    OxGfxTextureSet(texture, offset, 0);
    OxGfxMeshDraw(quad, OxGfxMeshDrawModeTriangles);
    Pixel pixel = Sample(0.25f, 0.5f);
    EXPECT_TRUE(IsRgba(pixel, 0, 0, 255, 128)) << offset << " " << pixel;
    pixel = Sample(0.75f, 0.5f);
    EXPECT_TRUE(IsRgba(pixel, 255, 0, 0, 255)) << offset << " " << pixel;
  }

  struct Case {
    float inX, inY, outX, outY;
  };
  const Case cases[] = {{1.5f, -0.25f, 0.5f, -0.25f}, {1.0f, 2.0f, 1.0f, 1.0f},
                        {3.0f, 0.0f, 1.0f, 0.0f},     {4194304.5f, -3.0f, 0.5f, -3.0f},
                        {1e30f, 16777218.0f, 1.0f, 1.0f}};
  float x, y;
  for (const Case& c : cases) {
    OxGfxTextureSet(texture, c.inX, c.inY);
    OffsetUniform(&x, &y);
    EXPECT_EQ(x, c.outX) << c.inX;
    EXPECT_EQ(y, c.outY) << c.inY;
  }
  OxGfxTextureSet(texture, INFINITY, NAN);
  OffsetUniform(&x, &y);
  EXPECT_EQ(x, INFINITY);
  EXPECT_TRUE(isnan(y));

  OxGfxTextureSet(texture, 0.25f, 0.75f);
  OxGfxTextureSet(nullptr, 0.5f, 0.5f);
  GLint bound = -1;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(bound, 0);
  OffsetUniform(&x, &y);
  EXPECT_EQ(x, 0.25f);
  EXPECT_EQ(y, 0.75f);
  OxSysFrameEnd();

  OxGfxTextureSet(texture, 0.5f, 0.5f);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  OxSysFrameStart();
  StartTexturedDrawing();
  OffsetUniform(&x, &y);
  EXPECT_EQ(x, 0.25f);
  OxSysFrameEnd();
  OxGfxMeshFree(quad);
  OxGfxTextureUnload(texture);
}

// Cases: nearest filtering at creation (a pixel just left of the centre is
// pure red); linear mixes the two texels; an unsupported mode prints its
// message once and keeps the bound texture's filters; a mode set right after
// a load changes no loaded texture (none is bound).
TEST(TextureFiltering, NearestAgainstLinear)
{
  oxtest::ChildResult child = oxtest::RunInChild([] {
    if (StartLibrary() != 1) return 2;
    const RgbaPixels opaque = {255, 0, 0, 255, 0, 0, 255, 255};
    OxGfxTexture* texture = OxGfxTextureLoadFromMemory(opaque.data(), 2, 1);
    OxGfxVertexList* quad = WindowQuad();
    OxGfxSetTextureMode(OxGfxTextureModeLinear);
    int failures = 0;
    OxSysFrameStart();
    StartTexturedDrawing();
    OxGfxTextureSet(texture, 0, 0);
    if (BoundFilter(GL_TEXTURE_MAG_FILTER) != GL_NEAREST) failures |= 1;
    OxGfxMeshDraw(quad, OxGfxMeshDrawModeTriangles);
    Pixel nearest = ReadPixel(390, 300);
    if (!IsColour(nearest, 255, 0, 0)) failures |= 2;

    OxGfxSetTextureMode(OxGfxTextureModeLinear);
    OxGfxMeshDraw(quad, OxGfxMeshDrawModeTriangles);
    Pixel linear = ReadPixel(390, 300);
    if (linear.r < 100 || linear.r > 170 || linear.b < 90 || linear.b > 160) failures |= 4;

    printf("[mode 2]\n");
    OxGfxSetTextureMode(2);
    OxGfxSetTextureMode(-1);
    if (BoundFilter(GL_TEXTURE_MIN_FILTER) != GL_LINEAR ||
        BoundFilter(GL_TEXTURE_MAG_FILTER) != GL_LINEAR)
      failures |= 8;
    OxSysFrameEnd();
    OxGfxMeshFree(quad);
    OxGfxTextureUnload(texture);
    OxSysExit();
    return failures;
  });
  EXPECT_EQ(child.exitCode, 0) << child.out;
  size_t marker = child.out.find("[mode 2]\n");
  ASSERT_NE(marker, std::string::npos) << child.out;
  EXPECT_EQ(child.out.substr(marker),
            "[mode 2]\nUnsupported texture mode!\nUnsupported texture mode!\n");
  EXPECT_EQ(child.err, "");
}

// Cases: a path of 255 bytes loads and keeps its path in sourcePath; the
// same file named by 256 bytes (one extra slash) is refused; a UTF-8 file
// name loads; a memory texture's sourcePath is all zero.
TEST_F(Textures, PathLimitAndSourcePath)
{
  std::string folder = dir + "/";
  while (folder.size() < 200) folder += "d";
  ASSERT_TRUE(oxtest::MakeDirectory(folder));
  std::string name = "/";
  while (folder.size() + name.size() + 4 < 255) name += "f";
  std::string path = folder + name + ".png";
  ASSERT_EQ(path.size(), 255u);
  ASSERT_TRUE(oxtest::WritePng(path, kRedBlue, 2, 1));

  OxGfxTexture* texture = OxGfxTextureLoad(path.c_str());
  ASSERT_NE(texture, nullptr);
  EXPECT_EQ(std::string(texture->sourcePath), path);
  EXPECT_EQ(texture->sourcePath[255], '\0');
  OxGfxTextureUnload(texture);
  std::string longer = folder + "/" + name + ".png";
  ASSERT_EQ(longer.size(), 256u);
  EXPECT_EQ(OxGfxTextureLoad(longer.c_str()), nullptr);

#ifndef _WIN32
  // Linux only: the Windows build takes paths in the program's code page,
  // where these bytes name another file.
  std::string utf8 = dir + "/bild-\xC3\xBC\xE2\x82\xAC.png";
  ASSERT_TRUE(oxtest::WritePng(utf8, kRedBlue, 2, 1));
  texture = OxGfxTextureLoad(utf8.c_str());
  ASSERT_NE(texture, nullptr);
  EXPECT_EQ(std::string(texture->sourcePath), utf8);
  OxGfxTextureUnload(texture);
#endif

  texture = OxGfxTextureLoadFromMemory(kRedBlue.data(), 2, 1);
  ASSERT_NE(texture, nullptr);
  for (char byte : texture->sourcePath) ASSERT_EQ(byte, '\0');
  OxGfxTextureUnload(texture);
}

// Cases, each returning null with nothing printed on either stream and the
// process going on: a missing file, a directory, an empty file, truncated
// PNG, JPEG and BMP files, a text file, an image one texel wider than the
// maximum texture size, GIFs whose codes name table entries not yet made
// (a decoder following them may loop through its table past its stack);
// from memory a negative width or height and sizes above the maximum;
// afterwards a frame runs with no OpenGL error. A GIF whose code is the
// entry about to be made (the usual repeat) loads.
TEST(TextureFiles, BadFilesFailQuietly)
{
  std::string dir = oxtest::TempDir();
  RgbaPixels big(64 * 64 * 4);
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<unsigned char>(i * 7 + i / 256);
  ASSERT_TRUE(oxtest::WritePng(dir + "/whole.png", big, 64, 64));
  ASSERT_TRUE(oxtest::WriteJpeg(dir + "/whole.jpg", big, 64, 64, 90));
  ASSERT_TRUE(oxtest::WriteBmp(dir + "/whole.bmp", big, 64, 64));
  for (std::string kind : {"png", "jpg", "bmp"}) {
    std::string bytes = oxtest::ReadBytes(dir + "/whole." + kind);
    ASSERT_GT(bytes.size(), 100u);
    ASSERT_TRUE(oxtest::WriteBytes(dir + "/cut." + kind, bytes.substr(0, bytes.size() / 2)));
  }
  ASSERT_TRUE(oxtest::MakeDirectory(dir + "/folder.png"));
  ASSERT_TRUE(oxtest::WriteBytes(dir + "/empty.png", ""));
  ASSERT_TRUE(oxtest::WriteBytes(dir + "/text.png", "not an image at all\n"));
  // Above llvmpipe's maximum texture size; the child checks the real one.
  const int wide = 16385;
  RgbaPixels row(static_cast<size_t>(wide) * 4, 255);
  ASSERT_TRUE(oxtest::WritePng(dir + "/wide.png", row, wide, 1));
  // Three pixels of colour 0 in 3-bit codes: clear, 0, then 6 (the entry
  // being made: "0 0"), end; and the same with 7, an entry not yet made.
  using namespace std::string_literals;
  const std::string gif = "GIF89a\x03\0\x01\0\x80\0\0\xff\0\0\0\xff\0,\0\0\0\0\x03\0\x01\0\0\x02\x02"s;
  ASSERT_TRUE(oxtest::WriteBytes(dir + "/whole.gif", gif + "\x84\x0b\0;"s));
  ASSERT_TRUE(oxtest::WriteBytes(dir + "/beyond.gif", gif + "\xc4\x0b\0;"s));
  ASSERT_TRUE(oxtest::WriteBytes(
      dir + "/circle.gif",
      oxtest::ReadBytes(std::string(OX_SOURCE_DIR) +
                        "/fuzz/regressions/texture/gif-codes-beyond-the-table.gif")));

  std::string folder = dir;
  oxtest::ChildResult child = oxtest::RunInChild([folder] {
    if (StartLibrary() != 1) return 2;
    GLint limit = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &limit);
    if (limit >= 16385) return 3;
    // The whole files load, so it is the damage that makes the cut ones fail.
    int failures = 0;
    for (std::string kind : {"png", "jpg", "bmp", "gif"}) {
      OxGfxTexture* whole = OxGfxTextureLoad((folder + "/whole." + kind).c_str());
      if (!whole) failures |= 1 << 15;
      OxGfxTextureUnload(whole);
    }
    printf("[loads]\n");
    const char* names[] = {"missing.png", "folder.png", "empty.png", "cut.png",   "cut.jpg",
                           "cut.bmp",     "text.png",   "wide.png",  "beyond.gif", "circle.gif"};
    for (int i = 0; i < 10; ++i)
      if (OxGfxTextureLoad((folder + "/" + names[i]).c_str()) != nullptr) failures |= 1 << i;
    unsigned char texel[4] = {1, 2, 3, 4};
    if (OxGfxTextureLoadFromMemory(texel, -1, 1)) failures |= 1 << 10;
    if (OxGfxTextureLoadFromMemory(texel, 1, -1)) failures |= 1 << 11;
    if (OxGfxTextureLoadFromMemory(nullptr, limit + 1, 1)) failures |= 1 << 12;
    if (OxGfxTextureLoadFromMemory(nullptr, 1, limit + 1)) failures |= 1 << 13;
    OxSysFrameStart();
    OxSysFrameEnd();
    if (glGetError() != GL_NO_ERROR) failures |= 1 << 14;
    printf("[done]\n");
    OxSysExit();
    return failures;
  });
  EXPECT_EQ(child.exitCode, 0) << child.out;
  size_t marker = child.out.find("[loads]\n");
  ASSERT_NE(marker, std::string::npos) << child.out;
  EXPECT_EQ(child.out.substr(marker), "[loads]\n[done]\n");
  EXPECT_EQ(child.err, "");
}

#ifdef _WIN32
// The process's peak committed memory in kilobytes, or -1.
static long PeakAddressSpaceKb()
{
  PROCESS_MEMORY_COUNTERS counters;
  if (!K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters))) return -1;
  return static_cast<long>(counters.PeakPagefileUsage / 1024);
}
#else
// The process's peak virtual size in kilobytes (VmPeak), or -1.
static long PeakAddressSpaceKb()
{
  FILE* status = fopen("/proc/self/status", "r");
  if (!status) return -1;
  char line[256];
  long peak = -1;
  while (fgets(line, sizeof line, status))
    if (sscanf(line, "VmPeak: %ld", &peak) == 1) break;
  fclose(status);
  return peak;
}
#endif

// Cases: tiny files whose headers declare huge images (BMP, GIF frame, PNG,
// JPEG, WebP, QOI, PNM, TGA) are refused before decoding: null, nothing
// printed, and the process's peak memory barely grows (the decoders would
// otherwise allocate the declared image, gigabytes, before failing).
TEST(TextureFiles, HugeDeclaredSizesRefusedBeforeDecoding)
{
  std::string dir = oxtest::TempDir();
  std::string regressions = std::string(OX_SOURCE_DIR) + "/fuzz/regressions/texture/";
  std::vector<std::string> files = {regressions + "bmp-5x-335544318.bmp",
                                    regressions + "gif-frame-65282x64256.gif",
                                    regressions + "gif-stray-bytes-before-frame.gif",
                                    regressions + "gif-later-frame-33376x25079.gif"};
  auto write = [&](const std::string& name, const std::string& bytes) {
    ASSERT_TRUE(oxtest::WriteBytes(dir + "/" + name, bytes));
    files.push_back(dir + "/" + name);
  };
  using namespace std::string_literals;
  write("huge.png", "\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\x01\x86\xa0\0\x01\x86\xa0\x08\x06\0\0\0"s +
                        std::string(64, '\0'));
  write("huge.jpg", "\xff\xd8\xff\xc0\0\x11\x08\xff\xff\xff\xff\x03\x01\x22\0\x02\x11\x01\x03\x11\x01"s +
                        std::string(64, '\0'));
  write("huge.webp", "RIFF\x40\0\0\0WEBPVP8X\x0a\0\0\0\0\0\0\0\xff\xff\xff\xff\xff\xff"s +
                         std::string(64, '\0'));
  write("huge.qoi", "qoif\x7f\xff\xff\xff\x7f\xff\xff\xff\x04\0"s + std::string(64, '\0'));
  write("huge.ppm", "P6\n60000 60000\n255\n" + std::string(64, '\x7f'));
  // A first frame the decoder cannot start (no width; a 13-bit code size)
  // followed by one declaring 30000 x 30000 pixels.
  const std::string gifScreen = "GIF89a\x04\0\x04\0\x80\0\0"s + std::string(6, '\0');
  const std::string hugeFrame = ",\0\0\0\0\x30\x75\x30\x75\0\x02\x02\x4c\x01\0;"s;
  write("no-width-frame.gif", gifScreen + ",\0\0\0\0\0\0\x04\0\0\x02\x02\x4c\x01\0"s + hugeFrame);
  write("wide-codes-frame.gif", gifScreen + ",\0\0\0\0\x01\0\x01\0\0\x0d\x02\x4c\x01\0"s + hugeFrame);
  write("huge.tga", "\0\0\x02\0\0\0\0\0\0\0\0\0\xff\xff\xff\xff\x20\x08"s + std::string(64, '\0'));

  oxtest::ChildResult child = oxtest::RunInChild([files] {
    if (StartLibrary() != 1) return 200;
    long before = PeakAddressSpaceKb();
    int failures = 0;
    for (size_t i = 0; i < files.size(); ++i)
      if (OxGfxTextureLoad(files[i].c_str()) != nullptr) failures |= 1 << i;
    // Less than 64 MB of growth for all of them. The peak address space
    // counts an image allocated and refused even when its pages were never
    // touched, which the resident size would miss.
    if (before <= 0 || PeakAddressSpaceKb() - before > 64 * 1024) failures |= 1 << 20;
    OxSysExit();
    return failures;
  });
  EXPECT_EQ(child.exitCode, 0);
  EXPECT_EQ(child.err, "");
  EXPECT_EQ(child.out.find("Error"), std::string::npos) << child.out;
}

// Cases: texels read back exactly from a TGA file (32-bit, alpha kept) and a
// lossless WebP file with alpha, a 24-bit BMP (alpha 255), a GIF with a palette and a transparent entry
// (alpha 0 there) and a JPEG (colours close); every file texture RGBA8.
TEST_F(Textures, FileFormatsDecode)
{
  const RgbaPixels four = {255, 0, 0, 255, 0, 255, 0, 128, 0, 0, 255, 0, 10, 20, 30, 40};
  ASSERT_TRUE(oxtest::WriteBmp(dir + "/four.bmp", four, 2, 2));
  ASSERT_TRUE(oxtest::WriteTransparentGif(dir + "/key.gif"));
  RgbaPixels halves(32 * 16 * 4);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 32; ++x) {
      unsigned char* p = &halves[(y * 32 + x) * 4];
      p[0] = x < 16 ? 255 : 0;
      p[1] = 0;
      p[2] = x < 16 ? 0 : 255;
      p[3] = 255;
    }
  ASSERT_TRUE(oxtest::WriteJpeg(dir + "/halves.jpg", halves, 32, 16));

  ASSERT_TRUE(oxtest::WriteTga(dir + "/four.tga", four, 2, 2));
  OxGfxTexture* tga = OxGfxTextureLoad((dir + "/four.tga").c_str());
  ASSERT_NE(tga, nullptr);
  EXPECT_EQ(Texels(tga, 2, 2), four);
  EXPECT_EQ(TextureLevelValue(tga, GL_TEXTURE_INTERNAL_FORMAT), GL_RGBA8);
  OxGfxTextureUnload(tga);

#ifndef _WIN32
  // Linux only: GDI+, the Windows build's decoder, does not read WebP. The
  // WebP encoder drops the colour of fully transparent pixels.
  RgbaPixels visible = four;
  visible[11] = 1;
  ASSERT_TRUE(oxtest::WriteWebp(dir + "/four.webp", visible, 2, 2));
  OxGfxTexture* webp = OxGfxTextureLoad((dir + "/four.webp").c_str());
  ASSERT_NE(webp, nullptr);
  EXPECT_EQ(Texels(webp, 2, 2), visible);
  EXPECT_EQ(TextureLevelValue(webp, GL_TEXTURE_INTERNAL_FORMAT), GL_RGBA8);
  OxGfxTextureUnload(webp);
#endif

  OxGfxTexture* bmp = OxGfxTextureLoad((dir + "/four.bmp").c_str());
  ASSERT_NE(bmp, nullptr);
  RgbaPixels opaque = four;
  for (size_t i = 3; i < opaque.size(); i += 4) opaque[i] = 255;
  EXPECT_EQ(Texels(bmp, 2, 2), opaque);

  OxGfxTexture* gif = OxGfxTextureLoad((dir + "/key.gif").c_str());
  ASSERT_NE(gif, nullptr);
  RgbaPixels keyed = Texels(gif, 2, 1);
  EXPECT_EQ(RgbaPixels(keyed.begin(), keyed.begin() + 4), (RgbaPixels{255, 0, 0, 255}));
  EXPECT_EQ(keyed[7], 0);

  OxGfxTexture* jpeg = OxGfxTextureLoad((dir + "/halves.jpg").c_str());
  ASSERT_NE(jpeg, nullptr);
  RgbaPixels decoded = Texels(jpeg, 32, 16);
  const unsigned char* left = &decoded[(8 * 32 + 4) * 4];
  const unsigned char* right = &decoded[(8 * 32 + 27) * 4];
  EXPECT_TRUE(left[0] > 240 && left[1] < 16 && left[2] < 16 && left[3] == 255);
  EXPECT_TRUE(right[0] < 16 && right[1] < 16 && right[2] > 240 && right[3] == 255);

  for (OxGfxTexture* texture : {bmp, gif, jpeg}) {
    EXPECT_EQ(TextureLevelValue(texture, GL_TEXTURE_INTERNAL_FORMAT), GL_RGBA8);
    OxGfxTextureUnload(texture);
  }
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// Four 8 x 8 quadrants, flat so that JPEG keeps them nearly exact: red,
// green, blue, grey (top-left, top-right, bottom-left, bottom-right).
RgbaPixels Quadrants(int size)
{
  const unsigned char colours[4][3] = {{220, 30, 40}, {20, 200, 60}, {30, 50, 210}, {128, 128, 128}};
  RgbaPixels pixels(static_cast<size_t>(size) * size * 4);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      const unsigned char* c = colours[(y >= size / 2) * 2 + (x >= size / 2)];
      unsigned char* p = &pixels[(static_cast<size_t>(y) * size + x) * 4];
      p[0] = c[0];
      p[1] = c[1];
      p[2] = c[2];
      p[3] = 255;
    }
  return pixels;
}

// The texel in the middle of each quadrant is within tolerance of expected
// (alpha exactly 255).
void ExpectQuadrants(const RgbaPixels& texels, int size, const RgbaPixels& expected,
                     int tolerance, const char* name)
{
  for (int q = 0; q < 4; ++q) {
    int x = (q % 2) * size / 2 + size / 4, y = (q / 2) * size / 2 + size / 4;
    const unsigned char* got = &texels[(static_cast<size_t>(y) * size + x) * 4];
    const unsigned char* want = &expected[(static_cast<size_t>(y) * size + x) * 4];
    for (int c = 0; c < 3; ++c)
      EXPECT_NEAR(got[c], want[c], tolerance) << name << " quadrant " << q << " channel " << c;
    EXPECT_EQ(got[3], 255) << name << " quadrant " << q;
  }
}

#ifndef _WIN32
// Linux only: the test writes these files with libjpeg, which the Windows
// test build does not have (GDI+ writes JPEG only in plain colour).
// Cases: JPEGs in the colour spaces besides plain colour decode to the
// right colours, never garbage: CMYK and YCCK (inverted ink with an Adobe
// marker, as Photoshop writes them; the ink of each quadrant chosen so its
// colour is the quadrant's red, green, blue and grey) within 6 levels per
// channel, alpha 255; greyscale as equal red, green and blue; progressive
// scans as baseline ones.
TEST_F(Textures, JpegColourSpaces)
{
  const int size = 16;
  RgbaPixels colours = Quadrants(size);
  // Ink for each pixel: black takes the common part, the inks the rest.
  RgbaPixels ink(colours.size());
  for (size_t i = 0; i < colours.size(); i += 4) {
    int r = colours[i], g = colours[i + 1], b = colours[i + 2];
    int k = 255 - std::max(r, std::max(g, b));
    int white = 255 - k;
    ink[i + 0] = static_cast<unsigned char>((white - r) * 255 / white);
    ink[i + 1] = static_cast<unsigned char>((white - g) * 255 / white);
    ink[i + 2] = static_cast<unsigned char>((white - b) * 255 / white);
    ink[i + 3] = static_cast<unsigned char>(k);
  }
  // The colour the ink stands for, by the usual conversion.
  RgbaPixels inked(colours.size());
  for (size_t i = 0; i < ink.size(); i += 4) {
    for (int c = 0; c < 3; ++c)
      inked[i + c] = static_cast<unsigned char>((255 - ink[i + c]) * (255 - ink[i + 3]) / 255);
    inked[i + 3] = 255;
  }
  RgbaPixels grey = colours;
  for (size_t i = 0; i < grey.size(); i += 4) grey[i + 1] = grey[i + 2] = grey[i];
  ASSERT_TRUE(oxtest::WriteJpegColours(dir + "/cmyk.jpg", ink, size, size, oxtest::JpegColours::Cmyk));
  ASSERT_TRUE(oxtest::WriteJpegColours(dir + "/ycck.jpg", ink, size, size, oxtest::JpegColours::Ycck));
  ASSERT_TRUE(oxtest::WriteJpegColours(dir + "/grey.jpg", colours, size, size, oxtest::JpegColours::Grey));
  ASSERT_TRUE(oxtest::WriteJpegColours(dir + "/progressive.jpg", colours, size, size,
                                       oxtest::JpegColours::Progressive));
  struct {
    const char* name;
    const RgbaPixels& expected;
  } cases[] = {{"cmyk.jpg", inked}, {"ycck.jpg", inked}, {"grey.jpg", grey},
               {"progressive.jpg", colours}};
  for (auto& item : cases) {
    OxGfxTexture* texture = OxGfxTextureLoad((dir + "/" + item.name).c_str());
    ASSERT_NE(texture, nullptr) << item.name;
    ExpectQuadrants(Texels(texture, size, size), size, item.expected, 6, item.name);
    OxGfxTextureUnload(texture);
  }
}
#endif

// Cases: an interlaced 24-bit PNG with gamma, chromaticities, time, text and
// a transparent colour decodes exactly, with alpha 0 where the transparent
// colour is and 255 elsewhere (gamma is not applied); QOI and binary PPM
// files decode exactly (PPM with alpha 255).
TEST_F(Textures, PngChunksQoiAndPnmDecode)
{
  const int size = 16;
  RgbaPixels colours = Quadrants(size);
  ASSERT_TRUE(oxtest::WritePngWithChunks(dir + "/chunks.png", colours, size, size));
  RgbaPixels keyed = colours;
  for (size_t i = 0; i < keyed.size(); i += 4)
    if (keyed[i] == colours[0] && keyed[i + 1] == colours[1] && keyed[i + 2] == colours[2])
      keyed[i + 3] = 0;
  RgbaPixels translucent = colours;
  for (size_t i = 3; i < translucent.size(); i += 4) translucent[i] = static_cast<unsigned char>(i);
  ASSERT_TRUE(oxtest::WriteQoi(dir + "/image.qoi", translucent, size, size));
  ASSERT_TRUE(oxtest::WritePnm(dir + "/image.ppm", colours, size, size));
  struct {
    const char* name;
    const RgbaPixels& expected;
  } cases[] = {{"chunks.png", keyed}, {"image.qoi", translucent}, {"image.ppm", colours}};
  for (auto& item : cases) {
    OxGfxTexture* texture = OxGfxTextureLoad((dir + "/" + item.name).c_str());
    ASSERT_NE(texture, nullptr) << item.name;
    EXPECT_EQ(Texels(texture, size, size), item.expected) << item.name;
    OxGfxTextureUnload(texture);
  }
}

// Cases: TGA and PNM files in the variants programs write, built byte by
// byte: TGA true colour of 32, 24 and 16 bits, either row order and right to
// left, run-length encoded, colour-mapped after an id field, grey; PNM
// bitmaps, grey and colour maps in text and binary, with comments and a
// small largest value. Each decodes to the expected 2 x 2 texels; every
// binary file cut short is refused.
TEST_F(Textures, TgaAndPnmVariantsDecode)
{
  using namespace std::string_literals;
  using Bytes = std::string;
  // A 2 x 2 TGA file: the header, the id, the colour map (if any), the data.
  auto tga = [](unsigned char type, unsigned char bits, unsigned char descriptor, const Bytes& data,
                const Bytes& id = "", const Bytes& map = "", unsigned char mapBits = 0,
                unsigned char mapFirst = 0) {
    auto mapCount = static_cast<unsigned char>(map.size() / (mapBits ? (mapBits + 7) / 8 : 1));
    const unsigned char header[18] = {static_cast<unsigned char>(id.size()),
                                      static_cast<unsigned char>(map.empty() ? 0 : 1),
                                      type, mapFirst, 0, mapCount, 0, mapBits, 0, 0, 0, 0, 2, 0,
                                      2, 0, bits, descriptor};
    return Bytes(reinterpret_cast<const char*>(header), 18) + id + map + data;
  };
  const Bytes rgbMap = "\x00\x00\xff\x00\xff\x00\xff\x00\x00\x1e\x14\x0a"s;
  const RgbaPixels four = {255, 0, 0, 255, 0, 255, 0, 128, 0, 0, 255, 0, 10, 20, 30, 40};
  RgbaPixels opaque = four;
  for (size_t i = 3; i < opaque.size(); i += 4) opaque[i] = 255;
  const RgbaPixels mirrored = {0, 255, 0, 128, 255, 0, 0, 255, 10, 20, 30, 40, 0, 0, 255, 0};
  const RgbaPixels runs = {255, 0, 0, 255, 255, 0, 0, 255, 0, 0, 255, 0, 10, 20, 30, 40};
  const RgbaPixels greys = {0, 0, 0, 255, 85, 85, 85, 255, 170, 170, 170, 255, 255, 255, 255, 255};
  const RgbaPixels bits = {255, 255, 255, 255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255, 255};
  // 16 bits: x RRRRR GGGGG BBBBB, each five bits v as v * 255 / 31 rounded down.
  const RgbaPixels fives = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 8, 131, 197, 255};
  // Largest value 100: 1, 50, 99 and 100 of it, scaled to 255 rounded down.
  const RgbaPixels hundredths = {2, 2, 2, 255, 127, 127, 127, 255, 252, 252, 252, 255,
                                 255, 255, 255, 255};
  const Bytes bgra32 = "\x00\x00\xff\xff\x00\xff\x00\x80\xff\x00\x00\x00\x1e\x14\x0a\x28"s;
  const Bytes bgr24Bottom = "\xff\x00\x00\x1e\x14\x0a\x00\x00\xff\x00\xff\x00"s;
  struct Case {
    const char* name;
    Bytes bytes;
    const RgbaPixels& expected;
    bool binary;
  } cases[] = {
      {"true32.tga", tga(2, 32, 0x28, bgra32), four, true},
      {"true24-bottom.tga", tga(2, 24, 0x00, bgr24Bottom), opaque, true},
      {"true32-right.tga", tga(2, 32, 0x38, bgra32), mirrored, true},
      {"true16.tga", tga(2, 16, 0x20, "\x00\x7c\xe0\x03\x1f\x00\x18\x86"s), fives, true},
      {"rle32.tga", tga(10, 32, 0x28, "\x81\x00\x00\xff\xff\x01\xff\x00\x00\x00\x1e\x14\x0a\x28"s),
       runs, true},
      {"mapped.tga", tga(1, 8, 0x20, "\x01\x02\x03\x04"s, "id!", rgbMap, 24, 1), opaque, true},
      {"grey.tga", tga(3, 8, 0x00, "\xaa\xff\x00\x55"s), greys, true},
      {"rle-grey.tga", tga(11, 8, 0x20, "\x01\x00\x55\x80\xaa\x80\xff"s), greys, true},
      {"colour.ppm", "P6\n2 2\n255\n\xff\x00\x00\x00\xff\x00\x00\x00\xff\x0a\x14\x1e"s, opaque,
       true},
      {"colour-text.ppm", "P3 2 2 255\n255 0 0  0 255 0\n0 0 255  10 20 30\n", opaque, false},
      {"grey.pgm", "P5\n# a comment\n2 2\n255\n\x00\x55\xaa\xff"s, greys, true},
      {"grey-text.pgm", "P2\n2 # width\n2\n100\n1 50\n99 100\n", hundredths, false},
      {"bits.pbm", "P4\n2 2\n\x40\x80"s, bits, true},
      {"bits-text.pbm", "P1\n2 2\n01\n10\n", bits, false},
      {"mapped16.tga", tga(1, 16, 0x20, "\x00\x00\x01\x00\x02\x00\x03\x00"s, "", rgbMap, 24),
       opaque, true},
      {"mapped32.tga", tga(1, 8, 0x20, "\x00\x01\x02\x03"s, "", bgra32, 32), four, true},
  };
  for (const Case& item : cases) {
    std::string path = dir + "/" + item.name;
    ASSERT_TRUE(oxtest::WriteBytes(path, item.bytes));
    OxGfxTexture* texture = OxGfxTextureLoad(path.c_str());
    ASSERT_NE(texture, nullptr) << item.name;
    EXPECT_EQ(Texels(texture, 2, 2), item.expected) << item.name;
    OxGfxTextureUnload(texture);
    for (size_t cut = 0; item.binary && cut < item.bytes.size(); ++cut) {
      ASSERT_TRUE(oxtest::WriteBytes(path, item.bytes.substr(0, cut)));
      OxGfxTexture* partial = OxGfxTextureLoad(path.c_str());
      EXPECT_EQ(partial, nullptr) << item.name << " cut at " << cut;
      OxGfxTextureUnload(partial);
    }
  }
}

// Cases: the save stub's message with both arguments and silence with
// either null; OxGfxTextureInitialize gives a zero name cell and ignores
// null; unloading null is harmless.
TEST(TextureRecords, SaveStubInitializeAndNullUnload)
{
  oxtest::ChildResult child = oxtest::RunInChild([] {
    OxGfxTexture record = {};
    OxGfxSaveTextureToFile(&record, "out.png");
    OxGfxSaveTextureToFile(nullptr, "out.png");
    OxGfxSaveTextureToFile(&record, nullptr);
    OxGfxTextureInitialize(&record);
    int result = record.textureName && *record.textureName == 0 ? 0 : 1;
    free(record.textureName);
    OxGfxTextureInitialize(nullptr);
    OxGfxTextureUnload(nullptr);
    return result;
  });
  EXPECT_EQ(child.exitCode, 0);
  EXPECT_EQ(child.out,
            "OxGfxSaveTextureToFile not supported in the OpenGL version of the Oxlen Engine!\n");
  EXPECT_EQ(child.err, "");
}

// Cases: t at or below 0 gives colour0 (-3, 0, NaN), at or above 1 colour1
// (1, 7); t = 0.5 between 0x00 and 0xFF rounds 127.5 up; each byte blends on
// its own, upwards and downwards; t = 0.25 and 0.75.
TEST(ColInterp, ClampedLinearBlendPerByte)
{
  const unsigned int c0 = 0x10FF2080, c1 = 0xF000A040;
  EXPECT_EQ(OxGfxColInterp(c0, c1, -3.0f), c0);
  EXPECT_EQ(OxGfxColInterp(c0, c1, 0.0f), c0);
  EXPECT_EQ(OxGfxColInterp(c0, c1, NAN), c0);
  EXPECT_EQ(OxGfxColInterp(c0, c1, 1.0f), c1);
  EXPECT_EQ(OxGfxColInterp(c0, c1, 7.0f), c1);
  EXPECT_EQ(OxGfxColInterp(0x00000000, 0xFFFFFFFF, 0.5f), 0x80808080u);
  EXPECT_EQ(OxGfxColInterp(0xFF00FF00, 0x00FF00FF, 0.5f), 0x80808080u);
  // 0x10 -> 0xF0 at 0.25: 16 + 56 = 72 (0x48); 0xFF -> 0x00: 191.25 -> 191.
  EXPECT_EQ(OxGfxColInterp(c0, c1, 0.25f), 0x48BF4070u);
  // At 0.75: 184 (0xB8), 63.75 -> 64, 0x20 -> 0xA0: 128, 0x80 -> 0x40: 80.
  EXPECT_EQ(OxGfxColInterp(c0, c1, 0.75f), 0xB8408050u);
}
