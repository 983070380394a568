// Input recording and replay: a small game driven by XTest keys, pointer and
// buttons, a virtual gamepad, the focus and the frame time is recorded, then
// replayed in a fresh process with no input (and again with contrary input)
// and must go through the same state at every frame; the file's layout as
// documented; damaged, foreign, newer and cut files; careless calls; a disk
// that fills up while recording.
// Linux and null-backend program: the recorded game holds a virtual gamepad (SDL2's
// virtual joysticks, the null backend's own pads in its build; Wine has no
// XInput pad a test can attach) and the full
// disk is a POSIX file-size limit. The recording file and its replay are the
// same code on both builds.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <math.h>
#include <stdio.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <signal.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "OxEngineSupport.h"
#include "OxGamepadSupport.h"
#include "OxImageSupport.h"
#include "OxTestSupport.h"
#include "OxX11Support.h"
#include "Oxlen.h"

namespace {

using oxtest::ChildResult;
using oxtest::RunInChild;

// A game whose state depends on every recorded input and on the frame time.
struct Game {
  double x = 0.0, y = 0.0;
  double clock = 0.0, rateSum = 0.0;
  int jumps = 0, releases = 0, clicks = 0, targetX = 0, targetY = 0;
  long travel = 0;
  int unfocusedFrames = 0;
  int padFrames = 0, padPresses = 0, padReleases = 0;
  double padX = 0.0, padTrigger = 0.0;

  void Update()
  {
    double dt = OxFrameRateControllerGetFrameTime();
    clock += dt;
    rateSum += OxFrameRateControllerGetFrameRate() > 1e9 ? 0.0 : OxFrameRateControllerGetFrameRate();
    double speed = OxInputCheckCurr(VK_SHIFT) ? 400.0 : 200.0;
    if (OxInputCheckCurr(VK_RIGHT)) x += speed * dt;
    if (OxInputCheckCurr(VK_LEFT)) x -= speed * dt;
    if (OxInputCheckCurr(VK_UP)) y += speed * dt;
    if (OxInputCheckTriggered(VK_SPACE)) ++jumps;
    if (OxInputCheckReleased('A') || OxInputCheckPrev('A') != OxInputCheckCurr('A')) ++releases;
    int cx = 0, cy = 0, dx = 0, dy = 0;
    OxInputGetCursorPosition(&cx, &cy);
    OxInputGetCursorPositionDelta(&dx, &dy);
    travel += labs(dx) + labs(dy);
    if (OxInputCheckTriggered(VK_LBUTTON)) {
      ++clicks;
      targetX = cx;
      targetY = cy;
    }
    if (!OxSysIsFocus()) ++unfocusedFrames;
    padFrames += OxInputGamepadGetCount();
    padPresses += OxInputGamepadCheckTriggered(0, OxInputGamepadButtonA);
    padReleases += OxInputGamepadCheckReleased(0, OxInputGamepadButtonB);
    padX += OxInputGamepadGetAxis(0, OxInputGamepadAxisLeftX) * dt;
    padTrigger += OxInputGamepadGetAxis(0, OxInputGamepadAxisRightTrigger);
  }

