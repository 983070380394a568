// The system family under careless calls and a hostile environment: a
// second start while running, negative window sizes, no display at all, the
// X server going away mid-game, a game that restarts, titles that are not
// UTF-8, and exits before a start or twice. Each case runs in a child
// process, so one that hangs or ends the process fails on its own.
// Desktop-only program: each case runs in a child process that may end or
// lose its display, which a page cannot.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <signal.h>
#ifdef _WIN32
#include <windows.h>
#include <psapi.h>
#else
#include <malloc.h>
#endif
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "OxEngineSupport.h"
#include "OxTestSupport.h"
#include "OxX11Support.h"
#include "Oxlen.h"

namespace {

const std::string kBanner = "Oxlen Engine version: 3.10\n\n";
const char* const kTitle = "Oxlen Engine";

// Everything printed after the first line that starts with marker.
std::string After(const std::string& text, const std::string& marker)
{
  size_t at = text.find(marker);
  return at == std::string::npos ? "no " + marker + " in:\n" + text : text.substr(at);
}

#ifndef _WIN32
#ifndef OX_TEST_NULL_BACKEND
// Waits (up to five seconds) until the process has ended: gone, or a zombie
// its parent has not collected yet.
void WaitUntilEnded(int pid)
{
  for (int tries = 0; tries < 500; ++tries) {
    FILE* stat = fopen(("/proc/" + std::to_string(pid) + "/stat").c_str(), "r");
    if (!stat) return;
    char state = 0;
    int scanned = fscanf(stat, "%*d (%*[^)]) %c", &state);
    fclose(stat);
    if (scanned == 1 && state == 'Z') return;
    usleep(10000);
  }
}
#endif

// Bytes the heap holds for the program now (small blocks and mapped ones).
size_t HeapInUse()
{
  struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}
#else
// Bytes the process has committed now.
size_t HeapInUse()
{
  PROCESS_MEMORY_COUNTERS counters;
  if (!K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters))) return 0;
  return counters.PagefileUsage;
}
#endif

class SystemCareless : public ::testing::Test {
 protected:
  void SetUp() override { oxtest::UsePrivateDisplay(); }
};

}  // namespace

// Cases: a second OxSysInit while the system runs (another size, the console
// flag, a game procedure) prints its line, returns 1 and changes nothing: one
// window, still 640 x 480, frames go on, no OpenGL error ends the process.
// After OxSysExit the window is gone from the server.
TEST_F(SystemCareless, SecondInitWhileRunningChangesNothing)
{
  oxtest::ChildResult child = oxtest::RunInChild([] {
    Display* display = oxtest::OpenTestDisplay();
    if (OxSysInit(nullptr, SW_SHOWNORMAL, 640, 480, 0, 0, 0, nullptr) != 1) return 2;
    oxtest::RunFrame();
    printf("[second]\n");
    int second = OxSysInit(nullptr, SW_SHOWNORMAL, 320, 200, 1, 30, 1,
                           oxtest::RecordingWindowProcedure);
    for (int i = 0; i < 5; ++i) oxtest::RunFrame();
    oxtest::Geometry g =
        oxtest::WindowGeometry(display, oxtest::FindWindowByTitle(display, kTitle));
    printf("result %d, windows %d, size %d x %d, exists %d\n", second,
           oxtest::CountWindowsByTitle(display, kTitle), g.width, g.height,
           OxSysDoesWindowExist());
    OxSysExit();
    printf("after exit: windows %d, exists %d\n", oxtest::CountWindowsByTitle(display, kTitle),
           OxSysDoesWindowExist());
    return 0;
  });
  EXPECT_EQ(child.exitCode, 0) << child.out;
  EXPECT_EQ(After(child.out, "[second]"),
            "[second]\nSystem already running: OxSysInit changes nothing before OxSysExit\n"
            "result 1, windows 1, size 640 x 480, exists 1\nafter exit: windows 0, exists 0\n");
  EXPECT_EQ(child.err, "");
}

