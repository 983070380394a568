// The last error and the diagnostic mode ("Diagnostics: " lines, once a second).
// Desktop-only program: each run starts the engine in a child process with its own environment
// and standard output, which a page's one process does not have. Real window, files and mixer.
#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "OxEngineSupport.h"
#include "OxImageSupport.h"
#include "OxTestSupport.h"
#include "Oxlen.h"

#ifdef _WIN32
#define setenv(name, value, overwrite) _putenv_s(name, value)
#endif

namespace {

const char kFont[] = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
OxGfxVertexList* gQuad = nullptr;  // made in the child once the library runs

void Draw() { OxGfxMeshDraw(gQuad, OxGfxMeshDrawModeTriangles); }
void WaitASecond() { std::this_thread::sleep_for(std::chrono::milliseconds(1100)); }

struct Case {
  int phase;  // 0 before OxSysInit, 1 in a frame with no render mode, 2 after OxSysExit
  std::function<void()> act;  // called twice
  std::string diagnostic;     // its line with the mode on
  bool kept;                  // that line (or, with none, the own message) is the last error
  std::string own = "";       // the engine's own message, printed per call
  bool secondApart = false;   // the calls are a second apart, so the line prints each time
};

}  // namespace

TEST(Diagnostics, EachCausePrintsOnceASecondWhenOnAndFailuresKeepTheLastError)
{
  std::string dir = oxtest::TempDir(), textPng = dir + "/text.png", textOgg = dir + "/text.ogg";
  oxtest::WriteBytes(textPng, "text\n");
  oxtest::WriteBytes(textOgg, "text\n");
  const std::string fontOwn = std::string("Error: Could not load font ") + kFont + "\n";
  const std::string noMode = " with no render mode set: ",
                    invisible = "OxGfxMeshDraw in texture mode with ";
  const std::string noFile = "': no such file (or not a readable regular file)";
  const std::vector<Case> cases = {
      {0, [] { OxGfxCreateFont(kFont, 12); }, "OxGfxCreateFont called before OxSysInit", true,
       fontOwn},
      {1, [] { OxGfxTextureLoad("/no/such.png"); }, "texture '/no/such.png" + noFile, true},
      {1, [&] { OxGfxTextureLoad(textPng.c_str()); },
       "texture '" + textPng + "': not an image file", true},
      {1, [] { OxAudioLoadSound("/no/such.wav"), OxAudioCreateGroup(); },  // then a success
       "sound '/no/such.wav" + noFile, true},
      {1, [&] { OxAudioLoadMusic(textOgg.c_str()); },
       "music '" + textOgg + "': not a sound file (unknown format, empty or damaged)", true},
      {1, [] { OxGfxCreateFont("/no/such/font.ttf", 12); }, "font '/no/such/font.ttf" + noFile,
       true, "Error: Could not load font /no/such/font.ttf\n"},
      {1, [] { OxGfxCreateFont(kFont, 0); },
       std::string("font '") + kFont + "': size 0 is not positive", true, fontOwn},
      {1, [] { OxInputReplayStart("/no/such.rec"); }, "", true,
       "Input: cannot open the recording /no/such.rec\n"},
      {1, Draw, "OxGfxMeshDraw" + noMode + "nothing is drawn (call OxGfxSetRenderMode each frame)",
       false},
      {1, [] { OxGfxSetTransparency(1), WaitASecond(); },
       "OxGfxSetTransparency" + noMode + "ignored (call OxGfxSetRenderMode first)", false, "",
       true},
      {1, [] { OxGfxSetRenderMode(OxGfxRenderModeTexture), Draw(); },
       invisible + "transparency and multiply colour alpha 0: nothing is visible", false},
      {1, [] { OxGfxSetTransparency(1), Draw(); },
       invisible + "multiply colour alpha 0: nothing is visible", false},
      {1, [] { OxGfxSetColorToMultiply(1, 1, 1, 1), OxGfxSetTransparency(0), Draw(); },
       invisible + "transparency 0: nothing is visible", false},
      {2, [] { OxGfxTextureLoad("a.png"); }, "OxGfxTextureLoad called after OxSysExit", true},
  };
  for (int on : {1, 0}) {
    oxtest::ChildResult child = oxtest::RunInChild([&] {
      auto run = [&](int phase) {
        for (size_t i = 0; i < cases.size(); ++i) {
          if (cases[i].phase != phase) continue;
          printf("[%d]\n", static_cast<int>(i));
          cases[i].act();
          cases[i].act();
          printf("= %s\n", OxSysGetLastError());
          OxSysClearLastError();
        }
      };
      int atLoad = OxSysSetDiagnostics(on);
      printf("%d %d = %s\n", atLoad, OxSysSetDiagnostics(on), OxSysGetLastError());
      run(0);
      if (on) {  // off, then on again at OxSysInit
        OxSysSetDiagnostics(0);
        setenv("OX_DIAGNOSTICS", "1", 1);
      }
      if (OxSysInit(nullptr, SW_SHOW, 320, 240, 0, 0, 0, nullptr) != 1) return 2;
      OxGfxMeshStart();
      OxGfxTriAdd(-50, -50, ~0u, 0, 1, 50, -50, ~0u, 1, 1, 50, 50, ~0u, 1, 0);
      gQuad = OxGfxMeshEnd();
      oxtest::RunFrame();
      OxSysFrameStart();
      printf("[started]\n");
      run(1);
      OxSysFrameEnd();
      OxGfxMeshFree(gQuad);
      OxSysExit();
      run(2);
      return 0;
    });
    std::string expected = "0 " + std::to_string(on) + " = \n";
    for (size_t i = 0; i < cases.size(); ++i) {
      const Case& c = cases[i];
      std::string line = c.diagnostic.empty() ? "" : "Diagnostics: " + c.diagnostic + "\n";
      std::string kept = !c.kept ? "\n" : line.empty() ? c.own : c.diagnostic + "\n";
      expected += "[" + std::to_string(i) + "]\n" + c.own + (on ? line : "") + c.own +
                  (on && c.secondApart ? line : "") + "= " + kept;
    }
    size_t banner = child.out.find("Oxlen Engine version"), started = child.out.find("[started]\n");
    ASSERT_LT(banner, started) << child.out;  // the start's own lines, not compared
    child.out.erase(banner, started + 10 - banner);
    EXPECT_EQ(child.exitCode, 0);
    EXPECT_EQ(child.out + child.err, expected) << (on ? "on" : "off");  // nothing on stderr
  }
}
