// Screenshots: the PNG read back must hold exactly the frame OpenGL reads
// from the back buffer, windowed (at an odd size) and in full screen, also
// when the game left hostile pixel-pack and read state behind; paths that
// cannot be written, calls outside a frame and a disk that fills up give 0
// and one line.
// Desktop-only program: it fills a disk and reads windows through the X server;
// tests/web/page_test.cpp saves a screenshot in the page.
#include <gtest/gtest.h>

#include <GL/glew.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <SDL2/SDL.h>
#include <SDL2/SDL_image.h>
#include <sys/resource.h>
#endif

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "OxEngineSupport.h"
#include "OxImageSupport.h"
#include "OxTestSupport.h"
#include "OxX11Support.h"
#include "Oxlen.h"

namespace {

// The frame's pixels as OpenGL reads them, red, green, blue, top row first.
std::vector<unsigned char> ReadFrame(int width, int height)
{
  std::vector<unsigned char> bottomUp(static_cast<size_t>(width) * height * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glReadBuffer(GL_BACK);
  glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
  std::vector<unsigned char> rgb;
  rgb.reserve(static_cast<size_t>(width) * height * 3);
  for (int y = height - 1; y >= 0; --y)
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < 3; ++c) rgb.push_back(bottomUp[(static_cast<size_t>(y) * width + x) * 4 + c]);
  return rgb;
}

// A PNG's pixels, red, green, blue, top row first; empty when it does not
// load or is not 8-bit RGB without alpha.
std::vector<unsigned char> ReadPng(const std::string& path, int* width, int* height)
{
  std::vector<unsigned char> rgb;
#ifdef _WIN32
  // GDI+ reads it; a PNG with an alpha channel counts as not RGB when any
  // pixel is not opaque.
  oxtest::RgbaPixels rgba;
  if (!oxtest::ReadImage(path, &rgba, width, height)) return rgb;
  for (size_t i = 0; i + 3 < rgba.size(); i += 4) {
    if (rgba[i + 3] != 255) return std::vector<unsigned char>();
    rgb.insert(rgb.end(), rgba.begin() + i, rgba.begin() + i + 3);
  }
  return rgb;
#else
  SDL_Surface* surface = IMG_Load(path.c_str());
  if (!surface) return rgb;
  if (surface->format->format == SDL_PIXELFORMAT_RGB24) {
    *width = surface->w;
    *height = surface->h;
    for (int y = 0; y < surface->h; ++y) {
      const unsigned char* row = static_cast<const unsigned char*>(surface->pixels) + y * surface->pitch;
      rgb.insert(rgb.end(), row, row + surface->w * 3);
    }
  }
  SDL_FreeSurface(surface);
  return rgb;
#endif
}

// A frame with many distinct colours: an interpolated quad over a coloured
// background, a blended triangle and a line of text.
void DrawScene(OxGfxVertexList* quad, OxGfxVertexList* triangle, OxGfxFontId font)
{
  OxGfxSetRenderMode(OxGfxRenderModeColor);
  OxGfxSetBlendMode(OxGfxBlendModeNone);
  OxMtx33 identity;
  OxMtx33Identity(&identity);
  OxGfxSetTransform(&identity);
  OxGfxMeshDraw(quad, OxGfxMeshDrawModeTriangles);
  OxGfxSetBlendMode(OxGfxBlendModeBlend);
  OxGfxMeshDraw(triangle, OxGfxMeshDrawModeTriangles);
  if (font >= 0) OxGfxPrint(font, "Screenshot 1234", -0.9f, -0.8f, 1.0f, 0.9f, 0.2f, 0.1f, 1.0f);
}

OxGfxVertexList* Quad(float half)
{
  OxGfxMeshStart();
  OxGfxTriAdd(-half, -half, 0xFFFF0000, 0, 1, half, -half, 0xFF00FF00, 1, 1, half, half, 0xFF0000FF, 1, 0);
  OxGfxTriAdd(-half, -half, 0xFFFF0000, 0, 1, half, half, 0xFF0000FF, 1, 0, -half, half, 0xFFFFFF00, 0, 0);
  return OxGfxMeshEnd();
}

OxGfxVertexList* Triangle()
{
  OxGfxMeshStart();
  OxGfxTriAdd(-60, -90, 0x80FFFFFF, 0, 0, 90, -20, 0x2000FF80, 0, 0, 0, 100, 0xC0401020, 0, 0);
  return OxGfxMeshEnd();
}

const char* kFontPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// Cases: at an odd size (rows not a multiple of four bytes) the PNG is 8-bit
// RGB at the window size and equals the frame pixel for pixel; the game's
// pack alignment is left as it was; a second screenshot replaces the file;
// in full screen the whole display-size drawing area is written.
TEST(Screenshot, PngHoldsExactlyTheFrame)
{
  oxtest::UsePrivateDisplay("1920x1080x24");
  const int width = 301, height = 173;
  ASSERT_EQ(OxSysInit(nullptr, SW_SHOWNORMAL, width, height, 0, 0, 0, nullptr), 1);
  glewInit();
  std::string folder = oxtest::TempDir();
  std::string path = folder + "/shot.png";
  OxGfxVertexList* quad = Quad(70.0f);
  OxGfxVertexList* triangle = Triangle();
  OxGfxFontId font = OxGfxCreateFont(kFontPath, 18);
  ASSERT_GE(font, 0);

  OxGfxSetBackgroundColor(0.2f, 0.4f, 0.6f);
  OxSysFrameStart();
  DrawScene(quad, triangle, font);
  std::vector<unsigned char> frame = ReadFrame(width, height);
  glPixelStorei(GL_PACK_ALIGNMENT, 8);
  EXPECT_EQ(OxGfxSaveScreenshot(path.c_str()), 1);
  GLint alignment = 0;
  glGetIntegerv(GL_PACK_ALIGNMENT, &alignment);
  EXPECT_EQ(alignment, 8);
  OxSysFrameEnd();
  int pngWidth = 0, pngHeight = 0;
  std::vector<unsigned char> png = ReadPng(path, &pngWidth, &pngHeight);
  EXPECT_EQ(pngWidth, width);
  EXPECT_EQ(pngHeight, height);
  ASSERT_EQ(png.size(), frame.size()) << "not read as 8-bit RGB without alpha";
  EXPECT_TRUE(png == frame);
  std::set<unsigned int> colours;
  for (size_t i = 0; i < png.size(); i += 3) colours.insert(png[i] << 16 | png[i + 1] << 8 | png[i + 2]);
  EXPECT_GT(colours.size(), 1000u);  // the scene is not trivially flat

  // The next frame, darker, replaces the file.
  OxGfxSetBackgroundColor(0.0f, 0.0f, 0.0f);
  OxSysFrameStart();
  DrawScene(quad, triangle, -1);
  frame = ReadFrame(width, height);
  EXPECT_EQ(OxGfxSaveScreenshot(path.c_str()), 1);
  OxSysFrameEnd();
  png = ReadPng(path, &pngWidth, &pngHeight);
  EXPECT_TRUE(png == frame);

  // Full screen: display size.
  OxSysSetFullScreen(1);
  for (int i = 0; i < 3; ++i) oxtest::RunFrame();
  OxSysFrameStart();
  DrawScene(quad, triangle, font);
  frame = ReadFrame(1920, 1080);
  EXPECT_EQ(OxGfxSaveScreenshot(path.c_str()), 1);
  OxSysFrameEnd();
  png = ReadPng(path, &pngWidth, &pngHeight);
  EXPECT_EQ(pngWidth, 1920);
  EXPECT_EQ(pngHeight, 1080);
  EXPECT_TRUE(png == frame);
  OxSysSetFullScreen(0);

  OxGfxMeshFree(quad);
  OxGfxMeshFree(triangle);
  OxSysExit();
}

// Cases: with batching on, the draws still waiting in the batch are issued
// before the frame is read, so the screenshot equals the frame OpenGL reads
// afterwards and the same scene's screenshot with batching off.
TEST(Screenshot, BatchedDrawsAreFlushedFirst)
{
  oxtest::UsePrivateDisplay();
  const int width = 320, height = 240;
  ASSERT_EQ(OxSysInit(nullptr, SW_SHOWNORMAL, width, height, 0, 0, 0, nullptr), 1);
  glewInit();
  std::string folder = oxtest::TempDir();
  OxGfxVertexList* quad = Quad(70.0f);
  OxGfxVertexList* triangle = Triangle();
  OxGfxFontId font = OxGfxCreateFont(kFontPath, 18);
  ASSERT_GE(font, 0);
  OxGfxSetBackgroundColor(0.2f, 0.4f, 0.6f);

  std::vector<unsigned char> pictures[2];
  for (int batching = 0; batching < 2; ++batching) {
    OxGfxSetBatching(batching);
    std::string path = folder + "/shot" + std::to_string(batching) + ".png";
    OxSysFrameStart();
    DrawScene(quad, triangle, font);
    EXPECT_EQ(OxGfxSaveScreenshot(path.c_str()), 1);
    std::vector<unsigned char> frame = ReadFrame(width, height);
    OxSysFrameEnd();
    int pngWidth = 0, pngHeight = 0;
    pictures[batching] = ReadPng(path, &pngWidth, &pngHeight);
    EXPECT_TRUE(pictures[batching] == frame) << "batching " << batching;
  }
  OxGfxSetBatching(0);
  ASSERT_FALSE(pictures[0].empty());
  EXPECT_TRUE(pictures[0] == pictures[1]);
  OxGfxMeshFree(quad);
  OxGfxMeshFree(triangle);
  OxSysExit();
}

// One piece of OpenGL state a game may leave behind: set returns false when
// the driver lacks it; check returns what differs from what set left (empty
// when the state is still the game's); undo puts OpenGL's default back.
struct HostileState {
  const char* name;
  std::function<bool()> set;
  std::function<std::string()> check;
  std::function<void()> undo;
};

GLint Integer(GLenum name)
{
  GLint value = -1;
  glGetIntegerv(name, &value);
  return value;
}

GLfloat Float(GLenum name)
{
  GLfloat value = -1.0f;
  glGetFloatv(name, &value);
  return value;
}

// "name value, " for each value of names that is not the expected one.
std::string Differences(const std::vector<std::pair<GLenum, GLfloat>>& expected)
{
  std::string differences;
  for (const auto& entry : expected)
    if (Float(entry.first) != entry.second)
      differences += std::to_string(entry.first) + " " + std::to_string(Float(entry.first)) + ", ";
  return differences;
}

// Cases: with each of these left set by the game, the screenshot still holds
// exactly the frame, OpenGL reports no error (which would end the process at
// the frame's end), and the game's state is as it left it: a pixel-pack
// buffer bound (its bytes untouched), Mesa's pack inversion, pixel-transfer
// scale and bias, colour maps, pack row length, skips and alignment, the
// front buffer as read buffer, a framebuffer object bound for reading.
TEST(Screenshot, HostilePackStateIsNeutralised)
{
  oxtest::UsePrivateDisplay("1920x1080x24");
  const int width = 301, height = 173;
  ASSERT_EQ(OxSysInit(nullptr, SW_SHOWNORMAL, width, height, 0, 0, 0, nullptr), 1);
  // Without a window system GLEW loads the entry points, then finds no X
  // display for its GLX part.
  GLenum glew = glewInit();
  ASSERT_TRUE(glew == GLEW_OK || glew == GLEW_ERROR_NO_GLX_DISPLAY) << glew;
  std::string path = oxtest::TempDir() + "/hostile.png";
  OxGfxVertexList* quad = Quad(70.0f);
  OxGfxVertexList* triangle = Triangle();
  OxGfxSetBackgroundColor(0.2f, 0.4f, 0.6f);

  GLuint buffer = 0, framebuffer = 0, renderbuffer = 0;
  const std::string bufferBytes(static_cast<size_t>(width) * height * 4, '\x5a');
  const std::vector<std::pair<GLenum, GLfloat>> transfer = {
      {GL_RED_SCALE, 0.5f}, {GL_GREEN_SCALE, 0.0f}, {GL_BLUE_BIAS, 0.25f}, {GL_RED_BIAS, -0.1f}};
  const std::vector<std::pair<GLenum, GLfloat>> store = {
      {GL_PACK_ALIGNMENT, 8}, {GL_PACK_ROW_LENGTH, 1000}, {GL_PACK_SKIP_PIXELS, 7}, {GL_PACK_SKIP_ROWS, 3}};
  const HostileState states[] = {
      {"pixel-pack buffer",
       [&] {
         if (!GLEW_VERSION_2_1) return false;
         glGenBuffers(1, &buffer);
         glBindBuffer(GL_PIXEL_PACK_BUFFER, buffer);
         glBufferData(GL_PIXEL_PACK_BUFFER, static_cast<GLsizeiptr>(bufferBytes.size()), bufferBytes.data(),
                      GL_STREAM_READ);
         return true;
       },
       [&] {
         if (Integer(GL_PIXEL_PACK_BUFFER_BINDING) != static_cast<GLint>(buffer)) return std::string("binding");
         std::string bytes(bufferBytes.size(), '\0');
         glGetBufferSubData(GL_PIXEL_PACK_BUFFER, 0, static_cast<GLsizeiptr>(bytes.size()), &bytes[0]);
         return bytes == bufferBytes ? std::string() : std::string("buffer written");
       },
       [&] {
         glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
         glDeleteBuffers(1, &buffer);
       }},
      {"pack inversion",
       [] {
         if (!GLEW_MESA_pack_invert) return false;
         glPixelStorei(GL_PACK_INVERT_MESA, GL_TRUE);
         return true;
       },
       [] { return Integer(GL_PACK_INVERT_MESA) == GL_TRUE ? std::string() : std::string("inversion"); },
       [] { glPixelStorei(GL_PACK_INVERT_MESA, GL_FALSE); }},
      {"transfer scale and bias",
       [&] {
         for (const auto& entry : transfer) glPixelTransferf(entry.first, entry.second);
         return true;
       },
       [&] { return Differences(transfer); },
       [&] {
         for (GLenum name : {GL_RED_SCALE, GL_GREEN_SCALE}) glPixelTransferf(name, 1.0f);
         for (GLenum name : {GL_RED_BIAS, GL_BLUE_BIAS}) glPixelTransferf(name, 0.0f);
       }},
      {"colour maps",
       [] {
         const GLfloat zero = 0.0f, one = 1.0f;
         glPixelMapfv(GL_PIXEL_MAP_R_TO_R, 1, &zero);
         glPixelMapfv(GL_PIXEL_MAP_G_TO_G, 1, &one);
         glPixelMapfv(GL_PIXEL_MAP_B_TO_B, 1, &one);
         glPixelTransferi(GL_MAP_COLOR, GL_TRUE);
         return true;
       },
       [] { return Integer(GL_MAP_COLOR) == GL_TRUE ? std::string() : std::string("map colour"); },
       [] { glPixelTransferi(GL_MAP_COLOR, GL_FALSE); }},
      {"row length, skips and alignment",
       [&] {
         for (const auto& entry : store) glPixelStorei(entry.first, static_cast<GLint>(entry.second));
         return true;
       },
       [&] { return Differences(store); },
       [] {
         glPixelStorei(GL_PACK_ALIGNMENT, 4);
         for (GLenum name : {GL_PACK_ROW_LENGTH, GL_PACK_SKIP_PIXELS, GL_PACK_SKIP_ROWS}) glPixelStorei(name, 0);
       }},
      {"front read buffer",
       [] {
         glReadBuffer(GL_FRONT);
         return true;
       },
       [] { return Integer(GL_READ_BUFFER) == GL_FRONT ? std::string() : std::string("read buffer"); },
       [] { glReadBuffer(GL_BACK); }},
      {"read framebuffer",
       [&] {
         if (!GLEW_VERSION_3_0 && !GLEW_ARB_framebuffer_object) return false;
         glGenRenderbuffers(1, &renderbuffer);
         glBindRenderbuffer(GL_RENDERBUFFER, renderbuffer);
         glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, 16, 16);
         glGenFramebuffers(1, &framebuffer);
         glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
         glFramebufferRenderbuffer(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, renderbuffer);
         glReadBuffer(GL_COLOR_ATTACHMENT0);
         return true;
       },
       [&] {
         if (Integer(GL_READ_FRAMEBUFFER_BINDING) != static_cast<GLint>(framebuffer)) return std::string("binding");
         return Integer(GL_READ_BUFFER) == GL_COLOR_ATTACHMENT0 ? std::string() : std::string("read buffer");
       },
       [&] {
         glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
         glDeleteFramebuffers(1, &framebuffer);
         glDeleteRenderbuffers(1, &renderbuffer);
         glReadBuffer(GL_BACK);
       }},
  };

