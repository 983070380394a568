// The last error and the diagnostic mode ("Diagnostics: " lines, once a
// second). Real window, files and mixer.
// Desktop-only program: each case starts the engine in a child process with
// its own environment and standard output (and the X11 frame helpers of
// tests/support), which a page's one process does not have.
#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "OxEngineSupport.h"
#include "OxImageSupport.h"
#include "OxTestSupport.h"
#include "Oxlen.h"

namespace {

const char kFont[] = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
OxGfxVertexList* gQuad = nullptr;  // made in the child once the library runs

int StartLibrary() { return OxSysInit(nullptr, SW_SHOW, 320, 240, 0, 0, 0, nullptr); }

void Draw() { OxGfxMeshDraw(gQuad, OxGfxMeshDrawModeTriangles); }

// A failure or trap called twice in its phase (0 before OxSysInit, 1 in a
// frame with no render mode yet, 2 after OxSysExit): the line it prints with
// the mode on, whether that line (or, with none, its own message) is kept as
// the last error, and the engine's own message per call.
struct Case {
  int phase;
  const char* name;
  std::function<void()> act;
  std::string diagnostic;
  bool kept;
  std::string ownMessage = "";
};

}  // namespace

// The child prints the last error at the start and after each case, then
// clears it; with the mode off only the engine's own messages appear.
TEST(Diagnostics, EachCausePrintsOnceWhenOnAndFailuresKeepTheLastError)
{
  std::string dir = oxtest::TempDir(), textPng = dir + "/text.png", textOgg = dir + "/text.ogg";
  oxtest::WriteBytes(textPng, "text\n"), oxtest::WriteBytes(textOgg, "text\n");
  const std::string noFile = "': no such file (or not a readable regular file)";
  const std::string fontLine = std::string("Error: Could not load font ") + kFont + "\n";
  const std::string invisible = "OxGfxMeshDraw in texture mode with ";
  const std::vector<Case> cases = {
      {0, "font early", [] { OxGfxCreateFont(kFont, 12); },
       "OxGfxCreateFont called before OxSysInit", true, fontLine},
      {0, "render mode early", [] { OxGfxSetRenderMode(OxGfxRenderModeColor); },
       "OxGfxSetRenderMode called before OxSysInit", false},
      {1, "missing texture", [] { OxGfxTextureLoad("/no/such.png"); },
       "texture '/no/such.png" + noFile, true},
      {1, "not an image", [&] { OxGfxTextureLoad(textPng.c_str()); },
       "texture '" + textPng + "': not an image file", true},
      {1, "missing sound, then a success",
       [] { OxAudioLoadSound("/no/such.wav"), OxAudioCreateGroup(); },
       "sound '/no/such.wav" + noFile, true},
      {1, "music not a sound", [&] { OxAudioLoadMusic(textOgg.c_str()); },
       "music '" + textOgg + "': not a sound file (unknown format, empty or damaged)", true},
      {1, "missing font", [] { OxGfxCreateFont("/no/such/font.ttf", 12); },
       "font '/no/such/font.ttf" + noFile, true, "Error: Could not load font /no/such/font.ttf\n"},
      {1, "font size 0", [] { OxGfxCreateFont(kFont, 0); },
       std::string("font '") + kFont + "': size 0 is not positive", true, fontLine},
      {1, "replay failure", [] { OxInputReplayStart("/no/such.rec"); }, "", true,
       "Input: cannot open the recording /no/such.rec\n"},
      {1, "draw without mode", Draw,
       "OxGfxMeshDraw with no render mode set: nothing is drawn (call OxGfxSetRenderMode each "
       "frame)",
       false},
      {1, "fresh texture program", [] { OxGfxSetRenderMode(OxGfxRenderModeTexture), Draw(); },
       invisible + "transparency and multiply colour alpha 0: nothing is visible", false},
      {1, "multiply alpha zero", [] { OxGfxSetTransparency(1), Draw(); },
       invisible + "multiply colour alpha 0: nothing is visible", false},
      {1, "transparency zero",
       [] { OxGfxSetColorToMultiply(1, 1, 1, 1), OxGfxSetTransparency(0), Draw(); },
       invisible + "transparency 0: nothing is visible", false},
      {2, "texture late", [] { OxGfxTextureLoad("a.png"); },
       "OxGfxTextureLoad called after OxSysExit", true},
  };
  for (int on : {1, 0}) {
    oxtest::ChildResult child = oxtest::RunInChild([&] {
      OxSysSetDiagnostics(on);
      printf("= %s\n", OxSysGetLastError());
      int phase = 0;
      for (const Case& c : cases) {
        if (phase == 0 && c.phase == 1) {
          if (StartLibrary() != 1) return 2;
          OxGfxMeshStart();
          OxGfxTriAdd(-50, -50, ~0u, 0, 1, 50, -50, ~0u, 1, 1, 50, 50, ~0u, 1, 0);
          gQuad = OxGfxMeshEnd();
          oxtest::RunFrame();
          OxSysFrameStart();
          printf("[started]\n");
        } else if (phase == 1 && c.phase == 2) {
          OxSysFrameEnd(), OxGfxMeshFree(gQuad), OxSysExit();
        }
        phase = c.phase;
        printf("[%s]\n", c.name);
        c.act(), c.act();
        printf("= %s\n", OxSysGetLastError());
        OxSysClearLastError();
      }
      return 0;
    });
    std::string expected = "= \n";
    for (const Case& c : cases) {
      std::string line = c.diagnostic.empty() ? "" : "Diagnostics: " + c.diagnostic + "\n";
      std::string kept = !c.kept ? "\n" : line.empty() ? c.ownMessage : c.diagnostic + "\n";
      expected += std::string("[") + c.name + "]\n" + c.ownMessage + (on ? line : "") +
                  c.ownMessage + "= " + kept;
    }
    size_t banner = child.out.find("Oxlen Engine version"), started = child.out.find("[started]\n");
    ASSERT_LT(banner, started) << child.out;  // the start's own lines, not compared
    child.out.erase(banner, started + 10 - banner);
    EXPECT_EQ(child.exitCode, 0);
    EXPECT_EQ(child.out, expected) << (on ? "on" : "off");
    EXPECT_EQ(child.err, "");
  }
}

