// Input recording and replay: frames as the game was told them, written to a
// little-endian file as they are taken and read back one per frame. Leans on
// the platform's file layer. The format is described in docs/recording.md.
#include <math.h>
#include <stdio.h>
#include <string.h>

#include <string>

#include "OxInput.h"
#include "input/OxInputInternal.h"
#include "platform/OxPlatformFile.h"

// ---- Types -------------------------------------------------------------------

namespace {

// "OXREC", CR LF, end-of-file character: a text-mode transfer that touched
// line ends shows at once.
const unsigned char kMagic[8] = {'O', 'X', 'R', 'E', 'C', '\r', '\n', 0x1A};
const uint32_t kVersion = 1;
const size_t kHeaderSize = sizeof(kMagic) + 4;

// Record tags: the snapshot before the first frame, a frame, the end.
const unsigned char kTagInitial = 'I';
const unsigned char kTagFrame = 'F';
const unsigned char kTagEnd = 'E';

const uint32_t kPadMaskBits = (1u << OX_INPUT_GAMEPAD_MAX) - 1;
const uint32_t kButtonBits = (1u << OxInputGamepadButtonCount) - 1;
// Largest record: a frame with every pad.
const size_t kPadBytes = 4 + 4 * OxInputGamepadAxisCount;
const size_t kMaxRecordBytes = 1 + 8 + 8 + 16 + 1 + 32 + 1 + OX_INPUT_GAMEPAD_MAX * kPadBytes;

// A record being built or taken apart, little-endian throughout.
struct Bytes {
  unsigned char data[kMaxRecordBytes];
  size_t size = 0;

  void U8(unsigned int value) { data[size++] = static_cast<unsigned char>(value); }
  void U32(uint32_t value)
  {
    for (int i = 0; i < 4; ++i) U8((value >> (8 * i)) & 0xFF);
  }
  void U64(uint64_t value)
  {
    for (int i = 0; i < 8; ++i) U8(static_cast<unsigned int>((value >> (8 * i)) & 0xFF));
  }
  void F32(float value)
  {
    uint32_t bits;
    memcpy(&bits, &value, 4);
    U32(bits);
  }
  void F64(double value)
  {
    uint64_t bits;
    memcpy(&bits, &value, 8);
    U64(bits);
  }
  void Raw(const unsigned char* bytes, size_t count)
  {
    memcpy(data + size, bytes, count);
    size += count;
  }
};

// Reads fixed-size fields from a stream; any short read sets failed, after
// which every field reads 0.
struct Reader {
  FILE* file;
  bool failed = false;

