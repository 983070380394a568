// Input recording and replay: frames as the game was told them, written to a
// little-endian file as they are taken and read back one per frame. Leans on
// the platform's file layer. The format is described in docs/recording.md.
#include <math.h>
#include <stdio.h>
#include <string.h>

#include <string>

#include "OxInput.h"
#include "diagnostics/OxDiagnostics.h"
#include "input/OxInputInternal.h"
#include "platform/OxPlatformFile.h"
#include "text/OxUtf8.h"

// ---- Types -------------------------------------------------------------------

namespace {

// "OXREC", CR LF, end-of-file character: a text-mode transfer that touched
// line ends shows at once.
const unsigned char kMagic[8] = {'O', 'X', 'R', 'E', 'C', '\r', '\n', 0x1A};
// The newest version read. Recordings are written as version 1 until they
// first need a record that version 1 lacks; the header then says 2, so a
// recording without taps, wheel turns or typed text reads in older engines.
const uint32_t kVersion = 2;
const size_t kHeaderSize = sizeof(kMagic) + 4;
const long kVersionOffset = sizeof(kMagic);

// Record tags: the snapshot before the first frame, a frame, the end.
const unsigned char kTagInitial = 'I';
const unsigned char kTagFrame = 'F';
const unsigned char kTagEnd = 'E';
// Version 2 records that follow the record they add to, when there is
// something to add, in this order: the keys tapped (after the initial record
// or a frame), the wheel's turns and the typed text (after a frame).
const unsigned char kTagTaps = 'T';
const unsigned char kTagWheel = 'W';
const unsigned char kTagText = 'C';
const size_t kMostTextBytes = OX_INPUT_TYPED_TEXT_MAX - 1;
static_assert(kMostTextBytes <= 255, "a text record's length is one byte");

const uint32_t kPadMaskBits = (1u << OX_INPUT_GAMEPAD_MAX) - 1;
const uint32_t kButtonBits = (1u << OxInputGamepadButtonCount) - 1;
const size_t kPadBytes = 4 + 4 * OxInputGamepadAxisCount;
// Largest record: a frame with every pad, its taps, wheel turns and text.
const size_t kMaxRecordBytes = 1 + 8 + 8 + 16 + 1 + 32 + 1 + OX_INPUT_GAMEPAD_MAX * kPadBytes +
                               (1 + 32) + (1 + 8) + (1 + 1 + kMostTextBytes);

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
  uint32_t version = 1;  // as the header says
};

