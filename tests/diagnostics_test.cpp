// The last error and the diagnostic mode: every silent failure and trap
// prints one "Diagnostics: " line naming its cause once a second with the
// mode on and nothing with it off, the engine's own messages unchanged; the
// last error names the file and the reason. Real window, files and mixer.
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

// One silent failure or trap: what the game does (twice in a row), the line
// it causes with the mode on, and what the engine prints of its own each time.
struct Case {
  const char* name;
  std::function<void()> act;
  std::string diagnostic;
  std::string ownMessage;
};

int StartLibrary() { return OxSysInit(nullptr, SW_SHOW, 320, 240, 0, 0, 0, nullptr); }

OxGfxVertexList* Quad()
{
  OxGfxMeshStart();
  OxGfxTriAdd(-50, -50, 0xFFFFFFFF, 0, 1, 50, -50, 0xFFFFFFFF, 1, 1, 50, 50, 0xFFFFFFFF, 1, 0);
  return OxGfxMeshEnd();
}

// The cases in the order a child runs them: before OxSysInit, while the
// library runs (in a frame whose render mode is not yet set), after OxSysExit.
// Paths are under folder.
struct Table {
  std::vector<Case> before, running, after;
};

Table MakeTable(const std::string& folder, OxGfxVertexList** quad)
{
  std::string missingPng = folder + "/missing.png", textPng = folder + "/text.png";
  std::string missingWav = folder + "/missing.wav", textOgg = folder + "/text.ogg";
  std::string fontLine = std::string("Error: Could not load font ") + kFont + "\n";
  auto draw = [quad] { OxGfxMeshDraw(*quad, OxGfxMeshDrawModeTriangles); };
  Table table;
  table.before = {
      {"texture early", [] { OxGfxTextureLoad("a.png"); },
       "OxGfxTextureLoad called before OxSysInit", ""},
      {"font early", [] { OxGfxCreateFont(kFont, 12); }, "OxGfxCreateFont called before OxSysInit",
       fontLine},
      {"render mode early", [] { OxGfxSetRenderMode(OxGfxRenderModeColor); },
       "OxGfxSetRenderMode called before OxSysInit", ""},
  };
  table.running = {
      {"missing texture", [=] { OxGfxTextureLoad(missingPng.c_str()); },
       "texture '" + missingPng + "': no such file (or not a readable regular file)", ""},
      {"not an image", [=] { OxGfxTextureLoad(textPng.c_str()); },
       "texture '" + textPng + "': not an image file", ""},
      {"missing sound", [=] { OxAudioLoadSound(missingWav.c_str()); },
       "sound '" + missingWav + "': no such file (or not a readable regular file)", ""},
      {"music not a sound", [=] { OxAudioLoadMusic(textOgg.c_str()); },
       "music '" + textOgg + "': not a sound file (unknown format, empty or damaged)", ""},
      {"draw without mode", draw,
       "OxGfxMeshDraw with no render mode set: nothing is drawn (call OxGfxSetRenderMode each "
       "frame)",
       ""},
      {"fresh texture program",
       [=] {
         OxGfxSetRenderMode(OxGfxRenderModeTexture);
         draw();
       },
       "OxGfxMeshDraw in texture mode with transparency and multiply colour alpha 0: nothing is "
       "visible",
       ""},
      {"multiply alpha zero",
       [=] {
         OxGfxSetTransparency(1);
         draw();
       },
       "OxGfxMeshDraw in texture mode with multiply colour alpha 0: nothing is visible", ""},
      {"transparency zero",
       [=] {
         OxGfxSetColorToMultiply(1, 1, 1, 1);
         OxGfxSetTransparency(0);
         draw();
       },
       "OxGfxMeshDraw in texture mode with transparency 0: nothing is visible", ""},
  };
  table.after = {
      {"texture late", [] { OxGfxTextureLoad("a.png"); }, "OxGfxTextureLoad called after OxSysExit",
       ""},
  };
  return table;
}

// Runs the table in a child with the mode on or off; each case's output
// follows a "[name]" line.
oxtest::ChildResult RunTable(const std::string& folder, bool on)
{
  return oxtest::RunInChild([folder, on] {
    OxGfxVertexList* quad = nullptr;
    Table table = MakeTable(folder, &quad);
    auto run = [](const std::vector<Case>& cases) {
      for (const Case& c : cases) {
        printf("[%s]\n", c.name);
        c.act();
        c.act();
      }
      printf("[end]\n");
    };
    OxSysSetDiagnostics(on ? 1 : 0);
    run(table.before);
    if (StartLibrary() != 1) return 2;
    quad = Quad();
    oxtest::RunFrame();
    OxSysFrameStart();
    run(table.running);
    OxSysFrameEnd();
    OxGfxMeshFree(quad);
    OxSysExit();
    run(table.after);
    return 0;
  });
}