  bool Take(unsigned char* out, size_t count)
  {
    if (!failed && fread(out, 1, count, file) != count) failed = true;
    if (failed) memset(out, 0, count);
    return !failed;
  }
  unsigned int U8()
  {
    unsigned char byte;
    Take(&byte, 1);
    return byte;
  }
  uint32_t U32()
  {
    unsigned char b[4];
    Take(b, 4);
    return static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
           static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24;
  }
  uint64_t U64()
  {
    uint64_t low = U32();
    uint64_t high = U32();
    return low | high << 32;
  }
  float F32()
  {
    uint32_t bits = U32();
    float value;
    memcpy(&value, &bits, 4);
    return value;
  }
  double F64()
  {
    uint64_t bits = U64();
    double value;
    memcpy(&value, &bits, 8);
    return value;
  }
};

// ---- Module state --------------------------------------------------------------

struct Recorder {
  FILE* file = nullptr;
  std::string path;
  uint32_t frames = 0;
};

struct Player {
  FILE* file = nullptr;
  std::string path;
  uint32_t framesLeft = 0;
  bool initialRead = false;
};

struct State {
  Recorder recorder;
  Player player;
};

State gState;

// ---- Encoding --------------------------------------------------------------------

void PutKeysAndPads(Bytes& out, const OxInputFrame& frame)
{
  out.Raw(frame.keys, sizeof(frame.keys));
  unsigned int mask = 0;
  for (int i = 0; i < OX_INPUT_GAMEPAD_MAX; ++i)
    if (frame.pads[i].connected) mask |= 1u << i;
  out.U8(mask);
  for (const OxInputPad& pad : frame.pads) {
    if (!pad.connected) continue;
    out.U32(pad.buttons);
    for (float axis : pad.axes) out.F32(axis);
  }
}

void PutInitial(Bytes& out, const OxInputFrame& previous)
{
  out.U8(kTagInitial);
  PutKeysAndPads(out, previous);
}

void PutFrame(Bytes& out, const OxInputFrame& frame)
{
  out.U8(kTagFrame);
  out.F64(frame.frameTime);
  out.F64(frame.frameRate);
  out.U32(static_cast<uint32_t>(frame.cursorX));
  out.U32(static_cast<uint32_t>(frame.cursorY));
  out.U32(static_cast<uint32_t>(frame.deltaX));
  out.U32(static_cast<uint32_t>(frame.deltaY));
  out.U8(frame.focus ? 1 : 0);
  PutKeysAndPads(out, frame);
}

// ---- Decoding --------------------------------------------------------------------

bool InRange(float value, float low, float high) { return value >= low && value <= high; }

// Keys and pads into frame; false when they are cut short or out of range.
bool TakeKeysAndPads(Reader& in, OxInputFrame* frame)
{
  in.Take(frame->keys, sizeof(frame->keys));
  uint32_t mask = in.U8();
  if (in.failed || (mask & ~kPadMaskBits)) return false;
  for (int i = 0; i < OX_INPUT_GAMEPAD_MAX; ++i) {
    OxInputPad& pad = frame->pads[i];
    pad = OxInputPad();
    if (!(mask & (1u << i))) continue;
    pad.connected = true;
    pad.buttons = in.U32();
    if (pad.buttons & ~kButtonBits) return false;
    for (int axis = 0; axis < OxInputGamepadAxisCount; ++axis) {
      pad.axes[axis] = in.F32();
      bool trigger = axis == OxInputGamepadAxisLeftTrigger || axis == OxInputGamepadAxisRightTrigger;
      if (!InRange(pad.axes[axis], trigger ? 0.0f : -1.0f, 1.0f)) return false;
    }
  }
  return !in.failed;
}

// The fields of a frame after its tag; false when cut short or out of range.
bool TakeFrame(Reader& in, OxInputFrame* frame)
{
  frame->frameTime = in.F64();
  frame->frameRate = in.F64();
  frame->cursorX = static_cast<int>(in.U32());
  frame->cursorY = static_cast<int>(in.U32());
  frame->deltaX = static_cast<int>(in.U32());
  frame->deltaY = static_cast<int>(in.U32());
  unsigned int focus = in.U8();
  frame->focus = focus ? 1 : 0;
  if (in.failed || focus > 1) return false;
  // A frame time is finite and not negative; a frame rate may be infinite
  // (after a frame of zero length) but is never negative or NaN.
  if (!(isfinite(frame->frameTime) && frame->frameTime >= 0.0)) return false;
  if (!(frame->frameRate >= 0.0)) return false;
  return TakeKeysAndPads(in, frame);
}

// How a recording's records read from the current position to the end.
struct Scan {
  uint32_t frames = 0;  // complete frames before the end or the damage
  bool complete = false;
};

Scan ScanRecords(FILE* file)
{
  Scan scan;
  Reader in{file};
  bool initialSeen = false;
  OxInputFrame frame;
  for (;;) {
    unsigned int tag = in.U8();
    if (in.failed) return scan;
    if (tag == kTagInitial && !initialSeen && scan.frames == 0) {
      if (!TakeKeysAndPads(in, &frame)) return scan;
      initialSeen = true;
    } else if (tag == kTagFrame && initialSeen) {
      if (!TakeFrame(in, &frame)) return scan;
      ++scan.frames;
    } else if (tag == kTagEnd) {
      uint32_t count = in.U32();
      scan.complete = !in.failed && count == scan.frames;
      return scan;
    } else {
      return scan;
    }
  }
}

// ---- Recorder and player ---------------------------------------------------------

// Writes a record; on failure the recording ends with its one line.
void WriteOrStop(const Bytes& record)
{
  Recorder& recorder = gState.recorder;
  if (fwrite(record.data, 1, record.size, recorder.file) == record.size &&
      fflush(recorder.file) == 0)
    return;
  printf("Input: writing the recording %s failed; recording stopped\n", recorder.path.c_str());
  fclose(recorder.file);
  recorder = Recorder();
}

void ClosePlayer()
{
  if (gState.player.file) fclose(gState.player.file);
  gState.player = Player();
}

}  // namespace

// ---- Functions -------------------------------------------------------------------