// OX_DIAGNOSTICS=1 switches the mode on at OxSysInit; OxSysSetDiagnostics
// returns the previous setting; switched off, a colour set with no render mode
// prints nothing even a second later; switched on again, its line is back.
TEST(Diagnostics, EnvironmentSwitchAndOncePerSecond)
{
  oxtest::ChildResult child = oxtest::RunInChild([] {
#ifdef _WIN32
    _putenv("OX_DIAGNOSTICS=1");
#else
    setenv("OX_DIAGNOSTICS", "1", 1);
#endif
    if (StartLibrary() != 1) return 2;
    oxtest::RunFrame();
    OxSysFrameStart();
    printf("[on]\n"), OxGfxSetTransparency(1);
    int wasOn = OxSysSetDiagnostics(0);
    usleep(1100000);
    printf("[off]\n"), OxGfxSetTransparency(1);
    int wasOff = OxSysSetDiagnostics(1);
    printf("[again] %d %d\n", wasOn, wasOff), OxGfxSetTransparency(1);
    OxSysFrameEnd(), OxSysExit();
    return 0;
  });
  const std::string line =
      "Diagnostics: OxGfxSetTransparency with no render mode set: ignored (call "
      "OxGfxSetRenderMode first)\n";
  EXPECT_EQ(child.exitCode, 0) << child.out;
  size_t at = child.out.find("[on]");
  ASSERT_NE(at, std::string::npos) << child.out;
  EXPECT_EQ(child.out.substr(at), "[on]\n" + line + "[off]\n[again] 1 0\n" + line);
}