  std::string State() const
  {
    char text[512];
    snprintf(text, sizeof text,
             "x %.17g y %.17g clock %.17g rates %.17g jumps %d releases %d clicks %d at %d,%d "
             "travel %ld unfocused %d pads %d presses %d releases %d padx %.9g trigger %.9g\n",
             x, y, clock, rateSum, jumps, releases, clicks, targetX, targetY, travel,
             unfocusedFrames, padFrames, padPresses, padReleases, padX, padTrigger);
    return text;
  }
};

const int kRecordedFrames = 150;

// Runs the game for kRecordedFrames frames while recording to path, with
// XTest input and a virtual pad along the way; writes one state line per
// frame to statesPath. Runs in a child (its own X connection).
int RecordSession(const std::string& path, const std::string& statesPath)
{
  Display* display = oxtest::OpenTestDisplay();
  if (!display) return 2;
  if (OxSysInit(nullptr, SW_SHOWNORMAL, 400, 300, 0, 0, 0, nullptr) != 1) return 3;
  Window window = oxtest::FindWindowByTitle(display, "Oxlen Engine");
  Window other = oxtest::CreateOtherWindow(display);
  oxtest::MovePointer(display, 960, 540);
  oxtest::SetFocus(display, window);
  for (int i = 0; i < 20; ++i) oxtest::RunFrame();

  if (OxInputRecordStart(path.c_str()) != 1) return 4;
  if (!OxInputIsRecording()) return 5;
  oxtest::VirtualPad* pad = nullptr;
  Game game;
  std::string states;
  for (int frame = 0; frame < kRecordedFrames; ++frame) {
    switch (frame) {
      case 5: oxtest::SendKey(display, XK_Right, true); break;
      case 12: oxtest::SendKey(display, XK_Shift_L, true); break;
      case 20: oxtest::SendKey(display, XK_Shift_L, false); break;
      case 30: oxtest::SendKey(display, XK_Right, false); break;
      case 32: oxtest::SendKey(display, XK_space, true); break;
      case 34: oxtest::SendKey(display, XK_space, false); break;
      case 36: oxtest::SendKey(display, XK_a, true); oxtest::SendKey(display, XK_Up, true); break;
      case 44: oxtest::SendKey(display, XK_a, false); oxtest::SendKey(display, XK_Up, false); break;
      case 50: oxtest::MovePointer(display, 900, 500); break;
      case 53: oxtest::MovePointer(display, 1000, 600); break;
      case 55: oxtest::SendButton(display, 1, true); break;
      case 57: oxtest::SendButton(display, 1, false); break;
      case 60: pad = new oxtest::VirtualPad(); break;
      case 64: pad->Button(SDL_CONTROLLER_BUTTON_A, true); pad->Axis(SDL_CONTROLLER_AXIS_LEFTX, 20000); break;
      case 70: pad->Button(SDL_CONTROLLER_BUTTON_A, false); pad->Button(SDL_CONTROLLER_BUTTON_B, true); break;
      case 75: pad->Trigger(SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 0.8); pad->Button(SDL_CONTROLLER_BUTTON_B, false); break;
      case 90: pad->Detach(); break;
      case 100: oxtest::SetFocus(display, other); break;
      case 115: oxtest::SetFocus(display, window); break;
      case 120: oxtest::SendKey(display, XK_space, true); break;
      case 125: oxtest::SendKey(display, XK_space, false); break;
      default: break;
    }
    OxSysFrameStart();
    game.Update();
    states += game.State();
    OxSysFrameEnd();
  }
  if (OxInputRecordStop() != 1) return 6;
  delete pad;
  OxSysExit();
  XCloseDisplay(display);
  return oxtest::WriteBytes(statesPath, states) ? 0 : 7;
}

// Replays path from a fresh start, comparing each frame's state with the
// recorded line; while replaying, with contrary, sends live keys, pointer
// moves, clicks and a pad. Returns 0 when every frame matched and the replay
// ended after the last one; the frame limit of maxFrameRate would make a
// waiting replay outlast the child's time limit.
int ReplaySession(const std::string& path, const std::string& statesPath, bool contrary,
                  unsigned int maxFrameRate)
{
  std::string expected = oxtest::ReadBytes(statesPath);
  Display* display = oxtest::OpenTestDisplay();
  if (!display) return 2;
  if (OxSysInit(nullptr, SW_SHOWNORMAL, 400, 300, 0, maxFrameRate, 0, nullptr) != 1) return 3;
  Window window = oxtest::FindWindowByTitle(display, "Oxlen Engine");
  oxtest::SetFocus(display, window);
  oxtest::MovePointer(display, 100, 100);
  for (int i = 0; i < 3; ++i) oxtest::RunFrame();
  if (OxInputReplayStart(path.c_str()) != 1) return 4;
  if (!OxInputIsReplaying()) return 5;
  oxtest::VirtualPad* pad = nullptr;
  Game game;
  std::string states;
  int frames = 0;
  for (;;) {
    if (contrary) {
      oxtest::SendKey(display, XK_Left, frames % 20 < 10);
      oxtest::SendKey(display, XK_space, frames % 3 == 0);
      oxtest::MovePointer(display, 700 + frames % 50, 400);
      oxtest::SendButton(display, 1, frames % 7 == 0);
      if (frames == 10) pad = new oxtest::VirtualPad();
      if (pad) pad->Button(SDL_CONTROLLER_BUTTON_A, frames % 2 == 0);
    }
    OxSysFrameStart();
    if (!OxInputIsReplaying()) break;
    game.Update();
    states += game.State();
    ++frames;
    OxSysFrameEnd();
  }
  // The frame after the last recorded one reads the devices again.
  bool live = OxFrameRateControllerGetFrameTime() != 0.0 && OxInputReplayStop() == 0;
  OxSysFrameEnd();
  if (contrary) {
    oxtest::SendKey(display, XK_Left, false);
    oxtest::SendKey(display, XK_space, false);
    oxtest::SendButton(display, 1, false);
  }
  delete pad;
  OxSysExit();
  XCloseDisplay(display);
  if (frames != kRecordedFrames) return 10;
  if (!live) return 11;
  if (states != expected) {
    // The first frame that differs, for the failure message.
    size_t at = 0;
    while (at < states.size() && at < expected.size() && states[at] == expected[at]) ++at;
    size_t line = static_cast<size_t>(std::count(states.begin(), states.begin() + at, '\n'));
    printf("frame %zu differs\n", line);
    return 12;
  }
  return 0;
}

// A recording made with the engine, kept for the whole test program.
struct Recording {
  std::string folder, path, states;
};

const Recording& SharedRecording()
{
  static Recording recording;
  if (recording.path.empty()) {
    oxtest::UsePrivateDisplay();
    recording.folder = oxtest::TempDir();
    recording.path = recording.folder + "/session.oxrec";
    recording.states = recording.folder + "/states.txt";
    ChildResult result = RunInChild([&] { return RecordSession(recording.path, recording.states); });
    EXPECT_EQ(result.exitCode, 0) << result.out;
    EXPECT_EQ(result.err, "");
  }
  return recording;
}

// Cases: the recorded game reaches the same state at every frame when the
// recording is replayed in a fresh process with no input; the replay ends
// after the last frame, after which the devices and the measured frame time
// are back; the limiter does not hold replayed frames back (at 2 frames a
// second, 150 frames would outlast the child's minute).
TEST(RecordReplay, ReplayReachesTheRecordedStateEveryFrame)
{
  const Recording& recording = SharedRecording();
  std::string states = oxtest::ReadBytes(recording.states);
  ASSERT_EQ(std::count(states.begin(), states.end(), '\n'), kRecordedFrames);
  // The script reached the game: it moved, jumped, clicked, saw a pad and
  // lost the focus.
  const std::string last = states.substr(states.rfind('\n', states.size() - 2) + 1);
  EXPECT_EQ(last.find("x 0 "), std::string::npos) << last;
  EXPECT_EQ(last.find("jumps 0 "), std::string::npos) << last;
  EXPECT_EQ(last.find("clicks 0 "), std::string::npos) << last;
  EXPECT_EQ(last.find("unfocused 0 "), std::string::npos) << last;
  EXPECT_EQ(last.find("pads 0 "), std::string::npos) << last;
  EXPECT_EQ(last.find("presses 0 "), std::string::npos) << last;

  ChildResult replay = RunInChild(
      [&] { return ReplaySession(recording.path, recording.states, false, 2); }, 60);
  EXPECT_EQ(replay.exitCode, 0) << replay.out;
  EXPECT_EQ(replay.err, "");
  EXPECT_EQ(replay.out.find("Input:"), std::string::npos) << replay.out;
}

// Cases: live keys, pointer, buttons and a pad sent during the replay change
// nothing the game is told.
TEST(RecordReplay, LiveInputDuringAReplayIsIgnored)
{
  const Recording& recording = SharedRecording();
  ChildResult replay = RunInChild(
      [&] { return ReplaySession(recording.path, recording.states, true, 0); }, 60);
  EXPECT_EQ(replay.exitCode, 0) << replay.out;
  EXPECT_EQ(replay.err, "");
}

// ---- The file as documented ---------------------------------------------------

// Little-endian fields for hand-made recordings.
struct FileBytes {
  std::string bytes;
  FileBytes& U8(unsigned value) { bytes += static_cast<char>(value); return *this; }
  FileBytes& U32(uint32_t value)
  {
    for (int i = 0; i < 4; ++i) U8((value >> (8 * i)) & 0xFF);
    return *this;
  }
  FileBytes& F32(float value)
  {
    uint32_t bits;
    memcpy(&bits, &value, 4);
    return U32(bits);
  }
  FileBytes& F64(double value)
  {
    uint64_t bits;
    memcpy(&bits, &value, 8);
    U32(static_cast<uint32_t>(bits));
    return U32(static_cast<uint32_t>(bits >> 32));
  }
  FileBytes& Keys(std::initializer_list<int> down)
  {
    unsigned char keys[32] = {};
    for (int key : down) keys[key / 8] |= static_cast<unsigned char>(1 << (key % 8));
    bytes.append(reinterpret_cast<const char*>(keys), 32);
    return *this;
  }
  FileBytes& Header(uint32_t version = 1)
  {
    bytes.append("OXREC\r\n\x1a", 8);
    return U32(version);
  }
  // A frame with the given keys, no pad, focus on.
  FileBytes& Frame(double frameTime, std::initializer_list<int> keys = {})
  {
    U8('F').F64(frameTime).F64(1.0 / frameTime).U32(10).U32(20).U32(1).U32(static_cast<uint32_t>(-2));
    U8(1).Keys(keys).U8(0);
    return *this;
  }
};

// Runs body in a child that has started the engine; the child's output
// after the start-up lines.
ChildResult WithEngine(const std::function<int()>& body, int timeoutSeconds = 60)
{
  oxtest::UsePrivateDisplay();
  ChildResult result = RunInChild([&] {
    if (OxSysInit(nullptr, SW_SHOWNORMAL, 200, 150, 0, 0, 0, nullptr) != 1) return 100;
    fflush(stdout);
    printf("--\n");
    int code = body();
    OxSysExit();
    return code;
  }, timeoutSeconds);
  size_t start = result.out.find("--\n");
  result.out = start == std::string::npos ? result.out : result.out.substr(start + 3);
  return result;
}

// Frames a replay gives through OxInputUpdate, at most limit.
int CountReplayedFrames(int limit = 100000)
{
  int frames = 0;
  while (frames < limit) {
    OxInputUpdate();
    if (!OxInputIsReplaying()) break;
    ++frames;
  }
  return frames;
}

// Cases: a file made by hand as the format describes replays exactly: the
// snapshot before the first frame answers the first frame's previous-key
// queries; each frame's keys, cursor, delta, focus, frame time and rate and
// pads (slot 2 only, with buttons and axes as stored) reach the game; a
// recording the engine writes has the documented size for its frames.
TEST(RecordReplay, FileLayoutAsDocumented)
{
  std::string folder = oxtest::TempDir();
  std::string path = folder + "/hand.oxrec";
  FileBytes file;
  file.Header();
  file.U8('I').Keys({'Q', VK_SPACE}).U8(0);
  file.U8('F').F64(0.25).F64(4.0).U32(33).U32(static_cast<uint32_t>(-7)).U32(5).U32(6).U8(0);
  file.Keys({'Q', VK_LBUTTON}).U8(0x4);
  file.U32((1u << OxInputGamepadButtonY) | (1u << OxInputGamepadButtonRightTrigger));
  file.F32(1.0f).F32(0.0f).F32(-0.6f).F32(0.8f).F32(0.0f).F32(0.75f);
  file.Frame(0.5, {VK_LBUTTON});
  file.U8('E').U32(2);
  ASSERT_TRUE(oxtest::WriteBytes(path, file.bytes));

  ChildResult result = WithEngine([&] {
    int failures = 0;
    auto check = [&](bool ok, const char* what) {
      if (!ok) {
        printf("%s\n", what);
        ++failures;
      }
    };
    check(OxInputReplayStart(path.c_str()) == 1, "start");
    OxSysFrameStart();
    int x, y, dx, dy;
    OxInputGetCursorPosition(&x, &y);
    OxInputGetCursorPositionDelta(&dx, &dy);
    check(x == 33 && y == -7 && dx == 5 && dy == 6, "cursor");
    check(OxInputCheckPrev('Q') && OxInputCheckPrev(VK_SPACE) && !OxInputCheckPrev(VK_LBUTTON), "initial");
    check(OxInputCheckCurr('Q') && OxInputCheckReleased(VK_SPACE) && OxInputCheckTriggered(VK_LBUTTON), "keys");
    check(OxSysIsFocus() == 0, "focus");
    check(OxFrameRateControllerGetFrameTime() == 0.25 && OxFrameRateControllerGetFrameRate() == 4.0, "time");
    check(OxInputGamepadGetCount() == 1 && OxInputGamepadIsConnected(2) && !OxInputGamepadIsConnected(0), "pads");
    check(OxInputGamepadCheckTriggered(2, OxInputGamepadButtonY) &&
          OxInputGamepadCheckCurr(2, OxInputGamepadButtonRightTrigger) &&
          !OxInputGamepadCheckCurr(2, OxInputGamepadButtonA), "buttons");
    OxInputGamepadSetDeadZone(0.0f);
    check(OxInputGamepadGetAxis(2, OxInputGamepadAxisLeftX) == 1.0f &&
          fabsf(OxInputGamepadGetAxis(2, OxInputGamepadAxisRightX) + 0.6f) < 1e-6f &&
          fabsf(OxInputGamepadGetAxis(2, OxInputGamepadAxisRightY) - 0.8f) < 1e-6f &&
          OxInputGamepadGetAxis(2, OxInputGamepadAxisRightTrigger) == 0.75f, "axes");
    OxSysFrameEnd();
    OxSysFrameStart();
    check(OxInputIsReplaying() && OxSysIsFocus() == 1 && OxInputCheckReleased('Q') &&
          OxInputCheckCurr(VK_LBUTTON) && !OxInputCheckTriggered(VK_LBUTTON), "second frame");
    check(OxInputGamepadCheckReleased(2, OxInputGamepadButtonY) && OxInputGamepadGetCount() == 0, "pad gone");
    check(OxFrameRateControllerGetFrameTime() == 0.5, "second time");
    OxSysFrameEnd();
    OxSysFrameStart();
    check(!OxInputIsReplaying(), "ended");
    check(OxFrameRateControllerGetFrameTime() != 0.5, "measured time");
    OxSysFrameEnd();

    // The engine's own file: header, the snapshot before the first frame,
    // three frames with no pad, the end.
    std::string written = folder + "/written.oxrec";
    check(OxInputRecordStart(written.c_str()) == 1, "record");
    for (int i = 0; i < 3; ++i) oxtest::RunFrame();
    check(OxInputRecordStop() == 1, "stop");
    std::string bytes = oxtest::ReadBytes(written);
    check(bytes.size() == 12 + (1 + 32 + 1) + 3 * (1 + 8 + 8 + 16 + 1 + 32 + 1) + 5, "size");
    check(bytes.compare(0, 12, std::string("OXREC\r\n\x1a\x01\0\0\0", 12)) == 0, "header");
    check(bytes[12] == 'I' && bytes[46] == 'F' && bytes[bytes.size() - 5] == 'E' &&
          bytes.compare(bytes.size() - 4, 4, std::string("\x03\0\0\0", 4)) == 0, "records");
    return failures;
  });
  EXPECT_EQ(result.exitCode, 0) << result.out;
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, "");
}

