// The bad-input table: every documented failure input of the images, fonts,
// text, meshes and render state, sounds and system settings, each family in
// a child process that runs its cases in order. The child prints a marker
// and what each call returned; the parent compares everything printed after
// start-up byte for byte, so a missing, extra or changed message fails.
// Desktop-only program: each family's cases run under a watchdog alarm that ends a
// case that hangs (SIGALRM and _exit), which a page has not.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <math.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef _WIN32
#include <windows.h>
#include <psapi.h>
#else
#include <fcntl.h>
#include <malloc.h>
#endif

#include <atomic>
#include <functional>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "OxFileSupport.h"
#include "OxImageSupport.h"
#include "OxTestSound.h"
#include "OxTestSupport.h"
#include "Oxlen.h"

namespace {

const char* const kFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

// Starts the library in an 800 x 600 window and prints the start marker, so
// that what follows is only the cases' output.
bool Start(unsigned int maxFrameRate = 0)
{
  if (OxSysInit(nullptr, SW_SHOW, 800, 600, 0, maxFrameRate, 0, nullptr) != 1) return false;
  printf("[start]\n");
  return true;
}

// Everything the child printed after the start marker.
std::string AfterStart(const oxtest::ChildResult& child)
{
  size_t at = child.out.find("[start]\n");
  return at == std::string::npos ? "no start marker in:\n" + child.out : child.out.substr(at + 8);
}

// A path of exactly `bytes` bytes inside folder, ending in suffix.
std::string PathOfLength(const std::string& folder, size_t bytes, const std::string& suffix)
{
  std::string head = folder + "/";
  return head + std::string(bytes - head.size() - suffix.size(), 'p') + suffix;
}

// The files every loader family is tried with: a good one (whole), then
// missing, empty, truncated, a directory and one of another format.
struct BadFiles {
  std::string whole, missing, empty, cut, folder, other;
};

// The truncated file keeps cutBytes of the whole one (half when 0).
BadFiles WriteBadFiles(const std::string& dir, const std::string& extension,
                       const std::string& wholeBytes, const std::string& otherBytes,
                       size_t cutBytes = 0)
{
  BadFiles files;
  files.whole = dir + "/whole" + extension;
  files.missing = dir + "/missing" + extension;
  files.empty = dir + "/empty" + extension;
  files.cut = dir + "/cut" + extension;
  files.folder = dir + "/folder" + extension;
  files.other = dir + "/other" + extension;
  EXPECT_TRUE(oxtest::WriteBytes(files.whole, wholeBytes));
  EXPECT_TRUE(oxtest::WriteBytes(files.empty, ""));
  EXPECT_TRUE(oxtest::WriteBytes(files.cut, wholeBytes.substr(0, cutBytes ? cutBytes : wholeBytes.size() / 2)));
  EXPECT_TRUE(oxtest::MakeDirectory(files.folder));
  EXPECT_TRUE(oxtest::WriteBytes(files.other, otherBytes));
  return files;
}

std::string FileBytes(const std::string& path) { return oxtest::ReadBytes(path); }

// A TrueType font with its horizontal header's ascender and line gap at
// 0x4000 each, so that FreeType's 16-bit line spacing comes out negative.
std::string WithNegativeLineSpacing(std::string font)
{
  auto byte = [&](size_t at) { return static_cast<size_t>(static_cast<unsigned char>(font[at])); };
  size_t tables = byte(4) << 8 | byte(5);
  for (size_t entry = 12; entry < 12 + 16 * tables && entry + 16 <= font.size(); entry += 16) {
    if (font.compare(entry, 4, "hhea") != 0) continue;
    size_t at = byte(entry + 8) << 24 | byte(entry + 9) << 16 | byte(entry + 10) << 8 |
                byte(entry + 11);
    const char spacing[6] = {0x40, 0, 0, 0, 0x40, 0};  // ascender, descender, line gap
    if (at + 10 <= font.size()) font.replace(at + 4, 6, spacing, 6);
  }
  return font;
}

}  // namespace