struct Player {
  FILE* file = nullptr;
  std::string path;
  uint32_t version = 0;
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

bool AnyBit(const unsigned char* bits, size_t count)
{
  for (size_t i = 0; i < count; ++i)
    if (bits[i]) return true;
  return false;
}

// The version 2 records that the snapshot needs; true when there were any.
bool PutAdditions(Bytes& out, const OxInputFrame& frame, bool initial)
{
  size_t before = out.size;
  if (AnyBit(frame.taps, sizeof(frame.taps))) {
    out.U8(kTagTaps);
    out.Raw(frame.taps, sizeof(frame.taps));
  }
  if (initial) return out.size != before;
  if (frame.wheelY || frame.wheelX) {
    out.U8(kTagWheel);
    out.U32(static_cast<uint32_t>(frame.wheelY));
    out.U32(static_cast<uint32_t>(frame.wheelX));
  }
  size_t length = strnlen(frame.text, kMostTextBytes);
  if (length) {
    out.U8(kTagText);
    out.U8(static_cast<unsigned int>(length));
    out.Raw(reinterpret_cast<const unsigned char*>(frame.text), length);
  }
  return out.size != before;
}

// The initial record; true when it needs version 2.
bool PutInitial(Bytes& out, const OxInputFrame& previous)
{
  out.U8(kTagInitial);
  PutKeysAndPads(out, previous);
  return PutAdditions(out, previous, true);
}

// A frame record; true when it needs version 2.
bool PutFrame(Bytes& out, const OxInputFrame& frame)
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
  return PutAdditions(out, frame, false);
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

// Whether text, zero at text[length], is what typed text can be: UTF-8
// without overlong forms or surrogates, and no control character (the zero
// stops decoding inside a sequence cut short).
bool IsTypedText(const unsigned char* text, size_t length)
{
  const unsigned char* at = text;
  unsigned int code;
  while (at < text + length)
    if (!OxUtf8Decode(&at, &code) || !OxInputIsTypedCharacter(code)) return false;
  return true;
}

// The version 2 records that may follow a snapshot's record, read into
// frame (emptied first); false when one is cut short or out of range. A tag
// that is not next in their order is left for the next record.
bool TakeAdditions(Reader& in, OxInputFrame* frame, bool initial, uint32_t version)
{
  memset(frame->taps, 0, sizeof(frame->taps));
  frame->wheelY = frame->wheelX = 0;
  frame->text[0] = '\0';
  if (version < 2 || in.failed) return !in.failed;
  const unsigned char order[] = {kTagTaps, kTagWheel, kTagText};
  const size_t allowed = initial ? 1 : sizeof(order);
  size_t next = 0;
  for (;;) {
    int tag = fgetc(in.file);
    if (tag == EOF) return true;  // the next record's read finds the end
    size_t which = next;
    while (which < allowed && order[which] != tag) ++which;
    if (which == allowed) {
      ungetc(tag, in.file);
      return true;
    }
    next = which + 1;
    if (tag == kTagTaps) {
      in.Take(frame->taps, sizeof(frame->taps));
    } else if (tag == kTagWheel) {
      frame->wheelY = static_cast<int>(in.U32());
      frame->wheelX = static_cast<int>(in.U32());
    } else {
      size_t length = in.U8();
      unsigned char* text = reinterpret_cast<unsigned char*>(frame->text);
      if (length == 0 || !in.Take(text, length)) return false;
      frame->text[length] = '\0';
      if (!IsTypedText(text, length)) return false;
    }
    if (in.failed) return false;
  }
}

// The initial record after its tag; false when cut short or out of range.
bool TakeInitial(Reader& in, OxInputFrame* frame, uint32_t version)
{
  return TakeKeysAndPads(in, frame) && TakeAdditions(in, frame, true, version);
}

// The fields of a frame after its tag; false when cut short or out of range.
bool TakeFrame(Reader& in, OxInputFrame* frame, uint32_t version)
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
  return TakeKeysAndPads(in, frame) && TakeAdditions(in, frame, false, version);
}

// How a recording's records read from the current position to the end.
struct Scan {
  uint32_t frames = 0;  // complete frames before the end or the damage
  bool complete = false;
};

