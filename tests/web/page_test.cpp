// The engine in a browser page: the canvas as the game's window with its
// pixels read back, keys, clicks and focus sent through the browser by the
// runner, sound through Web Audio with the mixer's device polled from the
// frame loop, and the page's file system under the file layer's rules.
#include <gtest/gtest.h>

#include <emscripten.h>
#include <stdio.h>
#include <sys/stat.h>

#include <string>

#include "OxImageSupport.h"
#include "OxPixelSupport.h"
#include "OxTestSound.h"
#include "OxTestSupport.h"
#include "Oxlen.h"
#include "web/OxWebHost.h"

namespace {

class PageTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(OxSysInit(nullptr, SW_SHOWNORMAL, 320, 240, 0, 60, 0, nullptr)); }
  void TearDown() override { OxSysExit(); }
};

// clang-format off
EM_JS(int, CanvasWidth, (), { return Module.canvas.width; });
EM_JS(int, CanvasHeight, (), { return Module.canvas.height; });
EM_JS(int, WebAudioPlaying, (), {
  var audio = Module.oxAudio;
  return audio && audio.node && audio.context.state === 'running' ? 1 : 0;
});
// clang-format on

TEST_F(PageTest, CanvasIsTheWindowAndShowsTheFrame)
{
  EXPECT_EQ(CanvasWidth(), 320);
  EXPECT_EQ(CanvasHeight(), 240);
  OxGfxSetBackgroundColor(0.0f, 0.0f, 1.0f);
  OxGfxMeshStart();
  OxGfxTriAdd(-50, -50, 0xFFFF0000, 0, 0, 50, -50, 0xFFFF0000, 0, 0, 0, 50, 0xFFFF0000, 0, 0);
  OxGfxVertexList* triangle = OxGfxMeshEnd();
  OxSysFrameStart();
  OxGfxSetRenderMode(OxGfxRenderModeColor);
  OxMtx33 world;
  OxMtx33Identity(&world);
  OxGfxSetTransform(&world);
  OxGfxMeshDraw(triangle, OxGfxMeshDrawModeTriangles);
  EXPECT_TRUE(oxtest::IsColour(oxtest::ReadPixel(160, 110), 255, 0, 0)) << oxtest::ReadPixel(160, 110);
  EXPECT_TRUE(oxtest::IsColour(oxtest::ReadPixel(5, 5), 0, 0, 255)) << oxtest::ReadPixel(5, 5);
  OxSysFrameEnd();
  OxGfxMeshFree(triangle);
}

unsigned char gKey;
bool KeyIsDown() { return OxInputCheckCurr(gKey) != 0; }
bool KeyIsUp() { return OxInputCheckCurr(gKey) == 0; }

TEST_F(PageTest, KeysArriveByVirtualKeyCode)
{
  const struct {
    const char* name;
    unsigned char key;
  } cases[] = {{"KeyA", 'A'},       {"Digit1", '1'},         {"Space", VK_SPACE},
               {"ArrowLeft", VK_LEFT}, {"Escape", VK_ESCAPE}, {"ShiftLeft", VK_LSHIFT}};
  for (const auto& item : cases) {
    gKey = item.key;
    ASSERT_TRUE(oxtest::web::Key("down", item.name)) << item.name;
    EXPECT_TRUE(oxtest::web::FramesUntil(KeyIsDown, 30)) << item.name;
    EXPECT_TRUE(oxtest::web::Key("up", item.name)) << item.name;
    EXPECT_TRUE(oxtest::web::FramesUntil(KeyIsUp, 30)) << item.name;
  }
}

int gCursorX, gCursorY;
bool CursorArrived()
{
  int x = -1, y = -1;
  OxInputGetCursorPosition(&x, &y);
  return x == gCursorX && y == gCursorY;
}
bool LeftIsDown() { return OxInputCheckCurr(VK_LBUTTON) != 0; }

TEST_F(PageTest, MouseInCanvasPixels)
{
  gCursorX = 100, gCursorY = 50;
  ASSERT_TRUE(oxtest::web::Mouse("move", gCursorX, gCursorY));
  int x = -1, y = -1;
  EXPECT_TRUE(oxtest::web::FramesUntil(CursorArrived, 30))
      << (OxInputGetCursorPosition(&x, &y), x) << ", " << y;
  ASSERT_TRUE(oxtest::web::Mouse("down", gCursorX, gCursorY));
  EXPECT_TRUE(oxtest::web::FramesUntil(LeftIsDown, 30));
  ASSERT_TRUE(oxtest::web::Mouse("up", gCursorX, gCursorY));
}

bool Unfocused() { return OxSysIsFocus() == 0; }
bool Focused() { return OxSysIsFocus() != 0; }

TEST_F(PageTest, PageInBackgroundIsLostFocus)
{
  ASSERT_TRUE(oxtest::web::Focus(false));
  EXPECT_TRUE(oxtest::web::FramesUntil(Unfocused, 60));
  ASSERT_TRUE(oxtest::web::Focus(true));
  EXPECT_TRUE(oxtest::web::FramesUntil(Focused, 60));
}

// The page may play sound here (the runner lets it start without a
// gesture): the mixer's output opens on Web Audio and a short sound plays
// out in real time while frames run.
TEST_F(PageTest, SoundPlaysThroughWebAudio)
{
  const std::string path = oxtest::TempDir() + "/beep.wav";
  ASSERT_TRUE(oxtest::WriteSoundFile(path, oxtest::SoundFormat::Wav, 48000, 1,
                                     oxtest::Sine(440, 0.5f, 48000, 4800)));
  OxAudio beep = OxAudioLoadSound(path.c_str());
  ASSERT_TRUE(OxAudioIsValidAudio(beep));
  OxAudioGroup group = OxAudioCreateGroup();
  OxAudioPlay(beep, group, 1.0f, 1.0f, 0);
  bool (*playing)() = []() { return WebAudioPlaying() != 0; };
  EXPECT_TRUE(oxtest::web::FramesUntil(playing, 180));
  OxAudioUnloadAudio(beep);
  OxAudioUnloadAudioGroup(group);
}

// The file layer's rules hold in the page's file system: folders are not
// files, and screenshots and recordings are written there.
TEST_F(PageTest, FilesInThePage)
{
  const std::string dir = oxtest::TempDir();
  EXPECT_EQ(OxGfxTextureLoad(dir.c_str()), nullptr);
  const std::string shot = dir + "/shot.png", record = dir + "/input.oxr";
  ASSERT_TRUE(OxInputRecordStart(record.c_str()));
  OxSysFrameStart();
  EXPECT_TRUE(OxGfxSaveScreenshot(shot.c_str()));
  OxSysFrameEnd();
  EXPECT_TRUE(OxInputRecordStop());
  oxtest::RgbaPixels pixels;
  int width = 0, height = 0;
  ASSERT_TRUE(oxtest::ReadImage(shot, &pixels, &width, &height));
  EXPECT_EQ(width, 320);
  EXPECT_EQ(height, 240);
  struct stat info;
  EXPECT_EQ(stat(record.c_str(), &info), 0);
  EXPECT_TRUE(OxInputReplayStart(record.c_str()));
  OxSysFrameStart();
  OxSysFrameEnd();
  OxInputReplayStop();
}

}  // namespace