// Images: missing, empty, truncated, directory and non-image files load as
// null with no message; paths of 255 bytes load and of 256 bytes fail
// quietly; a UTF-8 path loads; memory textures of width or height -1 and
// above the maximum fail, 0 x 0 is accepted; unsupported texture modes 2 and
// -1 print their message; NaN and infinite offsets reach the program
// without an OpenGL error.
TEST(BadInput, Images)
{
  std::string dir = oxtest::TempDir();
  oxtest::RgbaPixels pixels(16 * 16 * 4, 200);
  ASSERT_TRUE(oxtest::WritePng(dir + "/source.png", pixels, 16, 16));
  BadFiles files = WriteBadFiles(dir, ".png", FileBytes(dir + "/source.png"), "GIF89a? no\n");
  std::string path255 = PathOfLength(dir, 255, ".png");
  std::string path256 = PathOfLength(dir, 256, ".png");
  std::string utf8 = dir + "/\xc3\xa9t\xc3\xa9-\xe6\x97\xa5\xe6\x9c\xac.png";
  for (const std::string& path : {path255, path256, utf8})
    ASSERT_TRUE(oxtest::WriteBytes(path, FileBytes(files.whole)));

  oxtest::ChildResult child = oxtest::RunInChild([&] {
    if (!Start()) return 2;
    auto load = [](const char* name, const std::string& path) {
      OxGfxTexture* texture = OxGfxTextureLoad(path.c_str());
      printf("%s %s\n", name, texture ? "loaded" : "null");
      OxGfxTextureUnload(texture);
    };
    load("whole", files.whole);
    load("missing", files.missing);
    load("empty", files.empty);
    load("truncated", files.cut);
    load("directory", files.folder);
    load("other", files.other);
    load("path255", path255);
    load("path256", path256);
    load("utf8", utf8);

    GLint limit = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &limit);
    unsigned char texel[4] = {1, 2, 3, 4};
    struct {
      const char* name;
      int width, height;
    } sizes[] = {{"memory -1x1", -1, 1}, {"memory 1x-1", 1, -1}, {"memory 0x0", 0, 0},
                 {"memory max+1 wide", limit + 1, 1}, {"memory max+1 high", 1, limit + 1}};
    for (auto& size : sizes) {
      // Past the limit no pixel is read, so one texel stands for them all.
      OxGfxTexture* texture = OxGfxTextureLoadFromMemory(texel, size.width, size.height);
      printf("%s %s\n", size.name, texture ? "made" : "null");
      OxGfxTextureUnload(texture);
    }

    OxGfxTexture* texture = OxGfxTextureLoad(files.whole.c_str());
    OxSysFrameStart();
    OxGfxSetRenderMode(OxGfxRenderModeTexture);
    OxGfxTextureSet(texture, 0, 0);
    printf("[mode 2]\n");
    OxGfxSetTextureMode(2);
    printf("[mode -1]\n");
    OxGfxSetTextureMode(-1);
    printf("[offsets]\n");
    OxGfxTextureSet(texture, kNaN, kInf);
    OxGfxTextureSet(texture, -kInf, 1e30f);
    OxGfxTextureSet(nullptr, kNaN, kNaN);
    OxSysFrameEnd();
    OxGfxTextureUnload(texture);
    printf("gl error %d\n", static_cast<int>(glGetError()));
    printf("[end]\n");
    return 0;
  });
  EXPECT_EQ(child.exitCode, 0) << child.out;
  EXPECT_EQ(AfterStart(child),
            "whole loaded\nmissing null\nempty null\ntruncated null\ndirectory null\nother null\n"
            "path255 loaded\npath256 null\nutf8 loaded\n"
            "memory -1x1 null\nmemory 1x-1 null\nmemory 0x0 made\n"
            "memory max+1 wide null\nmemory max+1 high null\n"
            "[mode 2]\nUnsupported texture mode!\n[mode -1]\nUnsupported texture mode!\n"
            "[offsets]\ngl error 0\n[end]\n");
  EXPECT_EQ(child.err, "");
  oxtest::RemoveTree(dir);
}

// Fonts: missing, empty, truncated, directory and non-font files print
// "Error: Could not load font <path>" and give -1; so do sizes 0, -1 and
// 100000 (its atlas would pass the maximum texture size). Paths of 255 and
// 256 bytes and a UTF-8 path load (fonts have no path limit of their own),
// and so does a font whose line spacing is negative, which then prints.
// An unknown id prints the destroy message.
TEST(BadInput, Fonts)
{
  std::string dir = oxtest::TempDir();
  BadFiles files = WriteBadFiles(dir, ".ttf", FileBytes(kFont), "not a font\n");
  std::string path255 = PathOfLength(dir, 255, ".ttf");
  std::string path256 = PathOfLength(dir, 256, ".ttf");
  std::string utf8 = dir + "/\xc3\xa9t\xc3\xa9-\xe6\x97\xa5\xe6\x9c\xac.ttf";
  for (const std::string& path : {path255, path256, utf8})
    ASSERT_TRUE(oxtest::WriteBytes(path, FileBytes(files.whole)));
  std::string spacing = dir + "/negative-spacing.ttf";
  ASSERT_TRUE(oxtest::WriteBytes(spacing, WithNegativeLineSpacing(FileBytes(files.whole))));

  oxtest::ChildResult child = oxtest::RunInChild([&] {
    if (!Start()) return 2;
    auto create = [](const char* name, const std::string& path, int size) {
      printf("[%s]\n", name);
      OxGfxFontId font = OxGfxCreateFont(path.c_str(), size);
      printf("id %s\n", font == -1 ? "-1" : "valid");
      if (font != -1) OxGfxDestroyFont(font);
    };
    create("missing", files.missing, 16);
    create("empty", files.empty, 16);
    create("truncated", files.cut, 16);
    create("directory", files.folder, 16);
    create("other", files.other, 16);
    create("size 0", files.whole, 0);
    create("size -1", files.whole, -1);
    create("size 100000", files.whole, 100000);
    printf("[unknown]\n");
    OxGfxDestroyFont(42);
    OxGfxDestroyFont(-1);
    // The long and UTF-8 paths print the start of the creation line; only
    // the results are compared for them below.
    printf("[paths]\n");
    for (const std::string& path : {path255, path256, utf8, spacing}) {
      OxGfxFontId font = OxGfxCreateFont(path.c_str(), 12);
      printf("[%s]\n", font == -1 ? "-1" : "valid");
      if (font == -1) continue;
      OxGfxPrint(font, "A\nB", 0, 0, 1, 1, 1, 1, 1);
      OxGfxDestroyFont(font);
    }
    return 0;
  });
  EXPECT_EQ(child.exitCode, 0) << child.out;
  std::string out = AfterStart(child);
  size_t paths = out.find("[paths]\n");
  ASSERT_NE(paths, std::string::npos) << out;
  auto error = [](const std::string& path) { return "Error: Could not load font " + path + "\n"; };
  EXPECT_EQ(out.substr(0, paths),
            "[missing]\n" + error(files.missing) + "id -1\n" +
            "[empty]\n" + error(files.empty) + "id -1\n" +
            "[truncated]\n" + error(files.cut) + "id -1\n" +
            "[directory]\n" + error(files.folder) + "id -1\n" +
            "[other]\n" + error(files.other) + "id -1\n" +
            "[size 0]\n" + error(files.whole) + "id -1\n" +
            "[size -1]\n" + error(files.whole) + "id -1\n" +
            "[size 100000]\n" + error(files.whole) + "id -1\n" +
            "[unknown]\nError: Trying to destroy a font with an unknown fontId (42)\n"
            "Error: Trying to destroy a font with an unknown fontId (-1)\n");
  std::string rest = out.substr(paths);
  for (const std::string& path : {path255, path256, utf8, spacing})
    EXPECT_NE(rest.find("Font " + path + ", size 12, generated a "), std::string::npos) << rest;
  EXPECT_EQ(rest.find("[-1]"), std::string::npos) << rest;
  EXPECT_EQ(child.err, "");
  oxtest::RemoveTree(dir);
}

