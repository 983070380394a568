// The replay example end to end: the game is played with XTest input while
// it records and takes screenshots; the CI script then replays the recording
// under its own Xvfb and finds every screenshot identical, and notices a
// reference that is not.
// Linux-only program: the CI script it checks is a shell script that starts
// its own Xvfb and runs the Linux example.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "OxImageSupport.h"
#include "OxTestSupport.h"
#include "OxX11Support.h"

namespace {

const std::string kGame = std::string(OX_TEST_BINARY_DIR) + "/../examples/replay_game";
const std::string kCheck = std::string(OX_SOURCE_DIR) + "/examples/replay_check.sh";

// Starts the game with its standard output in a file; its process id.
pid_t StartGame(const std::vector<std::string>& arguments, const std::string& outPath)
{
  pid_t pid = fork();
  if (pid == 0) {
    int in = open("/dev/null", O_RDONLY);
    int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(in, 0);
    dup2(out, 1);
    dup2(out, 2);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(kGame.c_str()));
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execv(kGame.c_str(), argv.data());
    _exit(127);
  }
  return pid;
}

// The exit status once the process ends; -1 when it has to be killed.
int WaitFor(pid_t pid, int timeoutMs)
{
  int status = 0;
  for (int waited = 0; waited < timeoutMs; waited += 10) {
    if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    usleep(10000);
  }
  kill(pid, SIGKILL);
  waitpid(pid, &status, 0);
  return -1;
}

std::string SummaryLine(const std::string& output)
{
  size_t at = output.rfind("Frames: ");
  return at == std::string::npos ? "" : output.substr(at, output.find('\n', at) - at + 1);
}

// Cases: a played session records and its screenshots are written; the CI
// script's replay reaches the same summary and matches every screenshot;
// references it makes itself equal the ones taken while playing; a
// reference that does not match fails the check and is named.
TEST(ReplayExample, RecordReplayAndCompareScreenshots)
{
  oxtest::UsePrivateDisplay();
  Display* display = oxtest::OpenTestDisplay();
  ASSERT_NE(display, nullptr);
  std::string folder = oxtest::TempDir();
  std::string recording = folder + "/session.oxrec";
  std::string references = folder + "/references";
  ASSERT_EQ(mkdir(references.c_str(), 0700), 0);

  pid_t game = StartGame({"--record", recording, "--frames", "240", "--shots", references,
                          "--every", "40"},
                         folder + "/record.txt");
  Window window = oxtest::FindWindowByTitle(display, "Replay example", 10000);
  ASSERT_NE(window, 0u) << oxtest::ReadBytes(folder + "/record.txt");
  oxtest::SetFocus(display, window);
  oxtest::Geometry geometry = oxtest::WindowGeometry(display, window);
  // Steer right and up with a burst, click somewhere, then left.
  oxtest::SendKey(display, XK_Right, true);
  usleep(400000);
  oxtest::SendKey(display, XK_Up, true);
  oxtest::SendKey(display, XK_space, true);
  oxtest::SendKey(display, XK_space, false);
  usleep(300000);
  oxtest::SendKey(display, XK_Right, false);
  oxtest::MovePointer(display, geometry.x + 100, geometry.y + 120);
  oxtest::SendButton(display, 1, true);
  oxtest::SendButton(display, 1, false);
  oxtest::SendKey(display, XK_Left, true);
  usleep(300000);
  oxtest::SendKey(display, XK_Left, false);
  oxtest::SendKey(display, XK_Up, false);
  ASSERT_EQ(WaitFor(game, 60000), 0) << oxtest::ReadBytes(folder + "/record.txt");
  XCloseDisplay(display);
  std::string recorded = SummaryLine(oxtest::ReadBytes(folder + "/record.txt"));
  EXPECT_EQ(recorded.find("Frames: 240, "), 0u) << recorded;
  EXPECT_EQ(recorded.find("ship at 0.000, 0.000"), std::string::npos) << recorded;
  std::string shots = oxtest::RunCommand("ls " + references);
  EXPECT_EQ(shots,
            "frame-000040.png\nframe-000080.png\nframe-000120.png\n"
            "frame-000160.png\nframe-000200.png\nframe-000240.png\n");

  std::string check = kCheck + " " + kGame + " " + recording + " " + references + " --every 40";
  std::string output = oxtest::RunCommand(check + " 2>&1; echo \"status $?\"");
  EXPECT_EQ(SummaryLine(output), recorded) << output;
  EXPECT_NE(output.find("6 screenshots match\nstatus 0\n"), std::string::npos) << output;

  std::string made = folder + "/made";
  output = oxtest::RunCommand(kCheck + " --make-references " + kGame + " " + recording + " " +
                              made + " --every 40 2>&1; echo \"status $?\"");
  EXPECT_NE(output.find("status 0\n"), std::string::npos) << output;
  EXPECT_EQ(oxtest::RunCommand("diff -r " + references + " " + made + " && echo same"), "same\n");

  // Frame 80's reference replaced by frame 40's: found and named.
  oxtest::WriteBytes(references + "/frame-000080.png",
                     oxtest::ReadBytes(references + "/frame-000040.png"));
  output = oxtest::RunCommand(check + " 2>&1; echo \"status $?\"");
  EXPECT_NE(output.find("differs: frame-000080.png\nstatus 1\n"), std::string::npos) << output;
  EXPECT_EQ(oxtest::Count(output, "differs:"), 1u) << output;
}

}  // namespace
