// Games written as for the Windows build, built against the engine's headers
// only: the wizard-style wWinMain game, the classic WinMain game in C and a
// game with its own window procedure run as programs through the entry-point
// library; the entry point chosen when a game defines both or neither; the
// wide command line's decoding; the world setters fed matrix arrays, seen
// through pixels.
// Desktop-only program: it runs the games as processes; scripts/test-web.sh runs
// a wWinMain game in a page.
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <fstream>
#include <string>
#include <thread>
#include <vector>

#ifndef _WIN32
#include "OxEntryCommandLine.h"
#endif
#include "OxPixelSupport.h"
#include "OxTestSupport.h"
#include "OxX11Support.h"
#include "Oxlen.h"

namespace {

const std::string kGames = OX_TEST_BINARY_DIR;
const char kBanner[] = "Oxlen Engine version: 3.10\n\n";

#ifndef _WIN32
std::wstring Widen(const std::string& text)
{
  wchar_t* wide = OxEntryWidenUtf8(text.c_str());
  std::wstring result = wide ? wide : L"(out of memory)";
  free(wide);
  return result;
}

// Compiles and links one source with the entry-point library alone; the
// compiler's output and whether it succeeded.
bool LinkWithEntryLibrary(const std::string& folder, const std::string& name,
                          const std::string& source, std::string* output)
{
  std::string path = folder + "/" + name + ".cpp";
  std::ofstream(path) << source;
  *output = oxtest::RunCommand("'" OX_CXX_COMPILER "' " OX_ENTRY_TEST_FLAGS " -std=c++17 -Wall -Wextra -I '" OX_SOURCE_DIR
                               "/include' '" + path + "' '" OX_ENTRY_LIBRARY "' -o '" + folder +
                               "/" + name + "' 2>&1 && echo linked");
  return output->size() >= 7 && output->substr(output->size() - 7) == "linked\n";
}
#endif

}  // namespace

#ifndef _WIN32
// Linux only: on Windows the system hands wWinMain its own UTF-16 command
// line, and this decoder is not part of that build's entry-point library.
// Cases: ASCII and two-, three- and four-byte sequences up to U+10FFFF;
// overlong forms, UTF-16 surrogates, values above U+10FFFF and bytes that
// never occur are each one U+FFFD per maximal invalid part; a stray
// continuation byte is one; a sequence cut short by ASCII or by the end is
// one, and the byte that cut it is kept; the empty text.
TEST(WindowsStyleEntry, WideCommandLineIsDecodedFromUtf8)
{
  EXPECT_EQ(Widen("5 frames"), L"5 frames");
  EXPECT_EQ(Widen("\xC3\xA9 \xE2\x82\xAC \xF0\x9D\x84\x9E \xF4\x8F\xBF\xBF \xEF\xBF\xBF"),
            std::wstring({0xE9, ' ', 0x20AC, ' ', 0x1D11E, ' ', 0x10FFFF, ' ', 0xFFFF}));
  // Overlong: C0 80, E0 80 80 and F0 80 80 80 (the NUL, encoded long).
  EXPECT_EQ(Widen("\xC0\x80|\xE0\x80\x80|\xF0\x80\x80\x80"),
            std::wstring({0xFFFD, 0xFFFD, '|', 0xFFFD, 0xFFFD, 0xFFFD, '|', 0xFFFD, 0xFFFD, 0xFFFD,
                          0xFFFD}));
  // A surrogate, U+110000 and the bytes F5 and FF.
  EXPECT_EQ(Widen("\xED\xA0\x80|\xF4\x90\x80\x80|\xF5|\xFF"),
            std::wstring({0xFFFD, 0xFFFD, 0xFFFD, '|', 0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD, '|', 0xFFFD,
                          '|', 0xFFFD}));
  EXPECT_EQ(Widen("a\x80z"), std::wstring({'a', 0xFFFD, 'z'}));
  EXPECT_EQ(Widen("\xE2\x82z\xF0\x9D\x84"), std::wstring({0xFFFD, 'z', 0xFFFD}));
  EXPECT_EQ(Widen(""), L"");
}