// Text: high bytes and control characters draw nothing, measure nothing and
// move no pen (so "A\x01\n\x80\xff" + "B" measures as "AB"); NaN and
// infinite positions, scales and colours draw without an OpenGL error; an
// unknown id prints the print and size messages with the text and leaves
// the outputs untouched.
TEST(BadInput, Text)
{
  oxtest::ChildResult child = oxtest::RunInChild([] {
    if (!Start()) return 2;
    OxGfxFontId font = OxGfxCreateFont(kFont, 20);
    printf("[start]\n");
    float plainWidth = 0, plainHeight = 0, oddWidth = 0, oddHeight = 0;
    OxGfxGetPrintSize(font, "AB", 1, &plainWidth, &plainHeight);
    OxGfxGetPrintSize(font, "A\x01\n\t\x1f\x80\xc3\xa9\xff" "B", 1, &oddWidth, &oddHeight);
    printf("same size %d\n", plainWidth == oddWidth && plainHeight == oddHeight && plainWidth > 0);
    float highWidth = -1, highHeight = -1;
    OxGfxGetPrintSize(font, "\x80\x81\xfe\xff\x01\x1b", 1, &highWidth, &highHeight);
    printf("high and control size %g %g\n", highWidth, highHeight);
    OxSysFrameStart();
    OxGfxPrint(font, "\x80\xff\x01\n\x7f", 0, 0, 1, 1, 1, 1, 1);
    OxGfxPrint(font, "nan", kNaN, kNaN, 1, kNaN, kNaN, kNaN, kNaN);
    OxGfxPrint(font, "inf", kInf, -kInf, kInf, kInf, -kInf, kInf, kInf);
    OxGfxPrint(font, "scale", 0, 0, kNaN, 1, 1, 1, 1);
    float width = 7, height = 8;
    OxGfxGetPrintSize(font, "nan", kNaN, &width, &height);
    printf("nan scale width %s\n", isnan(width) ? "nan" : "number");
    OxSysFrameEnd();
    printf("gl error %d\n", static_cast<int>(glGetError()));
    printf("[unknown]\n");
    OxSysFrameStart();
    OxGfxPrint(99, "hi\x80", 0, 0, 1, 1, 1, 1, 1);
    width = 7;
    height = 8;
    OxGfxGetPrintSize(99, "hi", 1, &width, &height);
    printf("untouched %g %g\n", width, height);
    OxSysFrameEnd();
    OxGfxDestroyFont(font);
    return 0;
  });
  EXPECT_EQ(child.exitCode, 0) << child.out;
  std::string out = AfterStart(child);
  size_t second = out.find("[start]\n");
  ASSERT_NE(second, std::string::npos) << out;
  EXPECT_EQ(out.substr(second + 8),
            "same size 1\nhigh and control size 0 0\nnan scale width nan\ngl error 0\n[unknown]\n"
            "Error: Cannot print msg (hi\x80). FontId (99) coud not be found\n"
            "Error: Cannot get size of msg (hi). FontId (99) coud not be found\n"
            "untouched 7 8\n");
  EXPECT_EQ(child.err, "");
}