// Cases: widths and heights below zero (-1 x 600, 800 x -1, -5 x -5) are
// refused with result 0 and one line, before any window is made; the window
// does not exist and OxSysExit returns; a start with a valid size afterwards
// works. A 0 x 0 window stays accepted (see the bad-input table).
TEST_F(SystemCareless, NegativeWindowSizesAreRefused)
{
  oxtest::ChildResult child = oxtest::RunInChild([] {
    Display* display = oxtest::OpenTestDisplay();
    const int sizes[][2] = {{-1, 600}, {800, -1}, {-5, -5}};
    for (const auto& size : sizes) {
      printf("[%d x %d]\n", size[0], size[1]);
      int result = OxSysInit(nullptr, SW_SHOWNORMAL, size[0], size[1], 0, 0, 0, nullptr);
      int frames = 0;
      while (OxSysDoesWindowExist() && frames < 100) {
        oxtest::RunFrame();
        ++frames;
      }
      printf("result %d, frames %d, windows %d\n", result, frames,
             oxtest::CountWindowsByTitle(display, kTitle));
      OxSysExit();
    }
    printf("[valid]\n");
    int result = OxSysInit(nullptr, SW_SHOWNORMAL, 320, 240, 0, 0, 0, nullptr);
    oxtest::RunFrame();
    printf("result %d, exists %d, windows %d\n", result, OxSysDoesWindowExist(),
           oxtest::CountWindowsByTitle(display, kTitle));
    OxSysExit();
    return 0;
  });
  EXPECT_EQ(child.exitCode, 0) << child.out;
  std::string expected;
  for (const char* size : {"-1 x 600", "800 x -1", "-5 x -5"})
    expected += std::string("[") + size + "]\n" + kBanner + "Window size " + size +
                " refused: width and height cannot be negative\nresult 0, frames 0, windows 0\n";
  expected += "[valid]\n" + kBanner;
  std::string out = After(child.out, "[-1 x 600]");
  ASSERT_GE(out.size(), expected.size()) << out;
  EXPECT_EQ(out.substr(0, expected.size()), expected);
  EXPECT_NE(out.find("result 1, exists 1, windows 1\n"), std::string::npos) << out;
  EXPECT_EQ(child.err, "");
}

#if !defined(_WIN32) && !defined(OX_TEST_NULL_BACKEND)
// Linux only, this case and the next: they take the X server away (DISPLAY
// unset or wrong, the server ended); Wine's window system is part of the
// process's platform and cannot go away under the game, and the null
// backend's display is always there.
// Cases: DISPLAY unset, and DISPLAY naming a server that does not exist:
// OxSysInit prints the banner and one line saying no display could be
// opened, returns 0, the window does not exist (a loop on it runs no frame),
// OxSysExit returns, nothing reaches standard error.
TEST_F(SystemCareless, NoDisplayFailsWithAReason)
{
  for (const char* display : {"", ":97531"}) {
    oxtest::ChildResult child = oxtest::RunInChild([display] {
      if (*display) setenv("DISPLAY", display, 1);
      else unsetenv("DISPLAY");
      int result = OxSysInit(nullptr, SW_SHOWNORMAL, 640, 480, 0, 60, 0, nullptr);
      int frames = 0;
      while (OxSysDoesWindowExist() && frames < 100) {
        oxtest::RunFrame();
        ++frames;
      }
      OxSysExit();
      printf("result %d, frames %d, exists %d\n", result, frames, OxSysDoesWindowExist());
      return 0;
    });
    EXPECT_EQ(child.exitCode, 0) << "DISPLAY '" << display << "'\n" << child.out;
    EXPECT_EQ(child.out, kBanner +
                             "Window system failed to initialize: no display could be opened\n"
                             "result 0, frames 0, exists 0\n")
        << "DISPLAY '" << display << "'";
    EXPECT_EQ(child.err, "") << "DISPLAY '" << display << "'";
  }
}

// Cases: the X server is ended by its process id between two frames of a
// game's loop, once with the library's window procedure and once with the
// game's own: the window ceases to exist within a few frames (the game's
// procedure is sent WM_DESTROY), nothing is written to standard error, the
// process is not ended, and OxSysExit returns.
TEST(SystemDisplayLoss, ServerEndedWhileTheGameLoops)
{
  for (bool gameProcedure : {false, true}) {
    oxtest::XvfbServer server("800x600x24");
    ASSERT_FALSE(server.display().empty());
    int serverPid = server.pid();
    std::string name = server.display();
    oxtest::ChildResult child = oxtest::RunInChild(
        [&] {
          setenv("DISPLAY", name.c_str(), 1);
          WNDPROC procedure = gameProcedure ? oxtest::RecordingWindowProcedure : nullptr;
          if (OxSysInit(nullptr, SW_SHOWNORMAL, 320, 240, 0, 0, 0, procedure) != 1) return 2;
          int frame = 0, lostAt = -1;
          while (OxSysDoesWindowExist() && frame < 20000) {
            OxSysFrameStart();
            OxSysFrameEnd();
            if (++frame == 20) {
              kill(serverPid, SIGKILL);
              WaitUntilEnded(serverPid);
              lostAt = frame;
            }
          }
          printf("[lost]\nexists %d, noticed %s, destroy sent %d\n", OxSysDoesWindowExist(),
                 lostAt > 0 && frame - lostAt < 1000 ? "soon" : "late",
                 oxtest::CountMessages(WM_DESTROY));
          // Frames and calls after the loss stay harmless.
          oxtest::RunFrame();
          OxSysSetWindowTitle("gone");
          OxSysExit();
          printf("exit returned\n");
          return 0;
        },
        60);
    EXPECT_EQ(child.exitCode, 0) << child.out << child.err;
    EXPECT_EQ(After(child.out, "[lost]"),
              std::string("[lost]\nexists 0, noticed soon, destroy sent ") +
                  (gameProcedure ? "1" : "0") + "\nexit returned\n");
    EXPECT_EQ(child.err, "");
  }
}