// Version 2 records: the initial record's taps are released in the first
// frame; a frame's taps (triggered, the key up), wheel and text reach the
// game, the next frame has its own. An empty, malformed, control-character
// or overlong text, or a cut, in the second frame's additions replays one
// frame; an addition in version 1, out of order or repeated, two.
TEST(RecordReplay, VersionTwoRecords)
{
  std::string path = oxtest::TempDir() + "/two.oxrec";
  auto file = [](uint32_t version, const std::string& additions, bool cut = false) {
    FileBytes bytes;
    bytes.Header(version).U8('I').Keys({}).U8(0);
    if (version == 2) bytes.U8('T').Keys({VK_ESCAPE});
    bytes.Frame(0.5);
    if (version == 2)
      bytes.U8('T').Keys({'Q'}).U8('W').U32(-240u).U32(120).U8('C').U8(3).bytes += "h\xC3\xA9";
    bytes.Frame(0.5).bytes += additions;
    return cut ? bytes.bytes : bytes.U8('E').U32(2).bytes;
  };
  const std::string text = FileBytes().U8('C').U8(2).bytes;
  const std::pair<std::string, int> damaged[] = {
      {file(2, FileBytes().U8('C').U8(0).bytes), 1},
      {file(2, text + "\xC3("), 1},
      {file(2, text + "a\t"), 1},
      {file(2, text + "\xC0\x80"), 1},
      {file(2, FileBytes().U8('W').U32(1).bytes, true), 1},
      {file(1, FileBytes().U8('W').U32(1).U32(2).bytes), 2},
      {file(2, text + "ab" + FileBytes().U8('W').U32(1).U32(1).bytes), 2},
      {file(2, FileBytes().U8('T').Keys({}).U8('T').Keys({}).bytes), 2},
  };
  ChildResult result = WithEngine([&] {
    oxtest::WriteBytes(path, file(2, FileBytes().U8('T').Keys({}).U8('C').U8(1).bytes + "z"));
    bool ok = OxInputReplayStart(path.c_str()) == 1;
    OxSysFrameStart();
    ok = ok && OxInputCheckReleased(VK_ESCAPE) && !OxInputCheckPrev(VK_ESCAPE) &&
         OxInputCheckTriggered('Q') && !OxInputCheckCurr('Q') && OxInputGetWheelDelta() == -240 &&
         OxInputGetWheelDeltaHorizontal() == 120 && strcmp(OxInputGetTypedText(), "h\xC3\xA9") == 0;
    OxSysFrameEnd();
    OxSysFrameStart();
    ok = ok && OxInputCheckReleased('Q') && !OxInputCheckTriggered('Q') &&
         OxInputGetWheelDelta() == 0 && strcmp(OxInputGetTypedText(), "z") == 0;
    OxSysFrameEnd();
    ok = ok && CountReplayedFrames() == 0;
    for (const auto& damage : damaged) {
      oxtest::WriteBytes(path, damage.first);
      int started = OxInputReplayStart(path.c_str());
      printf("%d %d\n", started, CountReplayedFrames());
    }
    return ok ? 0 : 1;
  });
  EXPECT_EQ(result.exitCode, 0) << result.out;
  EXPECT_EQ(result.err, "");
  std::string expected;
  for (const auto& damage : damaged) {
    std::string frames = std::to_string(damage.second);
    expected += "Input: the recording " + path + " ends early; replaying its " + frames +
                " complete frames\n0 " + frames + "\n";
  }
  EXPECT_EQ(result.out, expected);
}

