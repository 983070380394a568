// Full screen on real X servers: the borderless window over the display, the
// return to the centred window, the cursor divided by the scale factors
// (including a 1920 by 1200 display where the factors are exactly 2 and 3),
// and the drawing area covering the whole display, to its last pixel.
// Desktop-only program: it drives X servers of given display sizes.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <math.h>
#include <stdlib.h>

#include <string>

#include "OxEngineSupport.h"
#include "OxImageSupport.h"
#include "OxPixelSupport.h"
#include "OxTestSupport.h"
#include "OxX11Support.h"
#include "Oxlen.h"
#include "window/OxFullScreenArea.h"

namespace {

using oxtest::Geometry;
using oxtest::RunFrame;

Display* OpenOrFail()
{
  oxtest::UsePrivateDisplay();
  Display* display = oxtest::OpenTestDisplay();
  EXPECT_NE(display, nullptr) << "no X display: Xvfb did not start";
  return display;
}

// The frame's corner at (x, y) (full screen has no frame) and the client
// area width by height.
void ExpectGeometry(Display* display, Window window, int x, int y, int width, int height)
{
  Geometry g = oxtest::WindowGeometry(display, window);
  EXPECT_EQ(g.frameX, x);
  EXPECT_EQ(g.frameY, y);
  EXPECT_EQ(g.width, width);
  EXPECT_EQ(g.height, height);
}

// Cases: 800 by 600 on 1920 by 1080 goes to (0, 0) at 1920 by 1080 with the
// game size unchanged; the factors nearest 2.4 and 1.8 turn client (960, 540)
// into (399, 300); back in windowed mode the window is at (560, 240) with an
// 800 by 600 client area and the cursor unscaled; a window the user moved is
// centred again; any non-zero argument means full screen.
TEST(FullScreen, EnterAndLeave)
{
  Display* display = OpenOrFail();
  ASSERT_NE(display, nullptr);
  ASSERT_EQ(OxSysInit(nullptr, SW_SHOWNORMAL, 800, 600, 0, 0, 0, nullptr), 1);
  Window window = oxtest::FindWindowByTitle(display, "Oxlen Engine");
  ASSERT_NE(window, 0u);
  EXPECT_EQ(OxSysIsFullScreen(), 0);

  OxSysSetFullScreen(1);
  EXPECT_EQ(OxSysIsFullScreen(), 1);
  ExpectGeometry(display, window, 0, 0, 1920, 1080);
  EXPECT_EQ(OxGfxGetWindowWidth(), 800);
  EXPECT_EQ(OxGfxGetWindowHeight(), 600);
  oxtest::MovePointer(display, 960, 540);
  int x = 0, y = 0;
  OxSysFrameStart();
  OxInputGetCursorPosition(&x, &y);
  EXPECT_EQ(x, 399);  // 960 / 2.4000001f truncated
  EXPECT_EQ(y, 300);
  OxSysFrameEnd();

  OxSysSetFullScreen(0);
  EXPECT_EQ(OxSysIsFullScreen(), 0);
  ExpectGeometry(display, window, 560, 240, 800, 600);
  // The pointer at (960, 540), now read unscaled from the client area's
  // corner: (400, 300) where no frame surrounds it.
  Geometry windowed = oxtest::WindowGeometry(display, window);
  OxSysFrameStart();
  OxInputGetCursorPosition(&x, &y);
  EXPECT_EQ(x, 960 - windowed.x);
  EXPECT_EQ(y, 540 - windowed.y);
  OxSysFrameEnd();

  XMoveWindow(display, window, 100, 50);
  XSync(display, False);
  RunFrame();
  OxSysSetFullScreen(0);
  ExpectGeometry(display, window, 560, 240, 800, 600);

  OxSysSetFullScreen(7);
  EXPECT_EQ(OxSysIsFullScreen(), 1);
  ExpectGeometry(display, window, 0, 0, 1920, 1080);
  OxSysSetFullScreen(0);
  RunFrame();
  EXPECT_EQ(OxSysDoesWindowExist(), 1);
  OxSysExit();
  XCloseDisplay(display);
}

#ifndef _WIN32
// Linux only: needs a second X server of another size, and the Windows
// build's tests share Wine's one display.
// Cases: on a 1920 by 1200 display a 960 by 400 game window has factors 2
// and 3: client (960, 600) is reported as (480, 200) and a move of (+24, +18)
// display pixels as a delta of (12, 6).
TEST(FullScreen, CursorScaledByExactFactors)
{
  oxtest::XvfbServer server("1920x1200x24");
  ASSERT_FALSE(server.display().empty()) << "could not start a second Xvfb";
  setenv("DISPLAY", server.display().c_str(), 1);
  Display* display = oxtest::OpenTestDisplay();
  ASSERT_NE(display, nullptr);
  ASSERT_EQ(OxSysInit(nullptr, SW_SHOWNORMAL, 960, 400, 0, 0, 0, nullptr), 1);
  Window window = oxtest::FindWindowByTitle(display, "Oxlen Engine");
  ASSERT_NE(window, 0u);
  ExpectGeometry(display, window, 480, 400, 960, 400);
  OxSysSetFullScreen(1);
  ExpectGeometry(display, window, 0, 0, 1920, 1200);

  oxtest::MovePointer(display, 960, 600);
  int x = 0, y = 0, dx = 0, dy = 0;
  OxSysFrameStart();
  OxInputGetCursorPosition(&x, &y);
  EXPECT_EQ(x, 480);
  EXPECT_EQ(y, 200);
  OxSysFrameEnd();
  oxtest::MovePointer(display, 984, 618);
  OxSysFrameStart();
  OxInputGetCursorPosition(&x, &y);
  OxInputGetCursorPositionDelta(&dx, &dy);
  EXPECT_EQ(x, 492);
  EXPECT_EQ(y, 206);
  EXPECT_EQ(dx, 12);
  EXPECT_EQ(dy, 6);
  OxSysFrameEnd();
  OxSysExit();
  XCloseDisplay(display);
}
#endif

// Cases: a window larger than the display gets factors below 1 (0.8 for
// 2400 by 1350 on 1920 by 1080), so client (960, 540) reads (1200, 675).
TEST(FullScreen, WindowLargerThanDisplay)
{
  Display* display = OpenOrFail();
  ASSERT_NE(display, nullptr);
  ASSERT_EQ(OxSysInit(nullptr, SW_SHOWNORMAL, 2400, 1350, 0, 0, 0, nullptr), 1);
  Window window = oxtest::FindWindowByTitle(display, "Oxlen Engine");
  ASSERT_NE(window, 0u);
  OxSysSetFullScreen(1);
  ExpectGeometry(display, window, 0, 0, 1920, 1080);
  oxtest::MovePointer(display, 960, 540);
  int x = 0, y = 0;
  OxSysFrameStart();
  OxInputGetCursorPosition(&x, &y);
  EXPECT_EQ(x, 1200);
  EXPECT_EQ(y, 675);
  OxSysFrameEnd();
  OxSysExit();
  XCloseDisplay(display);
}

// Cases: for every game-window size from 1 to 3000 pixels and displays of
// common widths and heights (and a few odd ones), the size stretched by the
// scale factor the engine computes (display over window, as floats) is the
// display's size exactly; truncating the float product came one pixel short
// for many sizes (1066 on 1920, 2131 on 1080). Windowed mode (factor 1)
// keeps the window's size; a negative size or a factor that is not a number
// gives 0.
TEST(FullScreen, DrawingAreaIsTheDisplaySizeExactly)
{
  const int displays[] = {1, 480, 600, 720, 768, 800, 900, 1024, 1050, 1080, 1200,
                          1280, 1366, 1440, 1600, 1920, 2160, 2560, 3440, 3840, 4096, 7680};
  for (int display : displays) {
    int wrong = 0, firstWrong = 0;
    for (int game = 1; game <= 3000; ++game) {
      float scale = static_cast<float>(display) / static_cast<float>(game);
      if (OxFullScreenPixels(game, scale) != display && wrong++ == 0) firstWrong = game;
    }
    EXPECT_EQ(wrong, 0) << "display " << display << ", first at game size " << firstWrong;
  }
  for (int game = 0; game <= 3000; ++game) ASSERT_EQ(OxFullScreenPixels(game, 1.0f), game);
  EXPECT_EQ(OxFullScreenPixels(-5, 2.0f), 0);
  EXPECT_EQ(OxFullScreenPixels(100, NAN), 0);
}

// Cases: in full screen on a 1920 by 1080 display, game windows whose factors
// truncated one pixel short (1066 wide; 2131 high) draw a quad larger than
// the world over the display's last column and top row, not the background
// colour, and the screenshot is 1920 by 1080 with the same pixels there.
TEST(FullScreen, DrawingCoversTheLastColumnAndRow)
{
  Display* display = OpenOrFail();
  ASSERT_NE(display, nullptr);
  XCloseDisplay(display);
  std::string folder = oxtest::TempDir();
  const struct {
    int width, height;
  } windows[] = {{1066, 600}, {800, 2131}, {1919, 1079}};
  for (const auto& size : windows) {
    SCOPED_TRACE(std::to_string(size.width) + " x " + std::to_string(size.height));
    ASSERT_EQ(OxSysInit(nullptr, SW_SHOWNORMAL, size.width, size.height, 0, 0, 0, nullptr), 1);
    OxSysSetFullScreen(1);
    for (int i = 0; i < 3; ++i) RunFrame();
    OxGfxMeshStart();
    float w = static_cast<float>(size.width), h = static_cast<float>(size.height);
    OxGfxTriAdd(-w, -h, 0xFF00FF00, 0, 0, w, -h, 0xFF00FF00, 0, 0, w, h, 0xFF00FF00, 0, 0);
    OxGfxTriAdd(-w, -h, 0xFF00FF00, 0, 0, w, h, 0xFF00FF00, 0, 0, -w, h, 0xFF00FF00, 0, 0);
    OxGfxVertexList* quad = OxGfxMeshEnd();
    OxGfxSetBackgroundColor(1.0f, 0.0f, 0.0f);
    std::string path = folder + "/full.png";
    OxSysFrameStart();
    OxGfxSetRenderMode(OxGfxRenderModeColor);
    OxMtx33 identity;
    OxMtx33Identity(&identity);
    OxGfxSetTransform(&identity);
    OxGfxMeshDraw(quad, OxGfxMeshDrawModeTriangles);
    EXPECT_EQ(OxGfxSaveScreenshot(path.c_str()), 1);
    EXPECT_TRUE(oxtest::IsColour(oxtest::ReadPixel(1919, 540), 0, 255, 0)) << oxtest::ReadPixel(1919, 540);
    EXPECT_TRUE(oxtest::IsColour(oxtest::ReadPixel(960, 1079), 0, 255, 0)) << oxtest::ReadPixel(960, 1079);
    OxSysFrameEnd();
    oxtest::RgbaPixels png;
    int pngWidth = 0, pngHeight = 0;
    ASSERT_TRUE(oxtest::ReadImage(path, &png, &pngWidth, &pngHeight));
    EXPECT_EQ(pngWidth, 1920);
    EXPECT_EQ(pngHeight, 1080);
    if (pngWidth == 1920 && pngHeight == 1080) {
      const unsigned char* topRight = &png[(1920 - 1) * 4];
      EXPECT_EQ(topRight[0] << 16 | topRight[1] << 8 | topRight[2], 0x00FF00);
    }
    OxGfxMeshFree(quad);
    OxSysExit();
  }
}

}  // namespace
