// The first example run as a program through the entry-point library: a
// fixed number of frames, Escape, and the window manager's close request.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "OxTestSupport.h"
#include "OxX11Support.h"

namespace {

const std::string kDemo = std::string(OX_TEST_BINARY_DIR) + "/../examples/oxlen_demo";

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
// banner and the count and nothing on standard error.
TEST(Demo, RunsTheGivenNumberOfFrames)
{
  oxtest::UsePrivateDisplay();
  std::string output = oxtest::RunCommand(kDemo + " --frames 5 2>/dev/null; echo \"status $?\"");
  EXPECT_EQ(output, "Oxlen Engine version: 3.10\n\nFrames run: 5\nstatus 0\n");
  std::string errors = oxtest::RunCommand(kDemo + " --frames 2 2>&1 >/dev/null");
  EXPECT_EQ(errors, "");
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
      usleep(100000);
      // Held for several frames: a press and release inside one frame is
      // never seen by the snapshot.
      oxtest::SendKey(display, XK_Escape, true);
      usleep(200000);
      oxtest::SendKey(display, XK_Escape, false);
    } else {
      oxtest::RequestClose(display, window);
    }
    EXPECT_EQ(WaitForDemo(pid, 10000), 0) << (escape ? "Escape" : "close");
    std::string out = ReadFile(folder + "/out");
    EXPECT_EQ(out.rfind("Oxlen Engine version: 3.10\n\nFrames run: ", 0), 0u) << out;
    EXPECT_EQ(ReadFile(folder + "/err"), "");
  }
  XCloseDisplay(display);
}

}  // namespace