int OxInputRecordStart(const char* path)
{
  if (gState.recorder.file) {
    printf("Input: already recording\n");
    return 0;
  }
  if (gState.player.file) {
    printf("Input: cannot record during a replay\n");
    return 0;
  }
  FILE* file = OxPlatformOpenFileForWriting(path);
  if (!file) {
    printf("Input: cannot record to %s\n", path ? path : "(null)");
    return 0;
  }
  Bytes header;
  header.Raw(kMagic, sizeof(kMagic));
  header.U32(kVersion);
  if (fwrite(header.data, 1, header.size, file) != header.size || fflush(file) != 0) {
    fclose(file);
    OxPlatformRemoveFile(path);
    printf("Input: cannot record to %s\n", path);
    return 0;
  }
  gState.recorder.file = file;
  gState.recorder.path = path;
  gState.recorder.frames = 0;
  return 1;
}

void OxInputRecordFrame(const OxInputFrame& previous, const OxInputFrame& frame)
{
  if (!gState.recorder.file) return;
  Bytes record;
  if (gState.recorder.frames == 0) {
    PutInitial(record, previous);
    WriteOrStop(record);
    if (!gState.recorder.file) return;
    record.size = 0;
  }
  PutFrame(record, frame);
  WriteOrStop(record);
  if (gState.recorder.file) ++gState.recorder.frames;
}

int OxInputRecordStop(void)
{
  Recorder& recorder = gState.recorder;
  if (!recorder.file) return 0;
  Bytes end;
  end.U8(kTagEnd);
  end.U32(recorder.frames);
  bool written = fwrite(end.data, 1, end.size, recorder.file) == end.size;
  if (fflush(recorder.file) != 0 || ferror(recorder.file)) written = false;
  if (fclose(recorder.file) != 0) written = false;
  if (!written) printf("Input: writing the recording %s failed\n", recorder.path.c_str());
  recorder = Recorder();
  return written ? 1 : 0;
}

int OxInputIsRecording(void) { return gState.recorder.file ? 1 : 0; }

int OxInputReplayStart(const char* path)
{
  if (gState.player.file) {
    printf("Input: already replaying\n");
    return 0;
  }
  if (gState.recorder.file) {
    printf("Input: cannot replay during a recording\n");
    return 0;
  }
  FILE* file = OxPlatformOpenFileForReading(path);
  if (!file) {
    printf("Input: cannot open the recording %s\n", path ? path : "(null)");
    return 0;
  }
  Reader in{file};
  unsigned char magic[sizeof(kMagic)];
  in.Take(magic, sizeof(magic));
  uint32_t version = in.U32();
  if (in.failed || memcmp(magic, kMagic, sizeof(kMagic)) != 0 || version == 0) {
    fclose(file);
    printf("Input: %s is not an input recording\n", path);
    return 0;
  }
  if (version > kVersion) {
    fclose(file);
    printf("Input: %s is a version %u recording; this engine reads version %u\n", path,
           static_cast<unsigned int>(version), static_cast<unsigned int>(kVersion));
    return 0;
  }
  Scan scan = ScanRecords(file);
  if (!scan.complete && scan.frames == 0) {
    fclose(file);
    printf("Input: the recording %s ends early, before its first frame\n", path);
    return 0;
  }
  if (fseek(file, static_cast<long>(kHeaderSize), SEEK_SET) != 0) {
    fclose(file);
    printf("Input: cannot open the recording %s\n", path);
    return 0;
  }
  gState.player.file = file;
  gState.player.path = path;
  gState.player.framesLeft = scan.frames;
  gState.player.initialRead = false;
  if (!scan.complete) {
    printf("Input: the recording %s ends early; replaying its %u complete frames\n", path,
           static_cast<unsigned int>(scan.frames));
    return 0;
  }
  return 1;
}

bool OxInputReplayNextFrame(OxInputFrame* previous, OxInputFrame* frame)
{
  Player& player = gState.player;
  if (!player.file) return false;
  if (player.framesLeft == 0) {
    ClosePlayer();
    return false;
  }
  Reader in{player.file};
  bool read = true;
  if (!player.initialRead) {
    read = in.U8() == kTagInitial && TakeKeysAndPads(in, previous);
    player.initialRead = true;
  }
  read = read && in.U8() == kTagFrame && TakeFrame(in, frame);
  if (!read) {
    // The file changed after it was checked.
    printf("Input: the recording %s could not be read; replay stopped\n", player.path.c_str());
    ClosePlayer();
    return false;
  }
  --player.framesLeft;
  return true;
}

int OxInputReplayStop(void)
{
  if (!gState.player.file) return 0;
  ClosePlayer();
  return 1;
}

int OxInputIsReplaying(void) { return gState.player.file ? 1 : 0; }

void OxInputRecordingsClose()
{
  if (gState.recorder.file) OxInputRecordStop();
  ClosePlayer();
}
