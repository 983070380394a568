// The example programs run as programs: the demo game through the
// entry-point library (a fixed number of frames under its auto-pilot, the
// screenshot and summary line, Escape, the window manager's close request)
// the minimal game of the README and the shooter's replay.
// Desktop-only program: it runs the example programs as processes; the page tests
// of scripts/test-web.sh run them in pages.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <chrono>
#include <functional>
#include <regex>
#include <set>
#include <string>
#include <thread>

#include "OxImageSupport.h"
#include "OxTestSupport.h"
#include "OxX11Support.h"

namespace {

const std::string kDemo = std::string(OX_TEST_BINARY_DIR) + "/../examples/oxlen_demo";
const std::string kMinimalGame = std::string(OX_TEST_BINARY_DIR) + "/../examples/minimal_game";
const std::string kShooter = std::string(OX_TEST_BINARY_DIR) + "/../examples/shooter";

// The summary line: frames, score, best score, average frame time.
const std::regex kSummary(
    "Frames run: ([0-9]+), score: ([0-9]+), best score: ([0-9]+), "
    "average frame time: [0-9]+\\.[0-9]{2} ms\n");

// The demo run in the background, its output captured, while the test
// plays it; Wait gives how it ended (killed after a minute).
class DemoRun {
 public:
  DemoRun() : thread_([this] { result_ = oxtest::RunProgram(kDemo, {}, 60); }) {}
  ~DemoRun()
  {
    if (thread_.joinable()) thread_.join();
  }
  const oxtest::ChildResult& Wait()
  {
    if (thread_.joinable()) thread_.join();
    return result_;
  }

