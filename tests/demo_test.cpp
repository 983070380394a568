// The example programs run as programs: the demo game through the
// entry-point library (a fixed number of frames under its auto-pilot, the
// screenshot and summary line, Escape, the window manager's close request)
// and the minimal game of the README.
#include <SDL_image.h>
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <regex>
#include <set>
#include <string>

#include "OxTestSupport.h"
#include "OxX11Support.h"

namespace {

const std::string kDemo = std::string(OX_TEST_BINARY_DIR) + "/../examples/oxlen_demo";
const std::string kMinimalGame = std::string(OX_TEST_BINARY_DIR) + "/../examples/minimal_game";

// The summary line: frames, score, best score, average frame time.
const std::regex kSummary(
    "Frames run: ([0-9]+), score: ([0-9]+), best score: ([0-9]+), "
    "average frame time: [0-9]+\\.[0-9]{2} ms\n");

// Starts the demo with its output in files; its process id.
pid_t StartDemo(const std::string& outPath, const std::string& errPath)
{
  pid_t pid = fork();
  if (pid == 0) {
    int in = open("/dev/null", O_RDONLY);
    int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    execl(kDemo.c_str(), kDemo.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  return pid;
}

// The demo's exit status once it ends, -1 when it has to be killed.
int WaitForDemo(pid_t pid, int timeoutMs)
{
  int status = 0;
  for (int waited = 0; waited < timeoutMs; waited += 5) {
    if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    usleep(5000);
  }
  kill(pid, SIGKILL);
  waitpid(pid, &status, 0);
  return -1;
}

std::string ReadFile(const std::string& path)
{
  return oxtest::RunCommand("cat " + path);
}

// Cases: "--frames 5" runs five frames and ends with status 0, printing the
// banner first and the summary line last, and nothing on standard error.
TEST(Demo, RunsTheGivenNumberOfFrames)
{
  oxtest::UsePrivateDisplay();
  std::string output = oxtest::RunCommand(kDemo + " --frames 5 2>/dev/null; echo \"status $?\"");
  EXPECT_EQ(output.rfind("Oxlen Engine version: 3.10\n\n", 0), 0u) << output;
  const std::string status = "status 0\n";
  ASSERT_GE(output.size(), status.size());
  EXPECT_EQ(output.substr(output.size() - status.size()), status) << output;
  size_t summaryAt = output.rfind("Frames run: ");
  ASSERT_NE(summaryAt, std::string::npos) << output;
  std::string summary = output.substr(summaryAt, output.size() - summaryAt - status.size());
  std::smatch match;
  ASSERT_TRUE(std::regex_match(summary, match, kSummary)) << summary;
  EXPECT_EQ(match[1], "5");
  std::string errors = oxtest::RunCommand(kDemo + " --frames 2 2>&1 >/dev/null");
  EXPECT_EQ(errors, "");
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
  SDL_Surface* loaded = IMG_Load(path.c_str());
  if (!loaded) return census;
  SDL_Surface* image = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGBA32, 0);
  SDL_FreeSurface(loaded);
  census.width = image->w;
  census.height = image->h;
  std::set<unsigned int> colours;
  for (int y = 0; y < image->h; ++y) {
    const unsigned char* row = static_cast<const unsigned char*>(image->pixels) + y * image->pitch;
    for (int x = 0; x < image->w; ++x) {
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
  SDL_FreeSurface(image);
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
  std::string output = oxtest::RunCommand(kDemo + " --frames 240 --screenshot " + shot +
                                          " 2>&1");
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
  std::string errors = oxtest::TempDir() + "/errors";
  std::string output =
      oxtest::RunCommand(kMinimalGame + " 20 2>" + errors + "; echo \"status $?\"");
  EXPECT_EQ(ReadFile(errors), "");
  EXPECT_EQ(output.rfind("Oxlen Engine version: 3.10\n\n", 0), 0u) << output;
  EXPECT_NE(output.find("Font /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf, size 32, "),
            std::string::npos) << output;
  const std::string end = "\nstatus 0\n";
  ASSERT_GE(output.size(), end.size());
  EXPECT_EQ(output.substr(output.size() - end.size()), end) << output;
}

// Holds a key down until done says its effect is seen (or 20 s pass), then
// lets it go. The demo's window appears before it has loaded its images,
// font and sounds, which takes a while on a busy machine, and a press and
// release that fall between two of its frames are never seen by the
// snapshot; holding the key until it has acted covers both.
bool HoldKeyUntil(Display* display, KeySym key, const std::function<bool()>& done)
{
  oxtest::SendKey(display, key, true);
  bool seen = oxtest::RepeatUntil([] { usleep(20000); }, done, 20000);
  oxtest::SendKey(display, key, false);
  return seen;
}

// Cases: Escape ends the loop; so does the window manager's close request.
TEST(Demo, EndsOnEscapeOrClose)
{
  oxtest::UsePrivateDisplay();
  Display* display = oxtest::OpenTestDisplay();
  ASSERT_NE(display, nullptr);
  std::string folder = oxtest::TempDir();
  for (bool escape : {true, false}) {
    pid_t pid = StartDemo(folder + "/out", folder + "/err");
    Window window = oxtest::FindWindowByTitle(display, "Oxlen Engine", 5000);
    ASSERT_NE(window, 0u);
    if (escape) {
      oxtest::SetFocus(display, window);
      HoldKeyUntil(display, XK_Escape, [&] { return !oxtest::WindowExists(display, window); });
    } else {
      oxtest::RequestClose(display, window);
    }
    EXPECT_EQ(WaitForDemo(pid, 10000), 0) << (escape ? "Escape" : "close");
    std::string out = ReadFile(folder + "/out");
    EXPECT_EQ(out.rfind("Oxlen Engine version: 3.10\n\n", 0), 0u) << out;
    EXPECT_NE(out.find("\nFrames run: "), std::string::npos) << out;
    EXPECT_EQ(ReadFile(folder + "/err"), "");
  }
  XCloseDisplay(display);
}

}  // namespace

namespace {

// Gives the demo a few frames to see that a key held down is now up, so
// that the next press is a new one.
void LetTheReleaseBeSeen() { usleep(300000); }

// Cases: F11 makes the demo's window cover the display and F11 again gives
// the 800 x 600 window back; a left click in the window (which fires towards
// the cursor) leaves the game running; Escape then quits with status 0 and
// the summary line.
TEST(Demo, FullScreenToggleClickAndEscape)
{
  oxtest::UsePrivateDisplay();
  Display* display = oxtest::OpenTestDisplay();
  ASSERT_NE(display, nullptr);
  std::string folder = oxtest::TempDir();
  pid_t pid = StartDemo(folder + "/out", folder + "/err");
  Window window = oxtest::FindWindowByTitle(display, "Oxlen Engine", 5000);
  ASSERT_NE(window, 0u);
  oxtest::SetFocus(display, window);
  usleep(100000);

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
  usleep(150000);
  oxtest::SendButton(display, 1, false);

  oxtest::SetFocus(display, window);
  HoldKeyUntil(display, XK_Escape, [&] { return !oxtest::WindowExists(display, window); });
  EXPECT_EQ(WaitForDemo(pid, 10000), 0);
  std::string out = ReadFile(folder + "/out");
  EXPECT_NE(out.find("\nFrames run: "), std::string::npos) << out;
  EXPECT_EQ(ReadFile(folder + "/err"), "");
  XCloseDisplay(display);
}

}  // namespace