// Cases: a missing file, a directory, a FIFO (no wait), a foreign file, an
// empty one, a version-0 and a newer-version file fail with their line and
// replay nothing; a recording cut at any byte fails with the ends-early line
// and replays exactly the frames completed before the cut; frames with
// impossible values (NaN or negative frame time, focus 2, a fifth pad, an
// unknown button, an axis beyond 1, an unknown record) count as damage from
// that frame on; an end record whose count is wrong is damage after the last
// frame.
TEST(RecordReplay, DamagedForeignAndNewerFiles)
{
  std::string folder = oxtest::TempDir();
  FileBytes whole;
  whole.Header().U8('I').Keys({}).U8(0);
  std::vector<size_t> frameEnds;
  for (int i = 0; i < 4; ++i) {
    whole.Frame(0.01 * (i + 1), {'A' + i});
    frameEnds.push_back(whole.bytes.size());
  }
  whole.U8('E').U32(4);
  std::string path = folder + "/cut.oxrec";
  std::string fifo = folder + "/fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);

  ChildResult result = WithEngine([&] {
    int failures = 0;
    auto expect = [&](const std::string& file, const std::string& bytes, int result, int frames) {
      if (!bytes.empty() || file == path) oxtest::WriteBytes(file, bytes);
      int started = OxInputReplayStart(file.c_str());
      int replayed = CountReplayedFrames();
      if (started != result || replayed != frames) {
        printf("%s (%zu bytes): %d and %d frames\n", file.c_str(), bytes.size(), started, replayed);
        ++failures;
      }
    };
    expect(folder + "/missing.oxrec", "", 0, 0);
    expect(folder, "", 0, 0);
    expect(fifo, "", 0, 0);
    expect(path, "\x89PNG\r\n\x1a\n" + std::string(40, '\0'), 0, 0);
    expect(path, "", 0, 0);
    expect(path, FileBytes().Header(0).bytes + whole.bytes.substr(12), 0, 0);
    expect(path, FileBytes().Header(3).bytes + whole.bytes.substr(12), 0, 0);
    fflush(stdout);
    printf("--cuts\n");
    // Every cut: the frames complete before it replay.
    for (size_t size = 12; size < whole.bytes.size(); ++size) {
      int complete = 0;
      while (complete < 4 && frameEnds[complete] <= size) ++complete;
      expect(path, whole.bytes.substr(0, size), 0, complete);
    }
    expect(path, whole.bytes, 1, 4);
    fflush(stdout);
    printf("--damage\n");
    // Damage in the third frame: two frames replay.
    const size_t third = frameEnds[1];
    auto damaged = [&](size_t offset, const std::string& with) {
      std::string bytes = whole.bytes;
      bytes.replace(third + offset, with.size(), with);
      expect(path, bytes, 0, 2);
    };
    damaged(1, FileBytes().F64(NAN).bytes);
    damaged(1, FileBytes().F64(-0.5).bytes);
    damaged(1, FileBytes().F64(INFINITY).bytes);
    damaged(9, FileBytes().F64(-1.0).bytes);
    damaged(33, "\x02");
    damaged(66, "\x10");
    damaged(0, "X");
    std::string pad = whole.bytes.substr(0, third) + FileBytes().Frame(0.5).bytes;
    pad[pad.size() - 1] = 1;
    std::string unknownButton = pad + FileBytes().U32(1u << 17).F32(0).F32(0).F32(0).F32(0).F32(0).F32(0).bytes;
    expect(path, unknownButton + whole.bytes.substr(third), 0, 2);
    std::string wideAxis = pad + FileBytes().U32(1).F32(0).F32(1.5f).F32(0).F32(0).F32(0).F32(0).bytes;
    expect(path, wideAxis + whole.bytes.substr(third), 0, 2);
    std::string negativeTrigger = pad + FileBytes().U32(1).F32(0).F32(0).F32(0).F32(0).F32(-0.1f).F32(0).bytes;
    expect(path, negativeTrigger + whole.bytes.substr(third), 0, 2);
    std::string goodPad = pad + FileBytes().U32(1).F32(-1).F32(1).F32(0).F32(0).F32(1).F32(0).bytes;
    expect(path, goodPad + whole.bytes.substr(third), 0, 5);  // 5 frames, count says 4
    std::string wrongCount = whole.bytes;
    wrongCount[wrongCount.size() - 4] = 9;
    expect(path, wrongCount, 0, 4);
    return failures;
  });
  EXPECT_EQ(result.exitCode, 0) << result.out;
  EXPECT_EQ(result.err, "");
  std::string out = result.out;
  std::string head = out.substr(0, out.find("--cuts\n"));
  std::string p = folder + "/cut.oxrec";
  EXPECT_EQ(head,
            "Input: cannot open the recording " + folder + "/missing.oxrec\n"
            "Input: cannot open the recording " + folder + "\n"
            "Input: cannot open the recording " + fifo + "\n"
            "Input: " + p + " is not an input recording\n"
            "Input: " + p + " is not an input recording\n"
            "Input: " + p + " is not an input recording\n"
            "Input: " + p + " is a version 3 recording; this engine reads version 2\n");
  std::string cuts = out.substr(out.find("--cuts\n") + 7);
  cuts = cuts.substr(0, cuts.find("--damage\n"));
  EXPECT_EQ(oxtest::Count(cuts, "Input: the recording " + p + " ends early, before its first frame\n"),
            frameEnds[0] - 12);
  EXPECT_EQ(oxtest::Count(cuts, "Input: the recording " + p + " ends early; replaying its 1 complete frames\n"),
            frameEnds[1] - frameEnds[0]);
  EXPECT_EQ(oxtest::Count(cuts, "Input: the recording " + p + " ends early; replaying its 4 complete frames\n"),
            5u);
  EXPECT_EQ(oxtest::Count(cuts, "\n"), whole.bytes.size() - 12);
  std::string damage = out.substr(out.find("--damage\n") + 9);
  EXPECT_EQ(oxtest::Count(damage, "ends early; replaying its 2 complete frames\n"), 10u) << damage;
  EXPECT_EQ(oxtest::Count(damage, "ends early; replaying its 5 complete frames\n"), 1u) << damage;
  EXPECT_EQ(oxtest::Count(damage, "ends early; replaying its 4 complete frames\n"), 1u) << damage;
  EXPECT_EQ(oxtest::Count(damage, "\n"), 12u) << damage;
}