// Meshes and render state: the 24,577th vertex is ignored with one message
// per mesh and the full mesh draws; a null mesh is ignored by draw and free;
// draw modes 4 and 4294967295 print their message; render modes 3 and -1 and
// blend modes 5 and -1 change nothing and print nothing; NaN and infinite
// colours, transparency and vertex values reach OpenGL without an error.
TEST(BadInput, MeshesAndRenderState)
{
  oxtest::ChildResult child = oxtest::RunInChild([] {
    if (!Start()) return 2;
    printf("[overflow]\n");
    OxGfxMeshStart();
    for (int i = 0; i < 24576 / 3 + 2; ++i)
      OxGfxTriAdd(0, 0, 0xFFFFFFFF, 0, 0, 1, 0, 0xFFFFFFFF, 1, 0, 0, 1, 0xFFFFFFFF, 0, 1);
    OxGfxVertexList* full = OxGfxMeshEnd();
    printf("vertices %u\n", full ? full->vertexCount : 0u);
    printf("[next mesh]\n");
    OxGfxMeshStart();
    OxGfxVertexAdd(kNaN, kInf, 0x80FF0000, kNaN, -kInf);
    OxGfxVertexAdd(-kInf, kNaN, 0, kInf, kNaN);
    OxGfxVertexAdd(1e38f, -1e38f, 0xFFFFFFFF, 0, 0);
    OxGfxVertexList* odd = OxGfxMeshEnd();
    printf("vertices %u\n", odd ? odd->vertexCount : 0u);

    OxSysFrameStart();
    OxGfxSetRenderMode(OxGfxRenderModeColor);
    OxGfxMeshDraw(full, OxGfxMeshDrawModeTriangles);
    printf("[null mesh]\n");
    OxGfxMeshDraw(nullptr, OxGfxMeshDrawModeTriangles);
    OxGfxMeshFree(nullptr);
    printf("[draw modes]\n");
    OxGfxMeshDraw(odd, 4);
    OxGfxMeshDraw(odd, 4294967295u);
    printf("[render and blend modes]\n");
    OxGfxSetRenderMode(3);
    OxGfxSetRenderMode(-1);
    OxGfxSetBlendMode(5);
    OxGfxSetBlendMode(-1);
    OxGfxSetBlendMode(OxGfxBlendModeBlend);
    printf("[colours]\n");
    OxGfxSetRenderMode(OxGfxRenderModeColor);
    OxGfxSetBlendColor(kNaN, kInf, -kInf, kNaN);
    OxGfxSetColorToMultiply(kInf, kNaN, 1, -kInf);
    OxGfxSetColorToAdd(kNaN, kNaN, kNaN, kNaN);
    OxGfxSetTransparency(kNaN);
    OxGfxSetTransparency(-kInf);
    OxGfxSetBackgroundColor(kNaN, kInf, -kInf);
    OxGfxSetCamPosition(kNaN, kInf);
    OxGfxMeshDraw(odd, OxGfxMeshDrawModeTriangles);
    OxGfxMeshDraw(odd, OxGfxMeshDrawModePoints);
    OxSysFrameEnd();
    OxGfxSetCamPosition(0, 0);
    OxSysFrameStart();
    OxSysFrameEnd();
    printf("gl error %d\n", static_cast<int>(glGetError()));
    OxGfxMeshFree(full);
    OxGfxMeshFree(odd);
    return 0;
  });
  EXPECT_EQ(child.exitCode, 0) << child.out;
  EXPECT_EQ(AfterStart(child),
            "[overflow]\nMesh is full: vertices beyond 24576 are ignored\nvertices 24576\n"
            "[next mesh]\nvertices 3\n[null mesh]\n[draw modes]\n"
            "Mesh Draw Mode 4 is invalid!\nMesh Draw Mode 4294967295 is invalid!\n"
            "[render and blend modes]\n[colours]\ngl error 0\n");
  EXPECT_EQ(child.err, "");
}

// Sounds, through the whole library on the silent driver: missing, empty,
// truncated, directory and non-audio files give invalid records as sounds
// and as music; paths of 255 and 256 bytes and a UTF-8 path load; play with
// a null sound or group, group calls on a null group and unloading null
// records do nothing; released sounds and groups (used again, released
// twice) do nothing; NaN and infinite volumes and pitches are taken without
// a crash. Nothing is printed.
TEST(BadInput, Sounds)
{
  std::string dir = oxtest::TempDir();
  ASSERT_TRUE(oxtest::WriteSoundFile(dir + "/source.wav", oxtest::SoundFormat::Wav, 22050, 1,
                                     oxtest::Sine(440, 0.5f, 22050, 2205)));
  // Cut inside the header: a WAV cut inside its samples still plays the
  // samples it has (the decoder trims the declared length to the file).
  BadFiles files = WriteBadFiles(dir, ".wav", FileBytes(dir + "/source.wav"), "RIFF? no\n", 30);
  std::string path255 = PathOfLength(dir, 255, ".wav");
  std::string path256 = PathOfLength(dir, 256, ".wav");
  std::string utf8 = dir + "/\xc3\xa9t\xc3\xa9-\xe6\x97\xa5\xe6\x9c\xac.wav";
  for (const std::string& path : {path255, path256, utf8})
    ASSERT_TRUE(oxtest::WriteBytes(path, FileBytes(files.whole)));

  oxtest::ChildResult child = oxtest::RunInChild([&] {
    if (!Start()) return 2;
    OxAudioGroup group = OxAudioCreateGroup();
    printf("group %d\n", OxAudioIsValidGroup(group));
    struct {
      const char* name;
      const std::string& path;
    } cases[] = {{"whole", files.whole},     {"missing", files.missing}, {"empty", files.empty},
                 {"truncated", files.cut},   {"directory", files.folder}, {"other", files.other},
                 {"path255", path255},       {"path256", path256},        {"utf8", utf8}};
    for (auto& item : cases) {
      OxAudio sound = OxAudioLoadSound(item.path.c_str());
      OxAudio music = OxAudioLoadMusic(item.path.c_str());
      printf("%s %d %d\n", item.name, OxAudioIsValidAudio(sound), OxAudioIsValidAudio(music));
      OxAudioUnloadAudio(sound);
      OxAudioUnloadAudio(music);
    }
    printf("[null]\n");
    OxAudio none = {nullptr};
    OxAudioGroup noGroup = {nullptr};
    OxAudio sound = OxAudioLoadSound(files.whole.c_str());
    OxAudioPlay(none, group, 1, 1, 0);
    OxAudioPlay(sound, noGroup, 1, 1, 0);
    OxAudioPauseGroup(noGroup);
    OxAudioResumeGroup(noGroup);
    OxAudioStopGroup(noGroup);
    OxAudioSetGroupVolume(noGroup, 0.5f);
    OxAudioSetGroupPitch(noGroup, 2);
    OxAudioUnloadAudio(none);
    OxAudioUnloadAudioGroup(noGroup);
    printf("[values]\n");
    const float values[] = {kNaN, kInf, -kInf, -1, 0, 1e30f};
    for (float value : values) {
      OxAudioPlay(sound, group, value, 1, 0);
      OxAudioPlay(sound, group, 1, value, 0);
      OxAudioPlay(sound, group, value, value, -1);
      OxAudioSetGroupVolume(group, value);
      OxAudioSetGroupPitch(group, value);
      OxSysFrameStart();
      OxSysFrameEnd();
    }
    OxAudioStopGroup(group);
    printf("[released]\n");
    OxAudioGroup spare = OxAudioCreateGroup();
    OxAudioUnloadAudio(sound);
    OxAudioUnloadAudioGroup(spare);
    OxAudioPlay(sound, group, 1, 1, 0);
    OxAudioPlay(OxAudioLoadSound(files.whole.c_str()), spare, 1, 1, 0);
    OxAudioPauseGroup(spare);
    OxAudioResumeGroup(spare);
    OxAudioStopGroup(spare);
    OxAudioSetGroupVolume(spare, 0.5f);
    OxAudioSetGroupPitch(spare, 2);
    OxAudioUnloadAudio(sound);
    OxAudioUnloadAudioGroup(spare);
    OxSysFrameStart();
    OxSysFrameEnd();
    OxAudioUnloadAudioGroup(group);
    printf("[end]\n");
    OxSysExit();
    return 0;
  });
  EXPECT_EQ(child.exitCode, 0) << child.out;
  EXPECT_EQ(AfterStart(child),
            "group 1\nwhole 1 1\nmissing 0 0\nempty 0 0\ntruncated 0 0\ndirectory 0 0\n"
            "other 0 0\npath255 1 1\npath256 1 1\nutf8 1 1\n[null]\n[values]\n[released]\n"
            "[end]\n");
  EXPECT_EQ(child.err, "");
  oxtest::RemoveTree(dir);
}