Scan ScanRecords(FILE* file, uint32_t version)
{
  Scan scan;
  Reader in{file};
  bool initialSeen = false;
  OxInputFrame frame;
  for (;;) {
    unsigned int tag = in.U8();
    if (in.failed) return scan;
    if (tag == kTagInitial && !initialSeen && scan.frames == 0) {
      if (!TakeInitial(in, &frame, version)) return scan;
      initialSeen = true;
    } else if (tag == kTagFrame && initialSeen) {
      if (!TakeFrame(in, &frame, version)) return scan;
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

// Raises the header's version to 2 in place, before the first record that
// needs it is written; false when that fails.
bool RaiseVersion()
{
  Recorder& recorder = gState.recorder;
  Bytes version;
  version.U32(2);
  bool raised = fseek(recorder.file, kVersionOffset, SEEK_SET) == 0 &&
                fwrite(version.data, 1, version.size, recorder.file) == version.size &&
                fflush(recorder.file) == 0;
  if (fseek(recorder.file, 0, SEEK_END) != 0) raised = false;
  if (raised) recorder.version = 2;
  return raised;
}

// Writes a record (raising the version first when it needs version 2); on
// failure the recording ends with its one line.
void WriteOrStop(const Bytes& record, bool needsVersion2)
{
  Recorder& recorder = gState.recorder;
  bool versionReady = !needsVersion2 || recorder.version >= 2 || RaiseVersion();
  if (versionReady && fwrite(record.data, 1, record.size, recorder.file) == record.size &&
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
    OxDiagPrintFailure("Input: already recording\n");
    return 0;
  }
  if (gState.player.file) {
    OxDiagPrintFailure("Input: cannot record during a replay\n");
    return 0;
  }
  FILE* file = OxPlatformOpenFileForWriting(path);
  if (!file) {
    OxDiagPrintFailure("Input: cannot record to %s\n", path ? path : "(null)");
    return 0;
  }
  Bytes header;
  header.Raw(kMagic, sizeof(kMagic));
  header.U32(1);
  if (fwrite(header.data, 1, header.size, file) != header.size || fflush(file) != 0) {
    fclose(file);
    OxPlatformRemoveFile(path);
    OxDiagPrintFailure("Input: cannot record to %s\n", path);
    return 0;
  }
  gState.recorder.file = file;
  gState.recorder.path = path;
  gState.recorder.frames = 0;
  gState.recorder.version = 1;
  return 1;
}

void OxInputRecordFrame(const OxInputFrame& previous, const OxInputFrame& frame)
{
  if (!gState.recorder.file) return;
  Bytes record;
  if (gState.recorder.frames == 0) {
    bool needsVersion2 = PutInitial(record, previous);
    WriteOrStop(record, needsVersion2);
    if (!gState.recorder.file) return;
    record.size = 0;
  }
  bool needsVersion2 = PutFrame(record, frame);
  WriteOrStop(record, needsVersion2);
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
    OxDiagPrintFailure("Input: already replaying\n");
    return 0;
  }
  if (gState.recorder.file) {
    OxDiagPrintFailure("Input: cannot replay during a recording\n");
    return 0;
  }
  FILE* file = OxPlatformOpenFileForReading(path);
  if (!file) {
    OxDiagPrintFailure("Input: cannot open the recording %s\n", path ? path : "(null)");
    return 0;
  }
  Reader in{file};
  unsigned char magic[sizeof(kMagic)];
  in.Take(magic, sizeof(magic));
  uint32_t version = in.U32();
  if (in.failed || memcmp(magic, kMagic, sizeof(kMagic)) != 0 || version == 0) {
    fclose(file);
    OxDiagPrintFailure("Input: %s is not an input recording\n", path);
    return 0;
  }
  if (version > kVersion) {
    fclose(file);
    OxDiagPrintFailure("Input: %s is a version %u recording; this engine reads version %u\n",
                       path, static_cast<unsigned int>(version),
                       static_cast<unsigned int>(kVersion));
    return 0;
  }
  Scan scan = ScanRecords(file, version);
  if (!scan.complete && scan.frames == 0) {
    fclose(file);
    OxDiagPrintFailure("Input: the recording %s ends early, before its first frame\n", path);
    return 0;
  }
  if (fseek(file, static_cast<long>(kHeaderSize), SEEK_SET) != 0) {
    fclose(file);
    OxDiagPrintFailure("Input: cannot open the recording %s\n", path);
    return 0;
  }
  gState.player.file = file;
  gState.player.path = path;
  gState.player.version = version;
  gState.player.framesLeft = scan.frames;
  gState.player.initialRead = false;
  if (!scan.complete) {
    OxDiagPrintFailure("Input: the recording %s ends early; replaying its %u complete frames\n",
                       path, static_cast<unsigned int>(scan.frames));
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
    read = in.U8() == kTagInitial && TakeInitial(in, previous, player.version);
    player.initialRead = true;
  }
  read = read && in.U8() == kTagFrame && TakeFrame(in, frame, player.version);
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