// Cases: stops without a start answer 0 silently; a second recording or a
// replay during one, and a recording during a replay, are refused with their
// line; null paths, a directory, a missing folder, a FIFO with no reader and
// a device are refused; the engine's exit completes a recording the game
// left running.
TEST(RecordReplay, CarelessCalls)
{
  std::string folder = oxtest::TempDir();
  std::string path = folder + "/careless.oxrec";
  std::string fifo = folder + "/fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  ChildResult result = WithEngine([&] {
    int wrong = 0;
    wrong += OxInputRecordStop() != 0;
    wrong += OxInputReplayStop() != 0;
    wrong += OxInputIsRecording() != 0 || OxInputIsReplaying() != 0;
    wrong += OxInputRecordStart(nullptr) != 0;
    wrong += OxInputReplayStart(nullptr) != 0;
    wrong += OxInputRecordStart(folder.c_str()) != 0;
    wrong += OxInputRecordStart((folder + "/no/such/folder.oxrec").c_str()) != 0;
    wrong += OxInputRecordStart(fifo.c_str()) != 0;
    wrong += OxInputRecordStart("/dev/null") != 0;
    wrong += OxInputRecordStart(path.c_str()) != 1;
    wrong += OxInputRecordStart(path.c_str()) != 0;
    wrong += OxInputReplayStart(path.c_str()) != 0;
    oxtest::RunFrame();
    wrong += OxInputRecordStop() != 1;
    wrong += OxInputReplayStart(path.c_str()) != 1;
    wrong += OxInputReplayStart(path.c_str()) != 0;
    wrong += OxInputRecordStart(path.c_str()) != 0;
    wrong += OxInputReplayStop() != 1;
    wrong += OxInputIsReplaying() != 0;
    // Left running: completed by the exit.
    wrong += OxInputRecordStart(path.c_str()) != 1;
    oxtest::RunFrame();
    oxtest::RunFrame();
    return wrong;
  });
  EXPECT_EQ(result.exitCode, 0) << result.out;
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.out,
            "Input: cannot record to (null)\n"
            "Input: cannot open the recording (null)\n"
            "Input: cannot record to " + folder + "\n"
            "Input: cannot record to " + folder + "/no/such/folder.oxrec\n"
            "Input: cannot record to " + fifo + "\n"
            "Input: cannot record to /dev/null\n"
            "Input: already recording\n"
            "Input: cannot replay during a recording\n"
            "Input: already replaying\n"
            "Input: cannot record during a replay\n");
  struct stat info;
  EXPECT_EQ(stat("/dev/null", &info), 0);
  EXPECT_TRUE(S_ISCHR(info.st_mode));
  // The recording left running is complete: two frames and the end record.
  std::string bytes = oxtest::ReadBytes(path);
  ASSERT_GE(bytes.size(), 5u);
  EXPECT_EQ(bytes.substr(bytes.size() - 5), std::string("E\x02\0\0\0", 5));
}