// System settings, each start in its own child: a frame-rate limit of
// 4294967295 starts and runs frames without waiting for them (the minimum
// frame time is about 0.23 ns); a window of 0 x 0 and one larger than the
// display (4000 x 3000 on the 1920 x 1080 test display) start and run frames.
TEST(BadInput, SystemSettings)
{
  struct Case {
    const char* name;
    int width, height;
    unsigned int maxFrameRate;
  } cases[] = {{"frame rate 4294967295", 800, 600, 4294967295u},
               {"window 0 x 0", 0, 0, 60},
               {"window 4000 x 3000", 4000, 3000, 60}};
  for (const Case& item : cases) {
    oxtest::ChildResult child = oxtest::RunInChild([&] {
      if (OxSysInit(nullptr, SW_SHOW, item.width, item.height, 0, item.maxFrameRate, 0, nullptr) != 1)
        return 2;
      printf("[start]\n");
      double frameTime = OxFrameRateControllerGetFrameTime();
      for (int frame = 0; frame < 30 && OxSysDoesWindowExist(); ++frame) {
        OxSysFrameStart();
        OxSysFrameEnd();
      }
      printf("window %d, frame time %s\n", OxSysDoesWindowExist(),
             frameTime > 0 && frameTime < 1 ? "positive" : "other");
      printf("gl error %d\n", static_cast<int>(glGetError()));
      OxSysExit();
      return 0;
    });
    EXPECT_EQ(child.exitCode, 0) << item.name << "\n" << child.out;
    EXPECT_EQ(AfterStart(child), "window 1, frame time positive\ngl error 0\n") << item.name;
    EXPECT_EQ(child.err, "") << item.name;
  }
}

// ---- Hostile files: paths that are not files, files cut at every length ----

namespace {

// The case a sweep is on, for the time bound's report.
volatile sig_atomic_t gCase = -1;

#ifdef _WIN32
// The time bound on Win32: a watcher thread ends the process once the
// current case's deadline (milliseconds of GetTickCount64, 0 for none) has
// passed.
std::atomic<unsigned long long> gDeadline{0};

void WatchDeadline()
{
  for (;;) {
    Sleep(50);
    unsigned long long deadline = gDeadline.load();
    if (deadline && GetTickCount64() > deadline) {
      printf("\ncase %ld ran past its time bound\n", static_cast<long>(gCase));
      fflush(stdout);
      _exit(99);
    }
  }
}

void StartCase(long number)
{
  fflush(stdout);
  gCase = static_cast<sig_atomic_t>(number);
  static std::atomic<bool> watching{false};
  if (!watching.exchange(true)) CreateThread(nullptr, 0, [](void*) -> DWORD {
      WatchDeadline();
      return 0;
    }, nullptr, 0, nullptr);
  gDeadline = GetTickCount64() + 20000;
}

void EndCase() { gDeadline = 0; }

// Peak committed memory of the process in kilobytes, or -1.
long PeakKb()
{
  PROCESS_MEMORY_COUNTERS counters;
  if (!K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters))) return -1;
  return static_cast<long>(counters.PeakPagefileUsage / 1024);
}

// Bytes the process has committed now.
size_t HeapInUse()
{
  PROCESS_MEMORY_COUNTERS counters;
  if (!K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters))) return 0;
  return counters.PagefileUsage;
}
#else
// Ends a child whose current case ran past its time bound, naming the case.
void OnCaseTimeout(int)
{
  char text[48] = "\ncase ";
  int at = 6;
  char digits[16];
  int n = 0;
  long value = gCase;
  do digits[n++] = static_cast<char>('0' + value % 10);
  while ((value /= 10) > 0 && n < 15);
  while (n > 0) text[at++] = digits[--n];
  memcpy(text + at, " ran past its time bound\n", 25);
  (void)!write(STDOUT_FILENO, text, at + 25);
  _exit(99);
}

// Starts the time bound of one case (seconds, far above what any case takes).
void StartCase(long number)
{
  fflush(stdout);
  gCase = static_cast<sig_atomic_t>(number);
  signal(SIGALRM, OnCaseTimeout);
  alarm(20);
}

void EndCase() { alarm(0); }

// Peak address space of the process in kilobytes (VmPeak), or -1.
long PeakKb()
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

// Bytes the C heap holds now (small blocks and mapped ones).
size_t HeapInUse()
{
  struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}
#endif