 private:
  oxtest::ChildResult result_{"", "", -1, 0};
  std::thread thread_;
};

void SleepMs(int milliseconds)
{
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

// Cases: "--frames 5" runs five frames and ends with status 0, printing the
// banner first and the summary line last, and nothing on standard error.
TEST(Demo, RunsTheGivenNumberOfFrames)
{
  oxtest::UsePrivateDisplay();
  oxtest::ChildResult run = oxtest::RunProgram(kDemo, {"--frames", "5"});
  EXPECT_EQ(run.exitCode, 0) << run.out;
  EXPECT_EQ(run.out.rfind("Oxlen Engine version: 3.10\n\n", 0), 0u) << run.out;
  size_t summaryAt = run.out.rfind("Frames run: ");
  ASSERT_NE(summaryAt, std::string::npos) << run.out;
  std::string summary = run.out.substr(summaryAt);
  std::smatch match;
  ASSERT_TRUE(std::regex_match(summary, match, kSummary)) << summary;
  EXPECT_EQ(match[1], "5");
  EXPECT_EQ(run.err, "");
}

// Counts of screenshot pixels by what they look like.
struct ShotCensus {
  int width = 0, height = 0;
  size_t distinctColours = 0;
  int background = 0;  // the dimmed starfield: blue above red above green
  int rock = 0;        // warm greys and browns: red above blue by 25 or more
  int ship = 0;        // the ship's saturated blue: blue high, red low
  int hudText = 0;     // near-white pixels in the score corner (top left)
  int rateText = 0;    // green pixels in the frame-rate corner (top right)
};

ShotCensus Census(const std::string& path)
{
  ShotCensus census;
  oxtest::RgbaPixels pixels;
  if (!oxtest::ReadImage(path, &pixels, &census.width, &census.height)) return census;
  std::set<unsigned int> colours;
  for (int y = 0; y < census.height; ++y) {
    const unsigned char* row = pixels.data() + static_cast<size_t>(y) * census.width * 4;
    for (int x = 0; x < census.width; ++x) {
      int r = row[x * 4], g = row[x * 4 + 1], b = row[x * 4 + 2];
      colours.insert((r << 16) | (g << 8) | b);
      if (b > r && r > g && b < 120) ++census.background;
      if (r > b + 25 && r > 70 && g > 40 && g < r) ++census.rock;
      if (b > 220 && r < 130) ++census.ship;
      if (y < 30 && x < 200 && r > 200 && g > 200 && b > 200) ++census.hudText;
      if (y < 30 && x > 650 && g > 200 && r < 180 && b < 180) ++census.rateText;
    }
  }
  census.distinctColours = colours.size();
  return census;
}

// Cases: a headless run with a screenshot: the summary reports the frames
// run and a score above 0 (the auto-pilot shoots rocks), the demo says where
// the screenshot went, and the PNG is the window's size and shows, roughly,
// the background over most of it, rocks, the ship, the score text and the
// frame-rate text in many distinct colours.
TEST(Demo, HeadlessRunLeavesAScreenshotAndASummary)
{
  oxtest::UsePrivateDisplay();
  std::string shot = oxtest::TempDir() + "/demo.png";
  oxtest::ChildResult run = oxtest::RunProgram(kDemo, {"--frames", "240", "--screenshot", shot}, 120);
  std::string output = run.out + run.err;
  EXPECT_EQ(run.exitCode, 0) << output;
  EXPECT_NE(output.find("\nScreenshot: " + shot + "\n"), std::string::npos) << output;
  size_t summaryAt = output.rfind("Frames run: ");
  ASSERT_NE(summaryAt, std::string::npos) << output;
  std::smatch match;
  std::string summary = output.substr(summaryAt);
  ASSERT_TRUE(std::regex_match(summary, match, kSummary)) << summary;
  EXPECT_EQ(match[1], "240");
  EXPECT_GT(std::stoi(match[3]), 0) << summary;

  ShotCensus census = Census(shot);
  ASSERT_EQ(census.width, 800) << "no screenshot at " << shot;
  EXPECT_EQ(census.height, 600);
  EXPECT_GT(census.distinctColours, 500u);
  EXPECT_GT(census.background, 800 * 600 / 2);
  EXPECT_GT(census.rock, 300);
  EXPECT_GT(census.ship, 30);
  EXPECT_GT(census.hudText, 40);
  EXPECT_GT(census.rateText, 20);
}

// Cases: the README's minimal game given a frame count runs that many frames
// and ends with status 0, having created its font, with nothing on standard
// error.
TEST(Demo, MinimalGameRunsAndEnds)
{
  oxtest::UsePrivateDisplay();
  oxtest::ChildResult run = oxtest::RunProgram(kMinimalGame, {"20"});
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.exitCode, 0) << run.out;
  EXPECT_EQ(run.out.rfind("Oxlen Engine version: 3.10\n\n", 0), 0u) << run.out;
  EXPECT_NE(run.out.find("Font /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf, size 32, "),
            std::string::npos) << run.out;
}

// The shooter plays itself for 300 frames while recording, scores, and its
// replay ends on the same score; every asset loads (diagnostics are on).
TEST(Demo, ShooterReplaysToItsScore)
{
  oxtest::UsePrivateDisplay();
  std::string path = oxtest::TempDir() + "/shooter.oxrec";
  std::string score[2];
  for (int replay = 0; replay < 2; ++replay) {
    oxtest::ChildResult run = oxtest::RunProgram(
        kShooter, {"--frames", "300", replay ? "--replay" : "--record", path});
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.exitCode, 0) << run.out;
    EXPECT_EQ(run.out.find("Diagnostics:"), std::string::npos) << run.out;
    size_t last = run.out.rfind("Score: ");
    score[replay] = last == std::string::npos ? run.out : run.out.substr(last);
  }
  EXPECT_NE(score[0], "Score: 0\n");
  EXPECT_EQ(score[0], score[1]);
}

