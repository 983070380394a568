// Full screen on real X servers: the borderless window over the display, the
// return to the centred window, and the cursor divided by the scale factors,
// including a 1920 by 1200 display where the factors are exactly 2 and 3.
// Desktop-only program: it drives X servers of given display sizes.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <stdlib.h>

#include "OxEngineSupport.h"
#include "OxX11Support.h"
#include "Oxlen.h"

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

}  // namespace