// Writes bytes to path, then cuts the file down to each length from one
// byte short of whole to 0 in turn (cutting in place is far quicker than
// writing each cut anew), calling visit after each cut; false when the file
// cannot be written or cut.
bool ForEachCut(const std::string& path, const std::string& bytes,
                const std::function<void(size_t)>& visit)
{
  if (!oxtest::WriteBytes(path, bytes)) return false;
  for (size_t length = bytes.size(); length-- > 0;) {
    if (truncate(path.c_str(), static_cast<off_t>(length)) != 0) return false;
    visit(length);
  }
  return true;
}

}  // namespace

// Paths that are not regular files, for every loader: a FIFO (no writer),
// /dev/zero, /dev/urandom, /dev/null and a directory (on Win32: a named pipe
// with no client, the NUL, CON and COM1 devices, a device name in a folder
// with an extension, and a directory). Each is refused before
// anything is read: the texture is null, the font -1 with its message, the
// sound and the music invalid; no call blocks (each runs under a time bound)
// and the process's peak address space grows by less than 64 MB in all.
TEST(BadInput, PathsThatAreNotRegularFiles)
{
  std::string dir = oxtest::TempDir();
#ifdef _WIN32
  // Named after the scratch folder, which the child shares with this run.
  std::string pipeName = "\\\\.\\pipe\\oxtest-" + dir.substr(dir.find_last_of("/\\") + 1);
  HANDLE pipe = CreateNamedPipeA(pipeName.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE,
                                 PIPE_UNLIMITED_INSTANCES, 4096, 4096, 0, nullptr);
  ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
  const std::string paths[] = {pipeName, "NUL", "CON", "COM1", dir + "/con.png", dir};
#else
  std::string fifo = dir + "/pipe.png";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string paths[] = {fifo, "/dev/zero", "/dev/urandom", "/dev/null", dir};
#endif
  oxtest::ChildResult child = oxtest::RunInChild(
      [&] {
        if (!Start()) return 2;
        long before = PeakKb();
        long number = 0;
        for (const std::string& path : paths) {
          StartCase(number++);
          OxGfxTexture* texture = OxGfxTextureLoad(path.c_str());
          OxGfxFontId font = OxGfxCreateFont(path.c_str(), 16);
          OxAudio sound = OxAudioLoadSound(path.c_str());
          OxAudio music = OxAudioLoadMusic(path.c_str());
          EndCase();
          printf("%s: texture %s, font %d, sound %d, music %d\n", path.c_str(),
                 texture ? "loaded" : "null", font, OxAudioIsValidAudio(sound),
                 OxAudioIsValidAudio(music));
          fflush(stdout);
        }
        printf("peak grew %s\n", PeakKb() - before < 64 * 1024 ? "little" : "much");
        return 0;
      },
      120);
  EXPECT_EQ(child.exitCode, 0) << child.out;
  std::string expected;
  for (const std::string& path : paths)
    expected += "Error: Could not load font " + path + "\n" + path +
                ": texture null, font -1, sound 0, music 0\n";
  EXPECT_EQ(AfterStart(child), expected + "peak grew little\n");
  EXPECT_EQ(child.err, "");
#ifdef _WIN32
  CloseHandle(pipe);
#endif
  oxtest::RemoveTree(dir);
}

// Devices given where the engine writes and reads its own files: each of
// recording, replay and screenshot refuses them with its line, and so do the
// loaders (texture null, font -1 with its line, sound and music invalid).
// Linux: the slave side of a new pseudo-terminal, in a session that has no
// controlling terminal; a terminal opened without O_NOCTTY there becomes
// the session's controlling terminal (and its hang-up would end the game),
// so afterwards /dev/tty must still not open. Windows: the reserved device
// names NUL, COM1 and CON, and a device name with an extension in a folder.
TEST(BadInput, DevicesAsRecordingAndScreenshotPaths)
{
  std::string dir = oxtest::TempDir();
#ifdef _WIN32
  const std::vector<std::string> paths = {"NUL", "COM1", "CON", dir + "/con.oxrec"};
#else
  int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(grantpt(master), 0);
  ASSERT_EQ(unlockpt(master), 0);
  const std::vector<std::string> paths = {ptsname(master)};
#endif
  oxtest::ChildResult child = oxtest::RunInChild(
      [&] {
#ifndef _WIN32
        if (setsid() < 0 || open("/dev/tty", O_RDWR | O_NOCTTY) >= 0) return 2;
#endif
        if (!Start()) return 3;
        for (const std::string& path : paths) {
          printf("%s: record %d\n", path.c_str(), OxInputRecordStart(path.c_str()));
          printf("%s: replay %d\n", path.c_str(), OxInputReplayStart(path.c_str()));
          OxSysFrameStart();
          printf("%s: screenshot %d\n", path.c_str(), OxGfxSaveScreenshot(path.c_str()));
          OxSysFrameEnd();
          OxGfxTexture* texture = OxGfxTextureLoad(path.c_str());
          OxGfxFontId font = OxGfxCreateFont(path.c_str(), 16);
          OxAudio sound = OxAudioLoadSound(path.c_str());
          OxAudio music = OxAudioLoadMusic(path.c_str());
          printf("%s: texture %s, font %d, sound %d, music %d\n", path.c_str(),
                 texture ? "loaded" : "null", font, OxAudioIsValidAudio(sound),
                 OxAudioIsValidAudio(music));
        }
#ifndef _WIN32
        printf("controlling terminal: %s\n", open("/dev/tty", O_RDWR | O_NOCTTY) >= 0 ? "yes" : "none");
#endif
        fflush(stdout);
        return 0;
      },
      60);
  EXPECT_EQ(child.exitCode, 0) << child.out;
  EXPECT_EQ(child.err, "");
  std::string expected;
  for (const std::string& path : paths)
    expected += "Input: cannot record to " + path + "\n" + path + ": record 0\n" +
                "Input: cannot open the recording " + path + "\n" + path + ": replay 0\n" +
                "Screenshot: cannot write " + path + "\n" + path + ": screenshot 0\n" +
                "Error: Could not load font " + path + "\n" + path +
                ": texture null, font -1, sound 0, music 0\n";
#ifndef _WIN32
  expected += "controlling terminal: none\n";
  close(master);
#endif
  EXPECT_EQ(AfterStart(child), expected);
  oxtest::RemoveTree(dir);
}