// The output after "[name]\n" up to the next line that starts with '['.
std::string CaseOutput(const std::string& out, const char* name)
{
  std::string marker = std::string("[") + name + "]\n";
  size_t at = out.find(marker);
  if (at == std::string::npos) return "missing " + marker;
  at += marker.size();
  size_t end = out.find("\n[", at - 1);
  return out.substr(at, end == std::string::npos ? std::string::npos : end + 1 - at);
}

}  // namespace

// Cases: the table above with the mode on prints each cause's line once for
// two calls in a row, between the engine's own messages; with it off only
// the engine's own messages appear.
TEST(Diagnostics, EachCausePrintsOnceWhenOnAndNothingWhenOff)
{
  std::string folder = oxtest::TempDir();
  oxtest::WriteBytes(folder + "/text.png", "not an image\n");
  oxtest::WriteBytes(folder + "/text.ogg", "not a sound\n");
  Table table = MakeTable(folder, nullptr);
  for (bool on : {true, false}) {
    oxtest::ChildResult child = RunTable(folder, on);
    ASSERT_EQ(child.exitCode, 0) << child.out;
    EXPECT_EQ(child.err, "");
    for (const auto* cases : {&table.before, &table.running, &table.after}) {
      for (const Case& c : *cases) {
        std::string expected = c.ownMessage;
        if (on) expected += "Diagnostics: " + c.diagnostic + "\n";
        expected += c.ownMessage;
        EXPECT_EQ(CaseOutput(child.out, c.name), expected) << c.name << (on ? " on" : " off");
      }
    }
    if (!on) {
      EXPECT_EQ(oxtest::Count(child.out, "Diagnostics"), 0u) << child.out;
    }
  }
}

// Cases (mode off, so nothing new is printed): empty at start; a failed
// texture, sound and font load each leave the file and the reason; a failure
// that prints its own message leaves that message; a success does not clear
// it; OxSysClearLastError does.
TEST(Diagnostics, LastErrorNamesTheFileAndTheReason)
{
  std::string folder = oxtest::TempDir();
  oxtest::WriteBytes(folder + "/text.wav", "not a sound\n");
  oxtest::ChildResult child = oxtest::RunInChild([folder] {
    std::string missing = folder + "/missing.png", text = folder + "/text.wav";
    const std::vector<std::pair<std::function<void()>, std::string>> cases = {
        {[] {}, ""},
        {[&] { OxGfxTextureLoad(missing.c_str()); },
         "texture '" + missing + "': no such file (or not a readable regular file)"},
        {[&] { OxAudioLoadSound(text.c_str()); },
         "sound '" + text + "': not a sound file (unknown format, empty or damaged)"},
        {[] { OxGfxCreateFont("/no/such/font.ttf", 12); },
         "font '/no/such/font.ttf': no such file (or not a readable regular file)"},
        {[] { OxGfxCreateFont(kFont, 0); },
         std::string("font '") + kFont + "': size 0 is not positive"},
        {[] { OxInputReplayStart("/no/such.rec"); },
         "Input: cannot open the recording /no/such.rec"},
        {[] { OxGfxCreateFont(kFont, 12); }, "Input: cannot open the recording /no/such.rec"},
        {[] { OxSysClearLastError(); }, ""},
    };
    if (StartLibrary() != 1) return 2;
    int failures = 0;
    for (size_t i = 0; i < cases.size(); ++i) {
      cases[i].first();
      if (OxSysGetLastError() != cases[i].second) {
        failures |= 1 << i;
        printf("case %zu: [%s]\n", i, OxSysGetLastError());
      }
    }
    OxSysExit();
    return failures;
  });
  EXPECT_EQ(child.exitCode, 0) << child.out;
  EXPECT_EQ(oxtest::Count(child.out, "Diagnostics"), 0u) << child.out;
}

// Cases: OX_DIAGNOSTICS=1 switches the mode on at OxSysInit (a colour set
// with no render mode prints its line), OxSysSetDiagnostics returns the
// previous setting, and after it is switched off the same call prints nothing
// even a second later; switched on again after a second, the line is back.
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
    printf("[on]\n");
    OxGfxSetTransparency(1);
    int wasOn = OxSysSetDiagnostics(0);
    usleep(1100000);
    printf("[off]\n");
    OxGfxSetTransparency(1);
    int wasOff = OxSysSetDiagnostics(1);
    printf("[again]\n");
    OxGfxSetTransparency(1);
    OxSysFrameEnd();
    OxSysExit();
    printf("[end] %d %d\n", wasOn, wasOff);
    return 0;
  });
  const std::string line =
      "Diagnostics: OxGfxSetTransparency with no render mode set: ignored (call "
      "OxGfxSetRenderMode first)\n";
  EXPECT_EQ(child.exitCode, 0) << child.out;
  size_t at = child.out.find("[on]");
  ASSERT_NE(at, std::string::npos) << child.out;
  EXPECT_EQ(child.out.substr(at), "[on]\n" + line + "[off]\n[again]\n" + line + "[end] 1 0\n");
}
