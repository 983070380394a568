// Gamepads through SDL2's virtual joysticks (no device needed): slots as pads
// come and go, buttons across frames in the standard layout, sticks and
// triggers with the dead zone, and careless numbers.
// Linux and null-backend program: the pads are SDL2's virtual joysticks (the null
// backend's own pads in its build), and nothing a test can do under Wine
// attaches an XInput pad. The Windows build reads
// XInput's four user slots into the same layer, whose slot, dead-zone and
// mapping rules above the platform are the same code on both builds.
#include <gtest/gtest.h>

#include <SDL2/SDL.h>

#include <math.h>

#include <vector>

#include "OxEngineSupport.h"
#include "OxGamepadSupport.h"
#include "OxTestSupport.h"
#include "OxX11Support.h"
#include "Oxlen.h"

namespace {

using oxtest::RunFrame;

using oxtest::VirtualPad;

class GamepadTest : public ::testing::Test {
 protected:
  void SetUp() override
  {
    oxtest::UsePrivateDisplay();
    ASSERT_EQ(OxSysInit(nullptr, SW_SHOWNORMAL, 320, 240, 0, 0, 0, nullptr), 1);
  }
  void TearDown() override { OxSysExit(); }
};

std::vector<int> ConnectedSlots()
{
  std::vector<int> slots;
  for (int i = 0; i < OX_INPUT_GAMEPAD_MAX; ++i)
    if (OxInputGamepadIsConnected(i)) slots.push_back(i);
  return slots;
}

// Cases: no pad, no count; a pad arriving shows in the next snapshot in the
// lowest free slot; a second takes the next; the first leaving frees its slot
// without renumbering the second; a newcomer takes the freed slot; a fifth
// pad waits until a slot is free.
TEST_F(GamepadTest, PadsComeAndGo)
{
  RunFrame();
  EXPECT_EQ(OxInputGamepadGetCount(), 0);
  EXPECT_EQ(ConnectedSlots(), std::vector<int>{});

  VirtualPad first;
  ASSERT_TRUE(first.ok()) << SDL_GetError();
  EXPECT_EQ(OxInputGamepadGetCount(), 0);  // not before the next snapshot
  RunFrame();
  EXPECT_EQ(OxInputGamepadGetCount(), 1);
  EXPECT_EQ(ConnectedSlots(), std::vector<int>{0});

  VirtualPad second;
  RunFrame();
  EXPECT_EQ(ConnectedSlots(), (std::vector<int>{0, 1}));

  first.Detach();
  RunFrame();
  EXPECT_EQ(OxInputGamepadGetCount(), 1);
  EXPECT_EQ(ConnectedSlots(), std::vector<int>{1});

  VirtualPad third, fourth, fifth;
  RunFrame();
  EXPECT_EQ(OxInputGamepadGetCount(), 4);
  EXPECT_EQ(ConnectedSlots(), (std::vector<int>{0, 1, 2, 3}));
  // A fifth pad present is not read: pressing its A shows nowhere.
  VirtualPad waiting;
  waiting.Button(SDL_CONTROLLER_BUTTON_A, true);
  RunFrame();
  for (int slot = 0; slot < OX_INPUT_GAMEPAD_MAX; ++slot)
    EXPECT_EQ(OxInputGamepadCheckCurr(slot, OxInputGamepadButtonA), 0) << slot;

  // The pad in slot 0 goes; the waiting pad takes its slot, A held.
  third.Detach();
  RunFrame();
  EXPECT_EQ(OxInputGamepadGetCount(), 4);
  EXPECT_EQ(OxInputGamepadCheckCurr(0, OxInputGamepadButtonA), 1);
}

// Cases: after OxSysExit with a pad connected and A held in the last frames,
// the count is 0, no slot is connected, every button query answers 0 and
// the axes read 0: the library is back in its state before OxSysInit.
TEST_F(GamepadTest, ExitClearsThePads)
{
  VirtualPad pad;
  ASSERT_TRUE(pad.ok()) << SDL_GetError();
  pad.Button(SDL_CONTROLLER_BUTTON_A, true);
  pad.Axis(SDL_CONTROLLER_AXIS_LEFTX, 32767);
  RunFrame();
  RunFrame();
  ASSERT_EQ(OxInputGamepadCheckPrev(0, OxInputGamepadButtonA), 1);
  OxSysExit();
  EXPECT_EQ(OxInputGamepadGetCount(), 0);
  EXPECT_EQ(ConnectedSlots(), std::vector<int>{});
  EXPECT_EQ(OxInputGamepadCheckCurr(0, OxInputGamepadButtonA), 0);
  EXPECT_EQ(OxInputGamepadCheckPrev(0, OxInputGamepadButtonA), 0);
  EXPECT_EQ(OxInputGamepadCheckTriggered(0, OxInputGamepadButtonA), 0);
  EXPECT_EQ(OxInputGamepadCheckReleased(0, OxInputGamepadButtonA), 0);
  EXPECT_EQ(OxInputGamepadGetAxis(0, OxInputGamepadAxisLeftX), 0.0f);
}

// Cases: a button pressed between frames n - 1 and n is triggered in frame n
// only, current from n on, previous from n + 1 on, released once; every
// button of the layout reaches its own code; a pad unplugged with a button
// held reads released in the next snapshot.
TEST_F(GamepadTest, ButtonsAcrossFrames)
{
  VirtualPad pad;
  ASSERT_TRUE(pad.ok()) << SDL_GetError();
  RunFrame();
  pad.Button(SDL_CONTROLLER_BUTTON_A, true);
  OxSysFrameStart();  // frame n
  EXPECT_EQ(OxInputGamepadCheckTriggered(0, OxInputGamepadButtonA), 1);
  EXPECT_EQ(OxInputGamepadCheckCurr(0, OxInputGamepadButtonA), 1);
  EXPECT_EQ(OxInputGamepadCheckPrev(0, OxInputGamepadButtonA), 0);
  EXPECT_EQ(OxInputGamepadCheckReleased(0, OxInputGamepadButtonA), 0);
  EXPECT_EQ(OxInputGamepadCheckCurr(0, OxInputGamepadButtonB), 0);
  OxSysFrameEnd();
  OxSysFrameStart();  // frame n + 1
  EXPECT_EQ(OxInputGamepadCheckTriggered(0, OxInputGamepadButtonA), 0);
  EXPECT_EQ(OxInputGamepadCheckCurr(0, OxInputGamepadButtonA), 1);
  EXPECT_EQ(OxInputGamepadCheckPrev(0, OxInputGamepadButtonA), 1);
  OxSysFrameEnd();
  pad.Button(SDL_CONTROLLER_BUTTON_A, false);
  OxSysFrameStart();
  EXPECT_EQ(OxInputGamepadCheckReleased(0, OxInputGamepadButtonA), 1);
  EXPECT_EQ(OxInputGamepadCheckCurr(0, OxInputGamepadButtonA), 0);
  OxSysFrameEnd();
  OxSysFrameStart();
  EXPECT_EQ(OxInputGamepadCheckReleased(0, OxInputGamepadButtonA), 0);
  OxSysFrameEnd();

  struct {
    SDL_GameControllerButton sdl;
    int button;
  } const layout[] = {
      {SDL_CONTROLLER_BUTTON_A, OxInputGamepadButtonA},
      {SDL_CONTROLLER_BUTTON_B, OxInputGamepadButtonB},
      {SDL_CONTROLLER_BUTTON_X, OxInputGamepadButtonX},
      {SDL_CONTROLLER_BUTTON_Y, OxInputGamepadButtonY},
      {SDL_CONTROLLER_BUTTON_LEFTSHOULDER, OxInputGamepadButtonLeftShoulder},
      {SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, OxInputGamepadButtonRightShoulder},
      {SDL_CONTROLLER_BUTTON_BACK, OxInputGamepadButtonBack},
      {SDL_CONTROLLER_BUTTON_START, OxInputGamepadButtonStart},
      {SDL_CONTROLLER_BUTTON_GUIDE, OxInputGamepadButtonGuide},
      {SDL_CONTROLLER_BUTTON_LEFTSTICK, OxInputGamepadButtonLeftStick},
      {SDL_CONTROLLER_BUTTON_RIGHTSTICK, OxInputGamepadButtonRightStick},
      {SDL_CONTROLLER_BUTTON_DPAD_UP, OxInputGamepadButtonDPadUp},
      {SDL_CONTROLLER_BUTTON_DPAD_DOWN, OxInputGamepadButtonDPadDown},
      {SDL_CONTROLLER_BUTTON_DPAD_LEFT, OxInputGamepadButtonDPadLeft},
      {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, OxInputGamepadButtonDPadRight},
  };
  for (const auto& entry : layout) {
    pad.Button(entry.sdl, true);
    RunFrame();
    for (int button = 0; button < OxInputGamepadButtonCount; ++button)
      EXPECT_EQ(OxInputGamepadCheckCurr(0, button), button == entry.button ? 1 : 0)
          << "SDL button " << entry.sdl << ", engine button " << button;
    pad.Button(entry.sdl, false);
  }

  // Triggers are buttons from half way.
  RunFrame();
  pad.Trigger(SDL_CONTROLLER_AXIS_TRIGGERLEFT, 0.49);
  pad.Trigger(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 0.51);
  RunFrame();
  EXPECT_EQ(OxInputGamepadCheckCurr(0, OxInputGamepadButtonLeftTrigger), 0);
  EXPECT_EQ(OxInputGamepadCheckCurr(0, OxInputGamepadButtonRightTrigger), 1);
  pad.Trigger(SDL_CONTROLLER_AXIS_TRIGGERLEFT, 1.0);
  OxSysFrameStart();
  EXPECT_EQ(OxInputGamepadCheckTriggered(0, OxInputGamepadButtonLeftTrigger), 1);
  EXPECT_EQ(OxInputGamepadCheckCurr(0, OxInputGamepadButtonRightTrigger), 1);
  OxSysFrameEnd();

  pad.Button(SDL_CONTROLLER_BUTTON_Y, true);
  RunFrame();
  EXPECT_EQ(OxInputGamepadCheckCurr(0, OxInputGamepadButtonY), 1);
  pad.Detach();
  OxSysFrameStart();
  EXPECT_EQ(OxInputGamepadIsConnected(0), 0);
  EXPECT_EQ(OxInputGamepadCheckReleased(0, OxInputGamepadButtonY), 1);
  EXPECT_EQ(OxInputGamepadCheckReleased(0, OxInputGamepadButtonRightTrigger), 1);
  EXPECT_EQ(OxInputGamepadGetAxis(0, OxInputGamepadAxisRightTrigger), 0.0f);
  OxSysFrameEnd();
}

// Cases: full tilt reads 1 with y up; inside the dead zone reads 0; beyond
// it the distance is rescaled and the direction kept; a square-gate corner
// stays on the unit circle; triggers rescale the same way; a dead zone of 0
// gives the readings as they are; values outside 0 to below 1 are refused
// with their line and change nothing.
TEST_F(GamepadTest, AxesAndDeadZone)
{
  const float tolerance = 1e-4f;
  VirtualPad pad;
  ASSERT_TRUE(pad.ok()) << SDL_GetError();
  EXPECT_FLOAT_EQ(OxInputGamepadGetDeadZone(), 0.25f);
  RunFrame();  // the pad arrives at rest

  pad.Axis(SDL_CONTROLLER_AXIS_LEFTX, 32767);
  pad.Axis(SDL_CONTROLLER_AXIS_RIGHTY, -32768);  // pushed up
  pad.Trigger(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 1.0);
  RunFrame();
  EXPECT_FLOAT_EQ(OxInputGamepadGetAxis(0, OxInputGamepadAxisLeftX), 1.0f);
  EXPECT_FLOAT_EQ(OxInputGamepadGetAxis(0, OxInputGamepadAxisLeftY), 0.0f);
  EXPECT_FLOAT_EQ(OxInputGamepadGetAxis(0, OxInputGamepadAxisRightX), 0.0f);
  EXPECT_FLOAT_EQ(OxInputGamepadGetAxis(0, OxInputGamepadAxisRightY), 1.0f);
  EXPECT_FLOAT_EQ(OxInputGamepadGetAxis(0, OxInputGamepadAxisLeftTrigger), 0.0f);
  EXPECT_FLOAT_EQ(OxInputGamepadGetAxis(0, OxInputGamepadAxisRightTrigger), 1.0f);

  // Within the dead zone: a distance of 0.2 on a diagonal.
  const Sint16 small = static_cast<Sint16>(0.2 / sqrt(2.0) * 32767);
  pad.Axis(SDL_CONTROLLER_AXIS_LEFTX, small);
  pad.Axis(SDL_CONTROLLER_AXIS_LEFTY, small);
  pad.Trigger(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 0.24);
  RunFrame();
  EXPECT_EQ(OxInputGamepadGetAxis(0, OxInputGamepadAxisLeftX), 0.0f);
  EXPECT_EQ(OxInputGamepadGetAxis(0, OxInputGamepadAxisLeftY), 0.0f);
  EXPECT_EQ(OxInputGamepadGetAxis(0, OxInputGamepadAxisRightTrigger), 0.0f);

  // Beyond: 0.625 to the left and down, (0.625 - 0.25) / 0.75 = 0.5 along it.
  const Sint16 mid = static_cast<Sint16>(0.625 / sqrt(2.0) * 32767);
  pad.Axis(SDL_CONTROLLER_AXIS_LEFTX, static_cast<Sint16>(-mid));
  pad.Axis(SDL_CONTROLLER_AXIS_LEFTY, mid);  // down
  pad.Trigger(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 0.625);
  RunFrame();
  EXPECT_NEAR(OxInputGamepadGetAxis(0, OxInputGamepadAxisLeftX), -0.5f / sqrtf(2.0f), tolerance);
  EXPECT_NEAR(OxInputGamepadGetAxis(0, OxInputGamepadAxisLeftY), -0.5f / sqrtf(2.0f), tolerance);
  EXPECT_NEAR(OxInputGamepadGetAxis(0, OxInputGamepadAxisRightTrigger), 0.5f, 1e-3f);

  // A square-gate corner: both axes full, the pair clamped to the circle.
  pad.Axis(SDL_CONTROLLER_AXIS_LEFTX, 32767);
  pad.Axis(SDL_CONTROLLER_AXIS_LEFTY, 32767);
  RunFrame();
  float x = OxInputGamepadGetAxis(0, OxInputGamepadAxisLeftX);
  float y = OxInputGamepadGetAxis(0, OxInputGamepadAxisLeftY);
  EXPECT_NEAR(x, 1.0f / sqrtf(2.0f), tolerance);
  EXPECT_NEAR(y, -1.0f / sqrtf(2.0f), tolerance);

  EXPECT_EQ(OxInputGamepadSetDeadZone(0.0f), 1);
  pad.Axis(SDL_CONTROLLER_AXIS_LEFTX, 3277);
  pad.Axis(SDL_CONTROLLER_AXIS_LEFTY, 0);
  RunFrame();
  EXPECT_NEAR(OxInputGamepadGetAxis(0, OxInputGamepadAxisLeftX), 3277.0f / 32767.0f, 1e-6f);

  oxtest::ChildResult refused = oxtest::RunInChild([] {
    int accepted = OxInputGamepadSetDeadZone(-0.1f) + OxInputGamepadSetDeadZone(1.0f) +
                   OxInputGamepadSetDeadZone(NAN) + OxInputGamepadSetDeadZone(INFINITY);
    return accepted == 0 && OxInputGamepadGetDeadZone() == 0.0f ? 0 : 1;
  });
  EXPECT_EQ(refused.exitCode, 0);
  EXPECT_EQ(refused.out,
            "Input: gamepad dead zone -0.1 is not from 0 to below 1\n"
            "Input: gamepad dead zone 1 is not from 0 to below 1\n"
            "Input: gamepad dead zone nan is not from 0 to below 1\n"
            "Input: gamepad dead zone inf is not from 0 to below 1\n");
  EXPECT_EQ(refused.err, "");
  OxInputGamepadSetDeadZone(0.25f);
}

// Cases: slot, button and axis numbers out of range answer 0 and print
// nothing, with and without a pad; an empty slot reads 0 everywhere. The
// game runs in a child, whose output is captured.
TEST(Gamepad, CarelessNumbersAnswerZero)
{
  oxtest::UsePrivateDisplay();
  oxtest::ChildResult result = oxtest::RunInChild([] {
    if (OxSysInit(nullptr, SW_SHOWNORMAL, 320, 240, 0, 0, 0, nullptr) != 1) return 2;
    VirtualPad pad;
    if (!pad.ok()) return 3;
    pad.Button(SDL_CONTROLLER_BUTTON_A, true);
    pad.Axis(SDL_CONTROLLER_AXIS_LEFTX, 32767);
    RunFrame();
    int answers = 0;
    const int pads[] = {-1, 4, 1000, -2147483647 - 1};
    for (int slot : pads) {
      answers += OxInputGamepadIsConnected(slot) + OxInputGamepadCheckCurr(slot, 0) +
                 OxInputGamepadCheckPrev(slot, 0) + OxInputGamepadCheckTriggered(slot, 0) +
                 OxInputGamepadCheckReleased(slot, 0);
      answers += OxInputGamepadGetAxis(slot, 0) != 0.0f;
    }
    const int buttons[] = {-1, OxInputGamepadButtonCount, 32, 1 << 30};
    for (int button : buttons)
      answers += OxInputGamepadCheckCurr(0, button) + OxInputGamepadCheckTriggered(0, button);
    answers += OxInputGamepadGetAxis(0, -1) != 0.0f;
    answers += OxInputGamepadGetAxis(0, OxInputGamepadAxisCount) != 0.0f;
    answers += OxInputGamepadCheckCurr(1, OxInputGamepadButtonA);
    answers += OxInputGamepadGetAxis(1, OxInputGamepadAxisLeftX) != 0.0f;
    // The pad itself still reads.
    bool padReads = OxInputGamepadCheckCurr(0, OxInputGamepadButtonA) == 1 &&
                    OxInputGamepadGetAxis(0, OxInputGamepadAxisLeftX) == 1.0f;
    pad.Detach();
    OxSysExit();
    return answers == 0 && padReads ? 0 : 1;
  });
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.out.substr(result.out.find("OpenGL\n") + 7), "");
  EXPECT_EQ(result.err, "");
}

}  // namespace