// Holds a key down until done says its effect is seen (or 20 s pass), then
// lets it go. The demo's window appears before it has loaded its images,
// font and sounds, which takes a while on a busy machine, and a press and
// release that fall between two of its frames are never seen by the
// snapshot; holding the key until it has acted covers both.
// The press is repeated while waiting, as a held key repeats: under Wine the
// X11 driver lets go of keys the X server does not hold (those sent with
// SendInput) when the demo's window takes the focus, and a repeat presses it
// again.
bool HoldKeyUntil(Display* display, KeySym key, const std::function<bool()>& done)
{
  oxtest::SendKey(display, key, true);
  int waits = 0;
  bool seen = oxtest::RepeatUntil(
      [&] {
        SleepMs(20);
        if (++waits % 5 == 0) oxtest::SendKey(display, key, true);
      },
      done, 20000);
  oxtest::SendKey(display, key, false);
  return seen;
}

// Cases: Escape ends the loop; so does the window manager's close request.
TEST(Demo, EndsOnEscapeOrClose)
{
  oxtest::UsePrivateDisplay();
  Display* display = oxtest::OpenTestDisplay();
  ASSERT_NE(display, nullptr);
  for (bool escape : {true, false}) {
    DemoRun demo;
    Window window = oxtest::FindWindowByTitle(display, "Oxlen Engine", 20000);
    ASSERT_NE(window, 0u);
    if (escape) {
      oxtest::SetFocus(display, window);
      HoldKeyUntil(display, XK_Escape, [&] { return !oxtest::WindowExists(display, window); });
    } else {
      oxtest::RequestClose(display, window);
    }
    const oxtest::ChildResult& run = demo.Wait();
    EXPECT_EQ(run.exitCode, 0) << (escape ? "Escape" : "close");
    EXPECT_EQ(run.out.rfind("Oxlen Engine version: 3.10\n\n", 0), 0u) << run.out;
    EXPECT_NE(run.out.find("\nFrames run: "), std::string::npos) << run.out;
    EXPECT_EQ(run.err, "");
  }
  XCloseDisplay(display);
}

}  // namespace

namespace {

// Gives the demo a few frames to see that a key held down is now up, so
// that the next press is a new one.
void LetTheReleaseBeSeen() { SleepMs(300); }

// Cases: F11 makes the demo's window cover the display and F11 again gives
// the 800 x 600 window back; a left click in the window (which fires towards
// the cursor) leaves the game running; Escape then quits with status 0 and
// the summary line.
TEST(Demo, FullScreenToggleClickAndEscape)
{
  oxtest::UsePrivateDisplay();
  Display* display = oxtest::OpenTestDisplay();
  ASSERT_NE(display, nullptr);
  DemoRun demo;
  Window window = oxtest::FindWindowByTitle(display, "Oxlen Engine", 20000);
  ASSERT_NE(window, 0u);
  oxtest::SetFocus(display, window);
  SleepMs(100);

  bool full = HoldKeyUntil(display, XK_F11, [&] {
    oxtest::Geometry geometry = oxtest::WindowGeometry(display, window);
    return geometry.width == 1920 && geometry.height == 1080;
  });
  EXPECT_TRUE(full);
  LetTheReleaseBeSeen();
  oxtest::SetFocus(display, window);
  bool windowed = HoldKeyUntil(display, XK_F11, [&] {
    oxtest::Geometry geometry = oxtest::WindowGeometry(display, window);
    return geometry.width == 800 && geometry.height == 600;
  });
  EXPECT_TRUE(windowed);
  LetTheReleaseBeSeen();

  oxtest::Geometry geometry = oxtest::WindowGeometry(display, window);
  oxtest::MovePointer(display, geometry.x + 700, geometry.y + 100);
  oxtest::SendButton(display, 1, true);
  SleepMs(150);
  oxtest::SendButton(display, 1, false);

  oxtest::SetFocus(display, window);
  HoldKeyUntil(display, XK_Escape, [&] { return !oxtest::WindowExists(display, window); });
  const oxtest::ChildResult& run = demo.Wait();
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_NE(run.out.find("\nFrames run: "), std::string::npos) << run.out;
  EXPECT_EQ(run.err, "");
  XCloseDisplay(display);
}

}  // namespace