// Every image format the decoder reads, each a real file cut at every
// length from 0 to one byte short of whole: a PNG with the ancillary chunks
// ordinary tools write (gamma, chromaticities, time, text, a transparent
// colour; interlaced), a plain RGBA PNG, baseline, progressive and CMYK
// JPEGs, BMP, GIF, WebP, QOI, PPM and TGA. The whole file loads; every cut
// one gives null with nothing printed, each within a time bound, except the
// GIF missing only its final ';': only a GIF's first frame is decoded, and
// that frame is whole.
TEST(BadInput, TruncatedImagesEveryLength)
{
  std::string dir = oxtest::TempDir();
  oxtest::RgbaPixels pixels(8 * 8 * 4);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<unsigned char>(i * 37 + i / 4);
  for (size_t i = 3; i < pixels.size(); i += 4) pixels[i] = 255;
  struct Format {
    const char* name;
    std::function<bool(const std::string&)> write;
  } formats[] = {
      {"chunks.png", [&](const std::string& p) { return oxtest::WritePngWithChunks(p, pixels, 8, 8); }},
      {"rgba.png", [&](const std::string& p) { return oxtest::WritePng(p, pixels, 8, 8); }},
      {"baseline.jpg", [&](const std::string& p) { return oxtest::WriteJpeg(p, pixels, 8, 8, 90); }},
#ifndef _WIN32
      // Linux only: GDI+ writes no progressive or CMYK JPEG for the test.
      {"progressive.jpg",
       [&](const std::string& p) {
         return oxtest::WriteJpegColours(p, pixels, 8, 8, oxtest::JpegColours::Progressive);
       }},
      {"cmyk.jpg",
       [&](const std::string& p) {
         return oxtest::WriteJpegColours(p, pixels, 8, 8, oxtest::JpegColours::Cmyk);
       }},
#endif
      {"image.bmp", [&](const std::string& p) { return oxtest::WriteBmp(p, pixels, 8, 8); }},
      {"image.gif", [&](const std::string& p) { return oxtest::WriteTransparentGif(p); }},
      {"image.qoi", [&](const std::string& p) { return oxtest::WriteQoi(p, pixels, 8, 8); }},
      {"image.ppm", [&](const std::string& p) { return oxtest::WritePnm(p, pixels, 8, 8); }},
      {"image.tga", [&](const std::string& p) { return oxtest::WriteTga(p, pixels, 8, 8); }},
#ifndef _WIN32
      // Linux only: GDI+, the Windows build's decoder, does not read WebP.
      {"image.webp", [&](const std::string& p) { return oxtest::WriteWebp(p, pixels, 8, 8); }},
#endif
  };
  std::vector<std::pair<std::string, std::string>> files;
  for (Format& format : formats) {
    std::string path = dir + "/whole-" + format.name;
    ASSERT_TRUE(format.write(path)) << format.name;
    files.emplace_back(format.name, FileBytes(path));
  }
  oxtest::ChildResult child = oxtest::RunInChild(
      [&] {
        if (!Start()) return 2;
        long number = 0;
        for (auto& file : files) {
          const std::string& bytes = file.second;
          std::string whole = dir + "/whole-" + file.first;
          std::string cutPath = dir + "/cut-" + file.first;
          StartCase(number++);
          OxGfxTexture* texture = OxGfxTextureLoad(whole.c_str());
          EndCase();
          if (!texture) printf("%s: whole file null\n", file.first.c_str());
          OxGfxTextureUnload(texture);
          int loaded = 0;
          bool cut = ForEachCut(cutPath, bytes, [&](size_t length) {
            StartCase(number++);
            OxGfxTexture* cutTexture = OxGfxTextureLoad(cutPath.c_str());
            EndCase();
            if (cutTexture && loaded++ < 3)
              printf("%s cut at %zu loaded\n", file.first.c_str(), length);
            OxGfxTextureUnload(cutTexture);
          });
          if (!cut) return 3;
          printf("%s: %zu cuts, %d loaded\n", file.first.c_str(), bytes.size(), loaded);
          fflush(stdout);
        }
        return 0;
      },
      600);
  EXPECT_EQ(child.exitCode, 0) << child.out;
  std::string expected;
  for (auto& file : files) {
    std::string size = std::to_string(file.second.size());
    if (file.first == "image.gif")
      expected += file.first + " cut at " + std::to_string(file.second.size() - 1) + " loaded\n" +
                  file.first + ": " + size + " cuts, 1 loaded\n";
    else
      expected += file.first + ": " + size + " cuts, 0 loaded\n";
  }
  EXPECT_EQ(AfterStart(child), expected);
  EXPECT_EQ(child.err, "");
  oxtest::RemoveTree(dir);
}