#endif

// Cases: a game that restarts (init, frames, exit, init with another size
// and its own procedure, frames) has one window on screen, of the new size,
// and the new procedure receives the messages; after the last exit no
// window is left.
TEST_F(SystemCareless, RestartLeavesOneWindow)
{
  oxtest::ChildResult child = oxtest::RunInChild([] {
    Display* display = oxtest::OpenTestDisplay();
    if (OxSysInit(nullptr, SW_SHOWNORMAL, 640, 480, 0, 0, 0, nullptr) != 1) return 2;
    for (int i = 0; i < 3; ++i) oxtest::RunFrame();
    OxSysExit();
    printf("[restart]\n");
    if (OxSysInit(nullptr, SW_SHOWNORMAL, 320, 200, 0, 0, 0, oxtest::RecordingWindowProcedure) != 1)
      return 3;
    for (int i = 0; i < 3; ++i) oxtest::RunFrame();
    oxtest::Geometry g =
        oxtest::WindowGeometry(display, oxtest::FindWindowByTitle(display, kTitle));
    printf("windows %d, size %d x %d, created %d\n", oxtest::CountWindowsByTitle(display, kTitle),
           g.width, g.height, oxtest::CountMessages(WM_CREATE));
    OxSysExit();
    printf("after exit: windows %d\n", oxtest::CountWindowsByTitle(display, kTitle));
    return 0;
  });
  EXPECT_EQ(child.exitCode, 0) << child.out;
  std::string out = After(child.out, "[restart]");
  EXPECT_NE(out.find("windows 1, size 320 x 200, created 1\nafter exit: windows 0\n"),
            std::string::npos)
      << out;
  EXPECT_EQ(child.err, "");
}

// Cases: a valid UTF-8 title is shown as it is; a title that is not UTF-8
// (Windows-1252 text, a sequence cut short, an overlong form, a surrogate)
// is read as Windows-1252, as the Windows build reads it, and shown
// converted, including the five bytes that code page leaves undefined;
// setting a 64 KB title that is not UTF-8 a hundred times leaves the heap
// where it was.
TEST_F(SystemCareless, TitlesUtf8AndWindows1252)
{
  oxtest::ChildResult child = oxtest::RunInChild([] {
    Display* display = oxtest::OpenTestDisplay();
    if (OxSysInit(nullptr, SW_SHOWNORMAL, 320, 200, 0, 0, 0, nullptr) != 1) return 2;
    oxtest::RunFrame();
    Window window = oxtest::FindWindowByTitle(display, kTitle);
    const char* titles[] = {"Spiel \xe2\x80\x93 gr\xc3\xbc\xc3\x9f \xe6\x97\xa5\xe6\x9c\xac",
                            "caf\xe9 \x80 \x93quoted\x94 \x81\x8d\x8f\x90\x9d end",
                            "cut \xc3", "overlong \xc0\xaf", "surrogate \xed\xa0\x80"};
    for (const char* title : titles) {
      OxSysSetWindowTitle(title);
      oxtest::RunFrame();
      printf("[%s]\n", oxtest::WindowTitle(display, window).c_str());
    }
    std::string large(65536, '\xe9');
    OxSysSetWindowTitle(large.c_str());
    size_t before = HeapInUse();
    for (int i = 0; i < 100; ++i) OxSysSetWindowTitle(large.c_str());
    long grown = static_cast<long>(HeapInUse()) - static_cast<long>(before);
    printf("heap grew %s\n", grown < 1024 * 1024 ? "little" : std::to_string(grown).c_str());
    OxSysExit();
    return 0;
  });
  EXPECT_EQ(child.exitCode, 0) << child.out;
  EXPECT_EQ(After(child.out, "[Spiel"),
            "[Spiel \xe2\x80\x93 gr\xc3\xbc\xc3\x9f \xe6\x97\xa5\xe6\x9c\xac]\n"
            "[caf\xc3\xa9 \xe2\x82\xac \xe2\x80\x9cquoted\xe2\x80\x9d "
            "\xc2\x81\xc2\x8d\xc2\x8f\xc2\x90\xc2\x9d end]\n"
            "[cut \xc3\x83]\n[overlong \xc3\x80\xc2\xaf]\n"
            "[surrogate \xc3\xad\xc2\xa0\xe2\x82\xac]\n"
            "heap grew little\n");
  EXPECT_EQ(child.err, "");
}