// Cases: with the file size limited, recording stops at the first write that
// fails, with one line; the stop then answers 0 silently; the frames written
// before replay (the file ends early).
TEST(RecordReplay, WriteFailureStopsTheRecording)
{
  std::string path = oxtest::TempDir() + "/full.oxrec";
  ChildResult result = WithEngine([&] {
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = {1000, 1000};
    setrlimit(RLIMIT_FSIZE, &limit);
    if (OxInputRecordStart(path.c_str()) != 1) return 1;
    int frames = 0;
    while (OxInputIsRecording() && frames < 100) {
      oxtest::RunFrame();
      ++frames;
    }
    if (OxInputIsRecording()) return 2;
    if (OxInputRecordStop() != 0) return 3;
    printf("--\n");
    OxInputReplayStart(path.c_str());
    printf("%d frames\n", CountReplayedFrames());
    return 0;
  });
  EXPECT_EQ(result.exitCode, 0) << result.out;
  EXPECT_EQ(result.err, "");
  // 12 header bytes, 34 for the snapshot before the first frame, 67 a frame.
  const int frames = (1000 - 12 - 34) / 67;
  EXPECT_EQ(result.out,
            "Input: writing the recording " + path + " failed; recording stopped\n--\n"
            "Input: the recording " + path + " ends early; replaying its " +
                std::to_string(frames) + " complete frames\n" + std::to_string(frames) + " frames\n");
}

}  // namespace