  OxSysFrameStart();
  DrawScene(quad, triangle, -1);
  std::vector<unsigned char> frame = ReadFrame(width, height);
  ASSERT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  for (const HostileState& state : states) {
    SCOPED_TRACE(state.name);
    if (!state.set()) {
      printf("%s: not offered by this driver, not tried\n", state.name);
      continue;
    }
    remove(path.c_str());
    EXPECT_EQ(OxGfxSaveScreenshot(path.c_str()), 1);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_EQ(state.check(), "");
    state.undo();
    int pngWidth = 0, pngHeight = 0;
    std::vector<unsigned char> png = ReadPng(path, &pngWidth, &pngHeight);
    EXPECT_EQ(pngWidth, width);
    EXPECT_EQ(pngHeight, height);
    EXPECT_TRUE(png == frame);
  }
  OxSysFrameEnd();
  OxGfxMeshFree(quad);
  OxGfxMeshFree(triangle);
  OxSysExit();
}

// Cases: each call that cannot write gives 0 and exactly its one line, and
// leaves no file: before the engine starts, a null path, between frames, a
// directory, a missing folder, a FIFO with no reader (no wait), a device;
// a file that grows past the size limit is removed; after all that a good
// path still works.
TEST(Screenshot, FailuresGiveZeroAndOneLine)
{
  oxtest::UsePrivateDisplay();
  std::string folder = oxtest::TempDir();
#ifdef _WIN32
  // A named pipe with no client, and the NUL device.
  std::string fifo = "\\\\.\\pipe\\oxtest-" + folder.substr(folder.find_last_of("/\\") + 1);
  HANDLE pipe = CreateNamedPipeA(fifo.c_str(), PIPE_ACCESS_INBOUND, PIPE_TYPE_BYTE,
                                 PIPE_UNLIMITED_INSTANCES, 4096, 4096, 0, nullptr);
  ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
  const std::string device = "NUL";
#else
  std::string fifo = folder + "/fifo.png";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string device = "/dev/null";
#endif
  std::string big = folder + "/big.png";
  std::string good = folder + "/good.png";
  oxtest::ChildResult result = oxtest::RunInChild([&] {
    int wrong = 0;
    wrong += OxGfxSaveScreenshot((folder + "/early.png").c_str()) != 0;
    if (OxSysInit(nullptr, SW_SHOWNORMAL, 640, 480, 0, 0, 0, nullptr) != 1) return 100;
    fflush(stdout);
    printf("--\n");
    oxtest::RunFrame();
    wrong += OxGfxSaveScreenshot((folder + "/between.png").c_str()) != 0;
    OxSysFrameStart();
    wrong += OxGfxSaveScreenshot(nullptr) != 0;
    wrong += OxGfxSaveScreenshot(folder.c_str()) != 0;
    wrong += OxGfxSaveScreenshot((folder + "/no/such/folder.png").c_str()) != 0;
    wrong += OxGfxSaveScreenshot(fifo.c_str()) != 0;
    wrong += OxGfxSaveScreenshot(device.c_str()) != 0;
#ifndef _WIN32
    // Linux only: the size limit comes from RLIMIT_FSIZE, which Windows
    // does not have.
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit;
    getrlimit(RLIMIT_FSIZE, &limit);
    rlim_t unlimited = limit.rlim_cur;
    limit.rlim_cur = 2000;  // the hard limit stays, so the soft one can go back
    setrlimit(RLIMIT_FSIZE, &limit);
    wrong += OxGfxSaveScreenshot(big.c_str()) != 0;
    limit.rlim_cur = unlimited;
    setrlimit(RLIMIT_FSIZE, &limit);
#endif
    wrong += OxGfxSaveScreenshot(good.c_str()) != 1;
    OxSysFrameEnd();
    OxSysExit();
    return wrong;
  });
  EXPECT_EQ(result.exitCode, 0) << result.out;
  EXPECT_EQ(result.err, "");
  std::string before = result.out.substr(0, result.out.find("Oxlen Engine version"));
  EXPECT_EQ(before, "Screenshot: no frame is being drawn for " + folder + "/early.png\n");
  std::string after = result.out.substr(result.out.find("--\n") + 3);
  EXPECT_EQ(after,
            "Screenshot: no frame is being drawn for " + folder + "/between.png\n"
            "Screenshot: no path given\n"
            "Screenshot: cannot write " + folder + "\n"
            "Screenshot: cannot write " + folder + "/no/such/folder.png\n"
            "Screenshot: cannot write " + fifo + "\n"
            "Screenshot: cannot write " + device + "\n"
#ifndef _WIN32
            "Screenshot: cannot write " + big + "\n"
#endif
            );
  EXPECT_NE(access(good.c_str(), F_OK), -1);
  EXPECT_EQ(access(big.c_str(), F_OK), -1);
  EXPECT_EQ(access((folder + "/early.png").c_str(), F_OK), -1);
  EXPECT_EQ(access((folder + "/between.png").c_str(), F_OK), -1);
#ifdef _WIN32
  CloseHandle(pipe);
#else
  struct stat info;
  EXPECT_EQ(stat(fifo.c_str(), &info), 0);
  EXPECT_TRUE(S_ISFIFO(info.st_mode));
#endif
}

}  // namespace
