// Gamepads on the Windows build, through a stand-in xinput1_4.dll beside the
// program whose user slots the test fills: how the backend maps XInput's
// buttons, sticks and triggers, and which slot each pad takes as pads come
// and go.
#include <gtest/gtest.h>

#include <windows.h>
#include <xinput.h>

#include <set>

#include "OxEngineSupport.h"
#include "OxX11Support.h"
#include "Oxlen.h"

namespace {

typedef void(WINAPI* SetPadFunction)(DWORD, const XINPUT_STATE*);

// The buttons held in the slot now, by the engine's numbers.
std::set<int> Held(int slot)
{
  std::set<int> held;
  for (int button = 0; button < OxInputGamepadButtonCount; ++button)
    if (OxInputGamepadCheckCurr(slot, button)) held.insert(button);
  return held;
}

// Cases: no pad at start; a pad in user slot 2 takes the lowest free slot,
// 0, with its buttons (the guide button through ordinal 100), sticks (y up,
// -32768 held to -1) and triggers (0 to 255, held past half way) mapped; a
// second pad in user slot 0 takes slot 1; the first leaving frees slot 0 and
// releases its buttons while the second keeps slot 1; a third pad then
// takes slot 0.
TEST(XInputPads, MappingAndSlots)
{
  oxtest::UsePrivateDisplay();
  ASSERT_EQ(OxSysInit(nullptr, SW_SHOWNORMAL, 320, 240, 0, 0, 0, nullptr), 1);
  HMODULE module = GetModuleHandleW(L"xinput1_4.dll");
  ASSERT_NE(module, nullptr);
  auto setPad = reinterpret_cast<SetPadFunction>(
      reinterpret_cast<void*>(GetProcAddress(module, "OxStandInSetPad")));
  ASSERT_NE(setPad, nullptr) << "the system's xinput1_4.dll was loaded, not the stand-in";
  ASSERT_EQ(OxInputGamepadSetDeadZone(0.0f), 1);
  oxtest::RunFrame();
  EXPECT_EQ(OxInputGamepadGetCount(), 0);

  XINPUT_STATE first = {};
  first.Gamepad.wButtons = XINPUT_GAMEPAD_A | XINPUT_GAMEPAD_DPAD_UP | XINPUT_GAMEPAD_START |
                           XINPUT_GAMEPAD_RIGHT_THUMB | 0x0400;
  first.Gamepad.sThumbLX = 16384;
  first.Gamepad.sThumbRY = -32768;
  first.Gamepad.bLeftTrigger = 255;
  first.Gamepad.bRightTrigger = 64;
  setPad(2, &first);
  oxtest::RunFrame();
  EXPECT_EQ(OxInputGamepadGetCount(), 1);
  EXPECT_EQ(OxInputGamepadIsConnected(0), 1);
  EXPECT_EQ(Held(0), (std::set<int>{OxInputGamepadButtonA, OxInputGamepadButtonDPadUp,
                                    OxInputGamepadButtonStart, OxInputGamepadButtonGuide,
                                    OxInputGamepadButtonRightStick,
                                    OxInputGamepadButtonLeftTrigger}));
  EXPECT_FLOAT_EQ(OxInputGamepadGetAxis(0, OxInputGamepadAxisLeftX), 16384.0f / 32767.0f);
  EXPECT_EQ(OxInputGamepadGetAxis(0, OxInputGamepadAxisLeftY), 0.0f);
  EXPECT_EQ(OxInputGamepadGetAxis(0, OxInputGamepadAxisRightX), 0.0f);
  EXPECT_EQ(OxInputGamepadGetAxis(0, OxInputGamepadAxisRightY), -1.0f);
  EXPECT_EQ(OxInputGamepadGetAxis(0, OxInputGamepadAxisLeftTrigger), 1.0f);
  EXPECT_FLOAT_EQ(OxInputGamepadGetAxis(0, OxInputGamepadAxisRightTrigger), 64.0f / 255.0f);

  XINPUT_STATE second = {};
  second.Gamepad.wButtons = XINPUT_GAMEPAD_B;
  second.Gamepad.sThumbLY = 32767;
  setPad(0, &second);
  oxtest::RunFrame();
  EXPECT_EQ(OxInputGamepadGetCount(), 2);
  EXPECT_EQ(Held(1), std::set<int>{OxInputGamepadButtonB});
  EXPECT_EQ(OxInputGamepadGetAxis(1, OxInputGamepadAxisLeftY), 1.0f);
  EXPECT_EQ(OxInputGamepadCheckCurr(0, OxInputGamepadButtonA), 1);

  setPad(2, nullptr);
  oxtest::RunFrame();
  EXPECT_EQ(OxInputGamepadIsConnected(0), 0);
  EXPECT_EQ(OxInputGamepadIsConnected(1), 1);
  EXPECT_EQ(OxInputGamepadCheckReleased(0, OxInputGamepadButtonA), 1);
  EXPECT_EQ(Held(0), std::set<int>{});
  EXPECT_EQ(Held(1), std::set<int>{OxInputGamepadButtonB});

  setPad(3, &first);
  oxtest::RunFrame();
  EXPECT_EQ(OxInputGamepadIsConnected(0), 1);
  EXPECT_EQ(OxInputGamepadCheckCurr(0, OxInputGamepadButtonA), 1);
  EXPECT_EQ(Held(1), std::set<int>{OxInputGamepadButtonB});
  OxSysExit();
}

}  // namespace
