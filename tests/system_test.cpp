// System lifecycle on a real X server: the banner, the window's placement,
// size and title, closing through the window manager's request, the focus
// flag, and a game's own window procedure.
// Desktop-only program: it checks windows through the X server and its window
// manager; tests/web/page_test.cpp checks the page's window.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include "OxEngineSupport.h"
#include "OxTestSupport.h"
#include "OxX11Support.h"
#include "Oxlen.h"

namespace {

using oxtest::Geometry;

const std::string kBanner = "Oxlen Engine version: 3.10\n\n";

bool StartsWith(const std::string& text, const std::string& start)
{
  return text.compare(0, start.size(), start) == 0;
}
bool EndsWith(const std::string& text, const std::string& end)
{
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

class SystemTest : public ::testing::Test {
 protected:
  void SetUp() override
  {
    oxtest::UsePrivateDisplay();
    display_ = oxtest::OpenTestDisplay();
    ASSERT_NE(display_, nullptr) << "no X display: Xvfb did not start";
  }
  void TearDown() override
  {
    if (display_) XCloseDisplay(display_);
  }
  Display* display_ = nullptr;
};

// Cases: the banner byte for byte, first and once, with and without the
// console flag (a process here never gets a new console, so nothing is
// redirected), and nothing at all on standard error from start-up, frames
// and shut-down. Graphics may print its own lines after the banner.
TEST_F(SystemTest, BannerOnStandardOutputOnly)
{
  for (int console : {0, 1}) {
    oxtest::ChildResult child = oxtest::RunInChild([console] {
      int started = OxSysInit(nullptr, SW_SHOWNORMAL, 320, 200, console, 60, 0, nullptr);
      for (int i = 0; i < 3; ++i) oxtest::RunFrame();
      OxSysExit();
      return started == 1 ? 0 : 1;
    });
    EXPECT_EQ(child.exitCode, 0) << "console flag " << console;
    EXPECT_TRUE(StartsWith(child.out, kBanner)) << child.out;
    EXPECT_EQ(child.out.find("Oxlen Engine version", 1), std::string::npos) << child.out;
    EXPECT_EQ(child.err, "") << "console flag " << console;
  }
}

// Cases: before OxSysInit there is no handle, the window does not exist, the
// focus flag is 1, and switching to full screen changes nothing.
TEST_F(SystemTest, StateBeforeInit)
{
  EXPECT_EQ(OxSysGetWindowHandle(), nullptr);
  EXPECT_EQ(OxSysDoesWindowExist(), 0);
  EXPECT_EQ(OxSysIsFocus(), 1);
  EXPECT_EQ(OxSysIsFullScreen(), 0);
  OxSysSetFullScreen(1);
  EXPECT_EQ(OxSysIsFullScreen(), 0);
  OxSysSetWindowTitle("ignored");
}

// Placement moves the whole window, frame included (a Win32 window's frame is
// its own; under X11 nothing frames it), so positions are checked on the
// frame's corner and sizes on the client area.
// Cases: 800 by 600 on 1920 by 1080 is centred at (560, 240) with a client
// area of exactly 800 by 600, titled "Oxlen Engine", shown and existing; a
// new title replaces it.
TEST_F(SystemTest, CentredWindowWithRequestedClientSize)
{
  ASSERT_EQ(OxSysInit(nullptr, SW_SHOWNORMAL, 800, 600, 0, 60, 0, nullptr), 1);
  EXPECT_NE(OxSysGetWindowHandle(), nullptr);
  EXPECT_EQ(OxSysDoesWindowExist(), 1);
  Window window = oxtest::FindWindowByTitle(display_, "Oxlen Engine");
  ASSERT_NE(window, 0u);
  Geometry geometry = oxtest::WindowGeometry(display_, window);
  EXPECT_EQ(geometry.frameX, 560);
  EXPECT_EQ(geometry.frameY, 240);
  EXPECT_EQ(geometry.width, 800);
  EXPECT_EQ(geometry.height, 600);
  oxtest::RunFrame();
  OxSysSetWindowTitle("Second title");
  EXPECT_EQ(oxtest::FindWindowByTitle(display_, "Second title"), window);
  OxSysExit();
}

// Cases: odd sizes are halved separately (801 by 601 at 960 - 400, 540 - 300);
// a window larger than the display gets a negative, unclamped position.
TEST_F(SystemTest, PlacementOfOddAndOversizedWindows)
{
  oxtest::ChildResult odd = oxtest::RunInChild([] {
    Display* display = oxtest::OpenTestDisplay();
    OxSysInit(nullptr, SW_SHOWNORMAL, 801, 601, 0, 0, 0, nullptr);
    Geometry g = oxtest::WindowGeometry(display, oxtest::FindWindowByTitle(display, "Oxlen Engine"));
    printf("%d %d %d %d", g.frameX, g.frameY, g.width, g.height);
    return 0;
  });
  EXPECT_TRUE(EndsWith(odd.out, "\n560 240 801 601")) << odd.out;
  oxtest::ChildResult large = oxtest::RunInChild([] {
    Display* display = oxtest::OpenTestDisplay();
    OxSysInit(nullptr, SW_SHOWNORMAL, 2000, 1200, 0, 0, 0, nullptr);
    Geometry g = oxtest::WindowGeometry(display, oxtest::FindWindowByTitle(display, "Oxlen Engine"));
    printf("%d %d %d %d", g.frameX, g.frameY, g.width, g.height);
    return 0;
  });
#ifdef _WIN32
  // Windows keeps a captioned window within its largest tracking size (about
  // the display plus the frame): the position is as asked, the size is the
  // system's.
  EXPECT_NE(large.out.find("\n-40 -60 "), std::string::npos) << large.out;
#else
  EXPECT_TRUE(EndsWith(large.out, "\n-40 -60 2000 1200")) << large.out;
#endif
  EXPECT_EQ(large.err, "");
}

// Cases: the window manager's close request makes OxSysDoesWindowExist 0 once
// a frame end has pumped it, never before a pump; the window is gone from the
// server afterwards.
TEST_F(SystemTest, CloseRequestDestroysTheWindow)
{
  ASSERT_EQ(OxSysInit(nullptr, SW_SHOWNORMAL, 640, 480, 0, 0, 0, nullptr), 1);
  Window window = oxtest::FindWindowByTitle(display_, "Oxlen Engine");
  ASSERT_NE(window, 0u);
  oxtest::RunFrame();
  oxtest::RequestClose(display_, window);
  EXPECT_EQ(OxSysDoesWindowExist(), 1);  // nothing pumped yet
  int frames = 0;
  while (OxSysDoesWindowExist() && frames < 2000) {
    OxSysFrameStart();
    EXPECT_EQ(OxSysDoesWindowExist(), 1);  // only the pump in the frame end closes
    OxSysFrameEnd();
    ++frames;
  }
  EXPECT_EQ(OxSysDoesWindowExist(), 0);
  EXPECT_FALSE(oxtest::WindowExists(display_, window));
  // Frames after the window is gone stay harmless.
  oxtest::RunFrame();
  OxSysSetFullScreen(1);
  OxSysSetWindowTitle("gone");
  OxSysExit();
}

// Cases: the focus flag is 1 at start, drops to 0 when the focus moves to
// another X window, and comes back to 1 when it returns.
TEST_F(SystemTest, FocusFlagFollowsTheFocus)
{
  ASSERT_EQ(OxSysInit(nullptr, SW_SHOWNORMAL, 400, 300, 0, 0, 0, nullptr), 1);
  EXPECT_EQ(OxSysIsFocus(), 1);
  Window window = oxtest::FindWindowByTitle(display_, "Oxlen Engine");
  ASSERT_NE(window, 0u);
  oxtest::SetFocus(display_, window);
  oxtest::RunFrame();
  Window other = oxtest::CreateOtherWindow(display_);
  oxtest::SetFocus(display_, other);
  EXPECT_TRUE(oxtest::RepeatUntil(oxtest::RunFrame, [] { return OxSysIsFocus() == 0; }));
  oxtest::SetFocus(display_, window);
  EXPECT_TRUE(oxtest::RepeatUntil(oxtest::RunFrame, [] { return OxSysIsFocus() == 1; }));
  OxSysExit();
}

// Cases: with the library's own procedure, Alt pressed and let go on its own
// leaves the frame loop running: the frames see it down and up, and a key
// pressed afterwards reaches them (a system menu's modal loop would hold the
// pump instead, until some other key or click).
TEST_F(SystemTest, LoneAltKeepsTheFrameLoopRunning)
{
  ASSERT_EQ(OxSysInit(nullptr, SW_SHOWNORMAL, 400, 300, 0, 0, 0, nullptr), 1);
  Window window = oxtest::FindWindowByTitle(display_, "Oxlen Engine");
  ASSERT_NE(window, 0u);
  oxtest::SetFocus(display_, window);
  oxtest::RunFrame();
  oxtest::SendKey(display_, XK_Alt_L, true);
  EXPECT_TRUE(oxtest::RepeatUntil(oxtest::RunFrame, [] { return OxInputCheckCurr(VK_MENU) == 1; }));
  oxtest::SendKey(display_, XK_Alt_L, false);
  EXPECT_TRUE(oxtest::RepeatUntil(oxtest::RunFrame, [] { return OxInputCheckCurr(VK_MENU) == 0; }));
  oxtest::SendKey(display_, XK_b, true);
  EXPECT_TRUE(oxtest::RepeatUntil(oxtest::RunFrame, [] { return OxInputCheckCurr('B') == 1; }));
  oxtest::SendKey(display_, XK_b, false);
  EXPECT_TRUE(oxtest::RepeatUntil(oxtest::RunFrame, [] { return OxInputCheckCurr('B') == 0; }));
  EXPECT_EQ(OxSysDoesWindowExist(), 1);
  OxSysExit();
}

// Cases: a game's own procedure gets WM_CREATE first (during OxSysInit), then
// the placement and paint messages, activation, key messages with Win32
// packing and the WM_CHAR that translation makes, mouse moves in client
// pixels, buttons and the wheel, and on the close request WM_CLOSE and, from
// DefWindowProcA, WM_DESTROY; the library's flags stay 1 throughout.
TEST_F(SystemTest, GameWindowProcedureReceivesTheMessages)
{
  using oxtest::CountMessages;
  using oxtest::PumpUntilMessage;
  using oxtest::RecordedMessages;
  ASSERT_EQ(OxSysInit(nullptr, SW_SHOWNORMAL, 800, 600, 0, 0, 0, oxtest::RecordingWindowProcedure), 1);
  // Windows sends the frame's own messages (WM_GETMINMAXINFO 0x24,
  // WM_NCCREATE 0x81, WM_NCCALCSIZE 0x83) before WM_CREATE; the first of the
  // others is WM_CREATE.
  UINT first = 0;
  for (const auto& recorded : RecordedMessages()) {
    if (recorded.message == 0x24 || recorded.message == 0x81 || recorded.message == 0x83) continue;
    first = recorded.message;
    break;
  }
  EXPECT_EQ(first, static_cast<UINT>(WM_CREATE));
  EXPECT_EQ(CountMessages(WM_PAINT), 1);  // UpdateWindow in OxSysInit

  Window window = oxtest::FindWindowByTitle(display_, "Oxlen Engine");
  ASSERT_NE(window, 0u);
  // WM_MOVE carries the client area's corner: (560, 240) where nothing
  // frames the window.
  oxtest::Geometry client = oxtest::WindowGeometry(display_, window);
  bool movedToCentre = false;
  for (const auto& recorded : RecordedMessages()) {
    if (recorded.message == WM_MOVE && recorded.lParam == MAKELPARAM(client.x, client.y))
      movedToCentre = true;
  }
  EXPECT_TRUE(movedToCentre);
  oxtest::SetFocus(display_, window);
  EXPECT_TRUE(PumpUntilMessage(WM_ACTIVATE, 0));

  // Key 'A' down and up: wParam 'A', lParam repeat 1 and scan code 0x1E, bit
  // 31 only on the up.
  oxtest::SendKey(display_, XK_a, true);
  ASSERT_TRUE(PumpUntilMessage(WM_KEYDOWN, 0));
  oxtest::SendKey(display_, XK_a, false);
  ASSERT_TRUE(PumpUntilMessage(WM_KEYUP, 0));
  for (const auto& recorded : RecordedMessages()) {
    if (recorded.message == WM_KEYDOWN) {
      EXPECT_EQ(recorded.wParam, static_cast<WPARAM>('A'));
      EXPECT_EQ(recorded.lParam & 0xffff, 1);
      EXPECT_EQ((recorded.lParam >> 16) & 0xff, 0x1E);
      EXPECT_EQ((static_cast<uint32_t>(recorded.lParam) >> 30) & 3u, 0u);
    }
    if (recorded.message == WM_KEYUP) {
      EXPECT_EQ(recorded.wParam, static_cast<WPARAM>('A'));
      EXPECT_EQ((static_cast<uint32_t>(recorded.lParam) >> 30) & 3u, 3u);
    }
  }
  ASSERT_EQ(CountMessages(WM_CHAR), 1);
  for (const auto& recorded : RecordedMessages()) {
    if (recorded.message == WM_CHAR) {
      EXPECT_EQ(recorded.wParam, static_cast<WPARAM>('a'));
    }
  }

  // Mouse: a move to client (100, 50), the left button, one wheel step up.
  oxtest::MovePointer(display_, client.x + 100, client.y + 50);
  ASSERT_TRUE(PumpUntilMessage(WM_MOUSEMOVE, CountMessages(WM_MOUSEMOVE)));
  EXPECT_EQ(RecordedMessages().back().lParam, MAKELPARAM(100, 50));
  oxtest::SendButton(display_, 1, true);
  ASSERT_TRUE(PumpUntilMessage(WM_LBUTTONDOWN, 0));
  for (const auto& recorded : RecordedMessages()) {
    if (recorded.message == WM_LBUTTONDOWN) {
      EXPECT_EQ(recorded.lParam, MAKELPARAM(100, 50));
      EXPECT_EQ(recorded.wParam & MK_LBUTTON, static_cast<WPARAM>(MK_LBUTTON));
    }
  }
  oxtest::SendButton(display_, 1, false);
  ASSERT_TRUE(PumpUntilMessage(WM_LBUTTONUP, 0));
  oxtest::SendButton(display_, 4, true);
  oxtest::SendButton(display_, 4, false);
  ASSERT_TRUE(PumpUntilMessage(WM_MOUSEWHEEL, 0));
  for (const auto& recorded : RecordedMessages()) {
    if (recorded.message == WM_MOUSEWHEEL) {
      EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(recorded.wParam), WHEEL_DELTA);
      EXPECT_EQ(recorded.lParam, MAKELPARAM(client.x + 100, client.y + 50));  // screen pixels
    }
  }

  // Focus away: the game hears it, the library's flag does not change.
  // Counted before the focus moves: on Windows the other window is this
  // thread's, and WM_ACTIVATE arrives during the call itself.
  int activations = CountMessages(WM_ACTIVATE);
  Window other = oxtest::CreateOtherWindow(display_);
  oxtest::SetFocus(display_, other);
  ASSERT_TRUE(PumpUntilMessage(WM_ACTIVATE, activations));
  EXPECT_EQ(LOWORD(RecordedMessages().back().wParam), WA_INACTIVE);
  EXPECT_EQ(OxSysIsFocus(), 1);

  // Close: WM_CLOSE, then WM_DESTROY from the default handling.
  oxtest::RequestClose(display_, window);
  ASSERT_TRUE(PumpUntilMessage(WM_DESTROY, 0));
  EXPECT_EQ(CountMessages(WM_CLOSE), 1);
  // WM_DESTROY is the last but for Windows' own WM_NCDESTROY (0x82).
  UINT last = RecordedMessages().back().message;
  if (last == 0x82 && RecordedMessages().size() > 1) last = RecordedMessages()[RecordedMessages().size() - 2].message;
  EXPECT_EQ(last, static_cast<UINT>(WM_DESTROY));
  EXPECT_FALSE(oxtest::WindowExists(display_, window));
  EXPECT_EQ(OxSysDoesWindowExist(), 1);
  EXPECT_EQ(OxSysIsFocus(), 1);
  OxSysExit();
}

// A game procedure that never validates the window (it handles WM_PAINT by
// returning 0): each pump still returns, with one WM_PAINT at most.
LRESULT CALLBACK NeverPaints(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
  if (message == WM_PAINT) {
    printf("paint ");
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

TEST_F(SystemTest, PumpReturnsWhenTheWindowIsNeverValidated)
{
  oxtest::ChildResult child = oxtest::RunInChild([] {
    OxSysInit(nullptr, SW_SHOWNORMAL, 320, 240, 0, 0, 0, NeverPaints);
    printf("\n| ");
    OxSysUpdate();
    printf("| ");
    OxSysUpdate();
    return 0;
  }, 20);
  EXPECT_EQ(child.exitCode, 0);
  EXPECT_TRUE(StartsWith(child.out, kBanner)) << child.out;
  EXPECT_TRUE(EndsWith(child.out, "\n| paint | paint ")) << child.out;
}

}  // namespace
