// The null backend as a test drives it: what it is told arrives through the
// public API as it would from a window system, a clock, a pad or a sound
// device, with no display or device anywhere.
// Null-backend program: it drives the backend through the functions only
// that backend has.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "OxEngineSupport.h"
#include "OxTestSound.h"
#include "OxTestSupport.h"
#include "Oxlen.h"
#include "platform/null/OxPlatformNull.h"

namespace {

class NullBackend : public ::testing::Test {
 protected:
  void SetUp() override
  {
    ASSERT_EQ(OxSysInit(nullptr, SW_SHOWNORMAL, 320, 240, 0, 60, 0, nullptr), 1);
    window = OxSysGetWindowHandle();
  }
  void TearDown() override { OxSysExit(); }

  // A message for the game's window as the window system posts it.
  OxPlatformMessage Post(UINT message, WPARAM wParam, LPARAM lParam, unsigned char key = 0,
                         const char* text = "")
  {
    OxPlatformMessage posted = {window, message, wParam, lParam, {}, key};
    snprintf(posted.text, sizeof(posted.text), "%s", text);
    OxNullPost(posted);
    return posted;
  }

  // Takes the posted messages, then a frame's snapshot.
  static void PumpAndRunFrame()
  {
    OxSysUpdate();
    oxtest::RunFrame();
  }

  HWND window = nullptr;
};

// Cases: a key with its text, a button, the wheel and the pointer reach the
// input snapshot; the focus moves with WM_ACTIVATE; the title is the one set.
TEST_F(NullBackend, PostedInputReachesTheSnapshot)
{
  EXPECT_TRUE(OxNullWindowShown(window));
  RECT client;
  ASSERT_TRUE(OxNullWindowRect(window, &client));
  EXPECT_EQ(client.right - client.left, 320);
  Post(WM_KEYDOWN, 'A', 1, 'A', "\xc3\xa9");
  Post(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 6), VK_LBUTTON);
  Post(WM_MOUSEWHEEL, MAKEWPARAM(0, 2 * WHEEL_DELTA), 0);
  OxNullSetCursor(client.left + 40, client.top + 30);
  PumpAndRunFrame();
  EXPECT_TRUE(OxInputCheckTriggered('A'));
  EXPECT_TRUE(OxInputCheckCurr(VK_LBUTTON));
  EXPECT_EQ(OxInputGetWheelDelta(), 2 * WHEEL_DELTA);
  EXPECT_STREQ(OxInputGetTypedText(), "\xc3\xa9");
  int x = 0, y = 0;
  OxInputGetCursorPosition(&x, &y);
  EXPECT_EQ(x, 40);
  EXPECT_EQ(y, 30);
  Post(WM_KEYUP, 'A', static_cast<LPARAM>(0xC0000001u), 'A');
  PumpAndRunFrame();
  EXPECT_TRUE(OxInputCheckReleased('A'));

  OxSysSetWindowTitle("N\xc3\xbcll");
  EXPECT_STREQ(OxNullWindowTitle(window), "N\xc3\xbcll");
}

// Scripted, every frame lasts exactly the frame time asked for (to the tick
// of the limiter's last read) and a late sleep is measured as such.
TEST_F(NullBackend, ScriptedClockMakesFrameTimesExact)
{
  OxNullClockScript(true);
  for (int lateness : {0, 2000}) {
    OxNullClockSetSleepLateness(lateness);
    for (int frame = 0; frame < 5; ++frame) oxtest::RunFrame();
    EXPECT_NEAR(OxFrameRateControllerGetFrameTime(), 1.0 / 60.0, 20e-6) << lateness;
  }
  OxNullClockSetSleepLateness(0);
  OxNullClockScript(false);
}

// A pad plugged in takes the lowest free slot and reads what was set; a
// fifth waits and takes the slot the first leaves.
TEST_F(NullBackend, PadsTakeSlotsAndReadWhatWasSet)
{
  OxPlatformGamepadState held = {};
  held.buttons = 1u << kOxPadA;
  held.axes[kOxPadLeftX] = 1.0f;
  int pads[5];
  for (int& pad : pads) pad = OxNullPadAttach();
  OxNullPadSet(pads[4], held);
  oxtest::RunFrame();
  EXPECT_EQ(OxInputGamepadGetCount(), 4);
  EXPECT_FALSE(OxInputGamepadCheckCurr(0, OxInputGamepadButtonA));
  OxNullPadDetach(pads[0]);
  oxtest::RunFrame();
  EXPECT_TRUE(OxInputGamepadCheckTriggered(0, OxInputGamepadButtonA));
  EXPECT_FLOAT_EQ(OxInputGamepadGetAxis(0, OxInputGamepadAxisLeftX), 1.0f);
  for (int pad : pads) OxNullPadDetach(pad);
  oxtest::RunFrame();
  EXPECT_EQ(OxInputGamepadGetCount(), 0);
}

// A sound played is heard in the output's buffer: a 1 kHz tone at half
// scale, about two crossings a millisecond.
TEST_F(NullBackend, SoundPlayedIsHeardInTheOutput)
{
  std::string path = oxtest::TempDir() + "/tone.wav";
  ASSERT_TRUE(oxtest::WriteSoundFile(path, oxtest::SoundFormat::Wav, 48000, 1,
                                     oxtest::Sine(1000, 0.5f, 48000, 48000)));
  ASSERT_EQ(OxAudioInit(), 1);
  ASSERT_TRUE(OxNullAudioOpen());
  OxAudio tone = OxAudioLoadSound(path.c_str());
  ASSERT_TRUE(OxAudioIsValidAudio(tone));
  std::vector<float> heard(2 * 48000);
  OxNullAudioTake(heard.data(), 48000);  // what came before the sound
  OxAudioPlay(tone, OxAudioCreateGroup(), 1.0f, 1.0f, 0);
  for (int i = 0; i < 30; ++i) {
    OxAudioUpdate();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  int frames = OxNullAudioTake(heard.data(), 48000);
  ASSERT_GT(frames, 4800);
  EXPECT_NEAR(oxtest::Peak(heard, 0, 0, frames), 0.5f, 0.05f);
  EXPECT_GT(oxtest::ZeroCrossings(heard, 1, 0, frames), frames / 48 - 20);
  OxAudioExit();
  EXPECT_FALSE(OxNullAudioOpen());
}

}  // namespace