// A font file cut at every length up to 8 KB (the tables' directory and the
// first tables) and at 200 lengths spread over the rest: every cut either
// fails with its message or loads, each within a time bound, and nothing
// reaches standard error.
TEST(BadInput, TruncatedFontsEveryLength)
{
  std::string dir = oxtest::TempDir();
  std::string bytes = FileBytes("/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf");
  if (bytes.empty()) bytes = FileBytes(kFont);
  ASSERT_GT(bytes.size(), 8192u);
  // Longest first: each cut shortens the file in place.
  std::vector<size_t> lengths;
  for (size_t i = 200; i >= 1; --i) lengths.push_back(8192 + (bytes.size() - 8192) * i / 201);
  for (size_t length = 8192; length-- > 0;) lengths.push_back(length);
  std::string cut = dir + "/cut.ttf";
  oxtest::ChildResult child = oxtest::RunInChild(
      [&] {
        if (!Start()) return 2;
        int failed = 0, created = 0;
        if (!oxtest::WriteBytes(cut, bytes)) return 3;
        for (size_t length : lengths) {
          if (truncate(cut.c_str(), static_cast<off_t>(length)) != 0) return 3;
          StartCase(static_cast<long>(length));
          OxGfxFontId font = OxGfxCreateFont(cut.c_str(), 10);
          EndCase();
          if (font == -1) ++failed;
          else ++created;
          if (font != -1) OxGfxDestroyFont(font);
        }
        printf("[done] %d failed, %d created\n", failed, created);
        return 0;
      },
      600);
  EXPECT_EQ(child.exitCode, 0) << child.out.substr(child.out.size() > 2000 ? child.out.size() - 2000 : 0);
  std::string out = AfterStart(child);
  size_t done = out.find("[done] ");
  ASSERT_NE(done, std::string::npos) << out.substr(0, 2000);
  int failed = 0, created = 0;
  ASSERT_EQ(sscanf(out.c_str() + done, "[done] %d failed, %d created", &failed, &created), 2);
  EXPECT_EQ(failed + created, static_cast<int>(lengths.size()));
  EXPECT_GE(failed, 8192);  // the first tables do not fit in 8 KB
  EXPECT_EQ(oxtest::Count(out, "Error: Could not load font " + cut + "\n"),
            static_cast<size_t>(failed));
  EXPECT_EQ(oxtest::Count(out, "Font " + cut + ", size 10, generated a "),
            static_cast<size_t>(created));
  EXPECT_EQ(child.err, "");
  oxtest::RemoveTree(dir);
}

// Every sound format the decoder reads (WAV, AIFF, FLAC, Ogg Vorbis, Ogg
// Opus, MP3), each a real file of a twentieth of a second cut at every
// length and loaded as a sound (decoded whole) within a time bound; as music
// (opened and decoded two seconds ahead, rewinding as it goes) at every
// length up to 1 KB, where the headers are, and every eighth length after.
// A cut inside the header gives an invalid record; one inside the audio may
// give the audio that is there. Nothing reaches standard error, and the heap
// holds no more after all of them than before: a failed load frees what it
// opened.
TEST(BadInput, TruncatedSoundsEveryLength)
{
  std::string dir = oxtest::TempDir();
  const struct {
    const char* name;
    oxtest::SoundFormat format;
  } formats[] = {{"tone.wav", oxtest::SoundFormat::Wav},   {"tone.aiff", oxtest::SoundFormat::Aiff},
                 {"tone.flac", oxtest::SoundFormat::Flac}, {"tone.ogg", oxtest::SoundFormat::OggVorbis},
                 {"tone.opus", oxtest::SoundFormat::OggOpus}, {"tone.mp3", oxtest::SoundFormat::Mp3}};
  std::vector<std::pair<std::string, std::string>> files;
  for (auto& format : formats) {
    int rate = format.format == oxtest::SoundFormat::OggOpus ? 48000 : 8000;
    std::string path = dir + "/whole-" + format.name;
    ASSERT_TRUE(oxtest::WriteSoundFile(path, format.format, rate, 1,
                                       oxtest::Sine(440, 0.5f, rate, rate / 20)))
        << format.name;
    files.emplace_back(format.name, FileBytes(path));
  }
  oxtest::ChildResult child = oxtest::RunInChild(
      [&] {
        if (!Start()) return 2;
        long number = 0;
        for (auto& file : files) {
          const std::string& bytes = file.second;
          std::string whole = dir + "/whole-" + file.first;
          std::string cut = dir + "/cut-" + file.first;
          OxAudio sound = OxAudioLoadSound(whole.c_str());
          if (!OxAudioIsValidAudio(sound)) printf("%s: whole file invalid\n", file.first.c_str());
          OxAudioUnloadAudio(sound);
          // The first cuts warm up what the decoders keep for the process.
          size_t heapBefore = 0;
          int cuts = 0;
          bool cutDone = ForEachCut(cut, bytes, [&](size_t length) {
            if (cuts++ == 64) heapBefore = HeapInUse();
            StartCase(number++);
            OxAudio cutSound = OxAudioLoadSound(cut.c_str());
            OxAudio cutMusic = {nullptr};
            if (length < 1024 || length % 8 == 0) cutMusic = OxAudioLoadMusic(cut.c_str());
            OxAudioUnloadAudio(cutSound);
            OxAudioUnloadAudio(cutMusic);
            EndCase();
          });
          if (!cutDone) return 3;
          long grown = static_cast<long>(HeapInUse()) - static_cast<long>(heapBefore);
          printf("%s: %zu cuts, heap %s\n", file.first.c_str(), bytes.size(),
                 grown < 256 * 1024 ? "kept" : ("grew " + std::to_string(grown)).c_str());
          fflush(stdout);
        }
        return 0;
      },
      900);
  EXPECT_EQ(child.exitCode, 0) << child.out;
  std::string expected;
  for (auto& file : files)
    expected += file.first + ": " + std::to_string(file.second.size()) + " cuts, heap kept\n";
  EXPECT_EQ(AfterStart(child), expected);
  EXPECT_EQ(child.err, "");
  oxtest::RemoveTree(dir);
}