// Linux only: it runs the compiler and linker while the test runs, which the
// Windows build's tests (under Wine, the cross compiler outside) cannot.
// Cases: with both entry points the game's wWinMain runs, given the wide
// command line, a null instance and SW_SHOWNORMAL, and its result is the
// exit status; with neither, linking fails and names wWinMain.
TEST(WindowsStyleEntry, BothEntryPointsRunWideAndNeitherLinks)
{
  std::string folder = oxtest::TempDir();
  std::string output;
  ASSERT_TRUE(LinkWithEntryLibrary(folder, "both", R"(
#include "OxPlatform.h"
#include <cstdio>
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { std::printf("narrow\n"); return 1; }
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR line, int show)
{
  std::printf("wide [%ls] %d %d %d\n", line, instance == nullptr, previous == nullptr,
              show == SW_SHOWNORMAL);
  return 42;
}
)", &output)) << output;
  oxtest::ChildResult both = oxtest::RunProgram(folder + "/both", {"-x", "two words"});
  EXPECT_EQ(both.exitCode, 42);
  EXPECT_EQ(both.out, "wide [-x two words] 1 1 1\n");

  EXPECT_FALSE(LinkWithEntryLibrary(folder, "neither", R"(
#include "OxPlatform.h"
int unrelated() { return SW_SHOWNORMAL; }
)", &output));
  EXPECT_NE(output.find("undefined reference to `wWinMain'"), std::string::npos) << output;
  oxtest::RunCommand("rm -rf '" + folder + "'");
}
#endif

// Cases: the wizard-style game (C++, wWinMain, source annotations, matrices
// passed as world.m and Matrix4::m) runs the frames its wide command line
// asks for; the command line arrives as UTF-32 with a byte that is not UTF-8
// replaced; the banner comes first and nothing reaches standard error.
TEST(WindowsStyleGames, WizardGameRunsWithTheWideCommandLine)
{
  oxtest::UsePrivateDisplay();
  oxtest::ChildResult run = oxtest::RunProgram(kGames + "/wizard_game", {"5", "\xC3\xA9\xE2\x82\xAC", "\xFF"});
  EXPECT_EQ(run.exitCode, 0) << run.out;
  EXPECT_EQ(run.out.rfind("Wizard game command line: U+0035 U+0020 U+00E9 U+20AC U+0020 U+FFFD\n", 0),
            0u)
      << run.out;
  EXPECT_NE(run.out.find(kBanner), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("Wizard game frames: 5\n"), std::string::npos) << run.out;
  EXPECT_EQ(run.err, "");
}

// Cases: the classic C game (WinMain, a float[4][4] for the 3D setter) gets
// the arguments joined by single spaces and runs its frames.
TEST(WindowsStyleGames, ClassicCGameRuns)
{
  oxtest::UsePrivateDisplay();
  oxtest::ChildResult run = oxtest::RunProgram(kGames + "/classic_game", {"4", "two", "words"});
  EXPECT_EQ(run.exitCode, 0) << run.out;
  EXPECT_EQ(run.out.rfind(std::string("Classic game command line: [4 two words]\n") + kBanner, 0), 0u)
      << run.out;
  EXPECT_NE(run.out.find("Classic game frames: 4\n"), std::string::npos) << run.out;
  EXPECT_EQ(run.err, "");
}

#ifndef OX_TEST_NULL_BACKEND
// Not on the null backend: the game runs in a process of its own, whose
// windows only that process sees.
// Cases: a game with its own window procedure is sent WM_CREATE once while
// the window is made; a pointer moved over the window reaches it as
// WM_MOUSEMOVE with client coordinates read by GET_X_LPARAM and
// GET_Y_LPARAM; the window manager's close request reaches it as WM_CLOSE,
// and DefWindowProcA then destroys the window, sending WM_DESTROY, on which
// the game leaves its loop before running out of frames.
TEST(WindowsStyleGames, GameWithItsOwnWindowProcedureClosesOnRequest)
{
  oxtest::UsePrivateDisplay();
  oxtest::ChildResult run{"", "", -1, 0};
  std::thread game([&]() { run = oxtest::RunProgram(kGames + "/procedure_game", {"100000"}); });
  Display* display = oxtest::OpenTestDisplay();
  ASSERT_NE(display, nullptr);
  Window window = oxtest::FindWindowByTitle(display, "Procedure game", 20000);
  EXPECT_NE(window, 0u);
  if (window) {
    oxtest::Geometry geometry = oxtest::WindowGeometry(display, window);
    oxtest::MovePointer(display, geometry.x + 17, geometry.y + 23);
    oxtest::RequestClose(display, window);
  }
  game.join();
  XCloseDisplay(display);
  EXPECT_EQ(run.exitCode, 0) << run.out;
  EXPECT_NE(run.out.find("Procedure game: mouse (17, 23)\nProcedure game: WM_CLOSE\n"
                         "Procedure game: WM_DESTROY\n"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("Procedure game: created 1, closes 1, destroys 1, frames left\n"),
            std::string::npos)
      << run.out;
  EXPECT_EQ(run.err, "");
}
#endif

// Cases: OxGfxSetTransform takes world.m of a mutable and of a const OxMtx33
// and places the mesh as &world does; OxGfxSetTransform3D takes a plain
// float[4][4] and a Matrix4's m as it takes the Matrix4.
TEST(WindowsStyleGames, WorldSettersTakeMatrixArrays)
{
  oxtest::UsePrivateDisplay();
  const int width = 200, height = 200;
  ASSERT_EQ(OxSysInit(nullptr, SW_SHOWNORMAL, width, height, 0, 0, 0, nullptr), 1);
  OxGfxMeshStart();
  OxGfxTriAdd(-5, -5, 0xFFFF0000, 0, 0, 5, -5, 0xFFFF0000, 0, 0, 5, 5, 0xFFFF0000, 0, 0);
  OxGfxTriAdd(-5, -5, 0xFFFF0000, 0, 0, 5, 5, 0xFFFF0000, 0, 0, -5, 5, 0xFFFF0000, 0, 0);
  OxGfxVertexList* square = OxGfxMeshEnd();
  OxSysFrameStart();
  OxGfxSetRenderMode(OxGfxRenderModeColor);

  OxMtx33 world;
  OxMtx33Trans(&world, 50, -20);
  OxGfxSetTransform(world.m);
  OxGfxMeshDraw(square, OxGfxMeshDrawModeTriangles);
  const OxMtx33 fixed = {{{1, 0, -60}, {0, 1, 30}, {0, 0, 1}}};
  OxGfxSetTransform(fixed.m);
  OxGfxMeshDraw(square, OxGfxMeshDrawModeTriangles);
  float lifted[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 70}, {0, 0, 1, 0}, {0, 0, 0, 1}};
  OxGfxSetTransform3D(lifted);
  OxGfxMeshDraw(square, OxGfxMeshDrawModeTriangles);
  const Matrix4 lowered(1, 0, 0, 0, 0, 1, 0, -70, 0, 0, 1, 0, 0, 0, 0, 1);
  OxGfxSetTransform3D(lowered.m);
  OxGfxMeshDraw(square, OxGfxMeshDrawModeTriangles);

  const int cx = width / 2, cy = height / 2;
  EXPECT_TRUE(oxtest::IsColour(oxtest::ReadPixel(cx + 50, cy - 20), 255, 0, 0)) << oxtest::ReadPixel(cx + 50, cy - 20);
  EXPECT_TRUE(oxtest::IsColour(oxtest::ReadPixel(cx - 60, cy + 30), 255, 0, 0));
  EXPECT_TRUE(oxtest::IsColour(oxtest::ReadPixel(cx, cy + 70), 255, 0, 0));
  EXPECT_TRUE(oxtest::IsColour(oxtest::ReadPixel(cx, cy - 70), 255, 0, 0));
  EXPECT_TRUE(oxtest::IsColour(oxtest::ReadPixel(cx, cy), 255, 255, 255));
  OxSysFrameEnd();
  OxGfxMeshFree(square);
  OxSysExit();
}