// Cases: a 17 MiB title (past the largest request an X server takes, which
// Wine's X11 driver would pass on too) leaves the process running with
// nothing on standard error, and the window goes on (frames run, a later
// title shows); the window system holds the title's start, cut before a
// character that does not fit whole.
TEST_F(SystemCareless, HugeTitle)
{
  std::string huge;
  while (huge.size() < 17u * 1024 * 1024) huge += "ab\xe6\x97\xa5";
  oxtest::ChildResult child = oxtest::RunInChild([&] {
    Display* display = oxtest::OpenTestDisplay();
#ifndef _WIN32
    // Xlib's own protocol-error handler, which prints the error and ends the
    // process, as a game has it: the test helpers' handler would hide it.
    XSetErrorHandler(nullptr);
#endif
    if (OxSysInit(nullptr, SW_SHOWNORMAL, 320, 200, 0, 0, 0, nullptr) != 1) return 2;
    oxtest::RunFrame();
    Window window = oxtest::FindWindowByTitle(display, kTitle);
    if (!window) return 3;
    OxSysSetWindowTitle(huge.c_str());
    for (int i = 0; i < 5; ++i) oxtest::RunFrame();
    std::string shown = oxtest::WindowTitle(display, window);
    bool whole = shown == huge;
    bool cut = !shown.empty() && shown.size() < huge.size() && huge.compare(0, shown.size(), shown) == 0 &&
               (static_cast<unsigned char>(huge[shown.size()]) & 0xC0) != 0x80;
    printf("[title] %s\n", whole ? "whole" : cut ? "cut at a character" : "wrong");
    OxSysSetWindowTitle("Afterwards");
    oxtest::RunFrame();
    printf("exists %d, next title %s\n", OxSysDoesWindowExist(),
           oxtest::FindWindowByTitle(display, "Afterwards") == window ? "shown" : "missing");
    OxSysExit();
    return 0;
  });
  EXPECT_EQ(child.exitCode, 0) << child.out;
  EXPECT_EQ(child.err, "");
  EXPECT_EQ(After(child.out, "[title]"), "[title] cut at a character\nexists 1, next title shown\n");
}

// Cases: frames, a pump, a title and OxSysExit before any OxSysInit; then a
// start with two exits after it: nothing is printed beyond the banner and
// graphics' line, nothing reaches standard error, the process goes on.
TEST_F(SystemCareless, ExitBeforeInitAndTwice)
{
  oxtest::ChildResult child = oxtest::RunInChild([] {
    oxtest::RunFrame();
    OxSysUpdate();
    OxSysSetWindowTitle("none");
    OxSysExit();
    printf("[start]\n");
    if (OxSysInit(nullptr, SW_SHOWNORMAL, 320, 200, 0, 0, 0, nullptr) != 1) return 2;
    oxtest::RunFrame();
    OxSysExit();
    OxSysExit();
    oxtest::RunFrame();
    printf("[end] exists %d\n", OxSysDoesWindowExist());
    return 0;
  });
  EXPECT_EQ(child.exitCode, 0) << child.out;
  EXPECT_EQ(child.out, "[start]\n" + kBanner + "Graphics: OpenGL\n[end] exists 0\n");
  EXPECT_EQ(child.err, "");
}

// Cases found by trying: full screen with a 0 x 0 game window (its scale
// factors were infinite and the viewport an OpenGL error that ended the
// process) runs frames with factors of 1; OxGfxInit called again while
// graphics runs prints its line and changes nothing.
TEST_F(SystemCareless, ZeroSizeFullScreenAndSecondGraphicsStart)
{
  oxtest::ChildResult child = oxtest::RunInChild([] {
    if (OxSysInit(nullptr, SW_SHOWNORMAL, 0, 0, 0, 0, 0, nullptr) != 1) return 2;
    OxSysSetFullScreen(1);
    for (int i = 0; i < 3; ++i) {
      OxSysFrameStart();
      OxGfxSetRenderMode(OxGfxRenderModeColor);
      OxSysFrameEnd();
    }
    printf("[again]\n");
    printf("result %d\n", OxGfxInit(0, 0));
    for (int i = 0; i < 3; ++i) {
      OxSysFrameStart();
      OxGfxSetRenderMode(OxGfxRenderModeColor);
      OxGfxSetColorToMultiply(1, 1, 1, 1);
      OxSysFrameEnd();
    }
    OxSysExit();
    printf("[end]\n");
    return 0;
  });
  EXPECT_EQ(child.exitCode, 0) << child.out;
  EXPECT_EQ(After(child.out, "[again]"),
            "[again]\nGraphics already running: OxGfxInit changes nothing before OxGfxExit\n"
            "result 1\n[end]\n");
  EXPECT_EQ(child.err, "");
}
