// Mixer core: systems, groups, sounds, streams and channels, and the mix that
// the device (or a test) pulls: each channel filtered to the output rate,
// with ramps on changes when the system asks for them. Leans on the
// decoder and device declared in OxMixerInternal.h and on the rate
// converter of OxMixerResampler.h.
#include <math.h>
#include <string.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include "mixer/OxMixerInternal.h"
#include "mixer/OxMixerResampler.h"

namespace {

// --- Types -------------------------------------------------------------------
struct System;

struct Group {
  uint64_t id = 0;
  System* system = nullptr;
  float volume = 1.0f;
  float pitch = 1.0f;
  bool paused = false;
};

// A stream's decoded frames wait in a ring ahead of the channel. Frames are
// counted from the last restart: [readPosition, writePosition) are decoded
// and still needed (readPosition trails the channel by the reach of the rate
// converter). The decoder runs on past the end of the file from its start
// again, so a looping channel finds its next pass already there.
struct Stream {
  std::mutex decodeLock;  // held while the file is read; taken before gMixer.lock
  OxMixerDecoder* decoder = nullptr;
  std::vector<float> ring;  // stereo frames
  uint64_t capacity = 0;    // frames
  uint64_t writePosition = 0;
  uint64_t readPosition = 0;
  int64_t passFrames = 0;   // frames decoded in the current pass over the file
  int64_t length = -1;      // frames in the file, -1 until its end was decoded
  bool failed = false;      // a read error or an empty file: no more frames
  // The ring starts at the file's first frame and no channel has read it:
  // the next play needs no restart.
  bool fresh = true;
  // Frames decoded in place by a load or a restart.
  int64_t startFrames = 0;
  float firstFrame[2] = {0.0f, 0.0f};  // the file's first and last frames,
  float lastFrame[2] = {0.0f, 0.0f};   // held before and after the sound
  std::vector<float> scratch;  // the decoder's chunk, used outside gMixer.lock
};

struct Sound {
  uint64_t id = 0;
  System* system = nullptr;
  int rate = kOxMixerOutputRate;
  std::vector<float> frames;  // stereo, a whole sound
  int64_t length = 0;         // frames of a whole sound
  std::unique_ptr<Stream> stream;
};

struct Channel {
  uint64_t id = 0;  // 0: a free slot
  uint64_t startOrder = 0;
  Sound* sound = nullptr;
  Group* group = nullptr;
  float volume = 1.0f;
  float pitch = 1.0f;
  unsigned loopMode = OX_MIXER_LOOP_OFF;
  int loopCount = -1;
  bool paused = false;
  double position = 0.0;      // frames into the current pass
  uint64_t passStart = 0;     // stream frame where the current pass began
  int64_t passesPlayed = 0;   // passes finished before the current one
  // What the channel plays with now. On a ramped system a change moves the
  // gain (along an S-curve from gainFrom) and the step (source frames per
  // output frame, in a straight line) towards their targets over the frames
  // left; before the channel first sounds they are simply set.
  bool sounding = false;
  float gain = 0.0f, gainFrom = 0.0f, gainTarget = 0.0f;
  int gainFrames = 0;
  double step = 0.0, stepTarget = 0.0, stepChange = 0.0;
  int stepFrames = 0;
};

// The fade-out of a channel that was stopped, taken over, or whose sound
// was released on a ramped system: rendered when the channel ends, played
// out after it.
struct Ghost {
  std::vector<float> frames;  // kOxMixerRampFrames stereo frames
  int played = kOxMixerRampFrames;
};

struct System {
  uint64_t id = 0;
  bool initialized = false;
  bool withoutDevice = false;
  bool ramped = false;
  Group* master = nullptr;
  std::vector<Channel> channels;
  std::vector<Ghost> ghosts;
  uint64_t startCounter = 0;
  // The source frames one channel reads for one stretch of output, planar,
  // and the gain of each output frame while the channel's gain ramps.
  std::vector<float> windowLeft, windowRight;
  std::vector<float> gains;
  OxMixerDevice* device = nullptr;
  // With a device, a small thread decodes streams ahead between game frames,
  // so a slow frame does not starve the device.
  std::thread decoder;
  std::mutex decoderWakeLock;
  std::condition_variable decoderWake;
  bool decoderStop = false;
  bool decoderWanted = false;
};

// --- Module state ------------------------------------------------------------
// One lock guards every object; the device thread takes it for one mix.
// The state is never destroyed: a game may exit (or a fatal report end the
// process) while the device and decoder threads still run, and they must
// find their lock and objects alive until the process is gone.
struct MixerState {
  std::mutex lock;
  // Ids start far from small numbers and from heap and stack addresses, so a
  // made-up or stale pointer is never taken for a live object; with 32-bit
  // pointers (the browser's, whose memory stays below 2 GiB) they start above
  // every address, and a handle carries the whole id either way.
  uint64_t nextId = sizeof(uintptr_t) >= 8 ? 0x4F58000000000001ull : 0xC0000001ull;
  std::unordered_map<uint64_t, std::unique_ptr<System>> systems;
  std::unordered_map<uint64_t, std::unique_ptr<Group>> groups;
  std::unordered_map<uint64_t, std::shared_ptr<Sound>> sounds;
};
MixerState& gMixer = *new MixerState;

constexpr int kMostChannels = 4095;
constexpr int64_t kStreamChunkFrames = 4096;
// Frames decoded on the game's thread when a stream is loaded or restarted,
// at 48 kHz (more for faster files, in proportion); the decoder thread
// decodes the rest.
constexpr int64_t kFirstStreamFrames = 2048;
constexpr std::chrono::milliseconds kDecoderPeriod(20);
// Output frames rendered from one source window.
constexpr int kBlockFrames = 256;
// Source frames one window holds: enough for the widest kernel and a block
// at ordinary rates; faster reading takes shorter blocks.
constexpr int kWindowFrames = 8192;
// Frames a stream keeps behind its channel for the converter to reach back.
constexpr uint64_t kStreamHistoryFrames = 2 * kOxMixerKernelMostHalfTaps + 2;
// Fade-outs that can sound at once; beyond that the one nearest its end is cut.
constexpr int kGhostCount = 64;
// Source samples beyond this magnitude are clipped to it and non-numbers
// become silence: no file can fill the mix with NaNs or overflow the filter.
constexpr float kMostSample = 64.0f;

// The highest pitch a channel plays at: six octaves up. Beyond it nothing
// audible is left, and the bound keeps the play position finite.
constexpr float kMostPitch = 64.0f;

// --- Handles -----------------------------------------------------------------
template <typename Handle>
Handle* ToHandle(uint64_t id)
{
  return reinterpret_cast<Handle*>(static_cast<uintptr_t>(id));
}

template <typename Handle>
uint64_t ToId(Handle* handle)
{
  return static_cast<uint64_t>(reinterpret_cast<uintptr_t>(handle));
}

// The lookups below expect gMixer.lock held; they answer null for a handle
// the mixer does not know.
System* FindSystem(OxMixerSystem* handle)
{
  auto found = gMixer.systems.find(ToId(handle));
  return found == gMixer.systems.end() ? nullptr : found->second.get();
}

System* FindRunningSystem(OxMixerSystem* handle)
{
  System* system = FindSystem(handle);
  return system && system->initialized ? system : nullptr;
}

Group* FindGroup(OxMixerGroup* handle)
{
  auto found = gMixer.groups.find(ToId(handle));
  return found == gMixer.groups.end() ? nullptr : found->second.get();
}

std::shared_ptr<Sound> FindSound(OxMixerSound* handle)
{
  auto found = gMixer.sounds.find(ToId(handle));
  return found == gMixer.sounds.end() ? nullptr : found->second;
}

Channel* FindChannel(OxMixerChannel* handle)
{
  uint64_t id = ToId(handle);
  if (id == 0) return nullptr;
  for (auto& entry : gMixer.systems)
    for (Channel& channel : entry.second->channels)
      if (channel.id == id) return &channel;
  return nullptr;
}

void EndChannel(Channel& channel)
{
  channel.id = 0;
  channel.sound = nullptr;
  channel.group = nullptr;
}

float SaneSample(float value)
{
  if (value > kMostSample) return kMostSample;
  if (value < -kMostSample) return -kMostSample;
  return value == value ? value : 0.0f;
}

// --- What a channel plays with ------------------------------------------------
struct Targets {
  float gain;
  double step;  // source frames per output frame
  bool paused;
};

Targets TargetsOf(const System& system, const Channel& channel)
{
  const Group& group = *channel.group;
  float gain = channel.volume * group.volume;
  float pitch = channel.pitch * group.pitch;
  if (&group != system.master) {
    gain *= system.master->volume;
    pitch *= system.master->pitch;
  }
  // A volume that is not a number or infinite silences the channel rather
  // than turning the whole mix into NaNs; a pitch that is not a number holds
  // the channel still, and one beyond kMostPitch plays at kMostPitch, so the
  // position stays finite and a looping channel wraps in bounded time.
  if (!isfinite(gain)) gain = 0.0f;
  if (pitch > kMostPitch) pitch = kMostPitch;
  Targets targets;
  targets.gain = gain;
  targets.step = pitch > 0.0f ? static_cast<double>(pitch) * channel.sound->rate / kOxMixerOutputRate : 0.0;
  targets.paused = channel.paused || group.paused || system.master->paused;
  return targets;
}

// Sets the channel's gain and step for the next mix: at once on a plain
// system or a channel that has not sounded yet, else as ramps towards the
// targets. False when the channel is paused and silent: it holds still.
bool Steer(const System& system, Channel& channel)
{
  Targets targets = TargetsOf(system, channel);
  if (!system.ramped) {
    channel.gain = channel.gainTarget = targets.gain;
    channel.step = channel.stepTarget = targets.step;
    return !targets.paused;
  }
  if (!channel.sounding) {
    if (targets.paused) return false;
    channel.sounding = true;
    channel.gain = channel.gainTarget = targets.gain;
    channel.step = channel.stepTarget = targets.step;
    channel.gainFrames = channel.stepFrames = 0;
    return true;
  }
  float gain = targets.paused ? 0.0f : targets.gain;
  if (gain != channel.gainTarget) {
    channel.gainFrom = channel.gain;
    channel.gainTarget = gain;
    channel.gainFrames = kOxMixerRampFrames;
  }
  if (targets.step != channel.stepTarget) {
    channel.stepTarget = targets.step;
    channel.stepChange = (targets.step - channel.step) / kOxMixerRampFrames;
    channel.stepFrames = kOxMixerRampFrames;
  }
  return !(targets.paused && channel.gainFrames == 0);
}

// The gains of the next frames of a channel's gain ramp. The ramp follows
// 3t^2 - 2t^3, level at both ends, so the gain's own change never adds a
// step at the moment the ramp starts or ends, and reaches its target exactly.
void RampGains(const Channel& channel, int frameCount, float* gains)
{
  int done = kOxMixerRampFrames - channel.gainFrames;
  float span = channel.gainTarget - channel.gainFrom;
  for (int i = 0; i < frameCount; ++i) {
    int at = done + i + 1;
    if (at >= kOxMixerRampFrames) {
      gains[i] = channel.gainTarget;
      continue;
    }
    float t = static_cast<float>(at) / kOxMixerRampFrames;
    gains[i] = channel.gainFrom + span * (t * t * (3.0f - 2.0f * t));
  }
}

// The kernel level a channel needs now and until its ramps end.
int KernelLevelOf(const System& system, const Channel& channel)
{
  double step = TargetsOf(system, channel).step;
  if (channel.sounding && channel.step > step) step = channel.step;
  return OxMixerKernelLevel(step);
}

// --- Reading a channel's source (gMixer.lock held) ---------------------------
// Source frames are counted from the start of the channel's current pass.
// [start, end) holds real frames: earlier passes that were played (as far
// back as a kernel reaches), the current one, and the passes its loops still
// promise. Before start the sound's first frame is held, from end on its
// last, so a sound starts and ends as it would without rate conversion.
struct Extent {
  int64_t start;
  int64_t end;  // INT64_MAX: endless (or a stream whose end is not known yet)
};

int64_t LengthOf(const Sound& sound) { return sound.stream ? sound.stream->length : sound.length; }

Extent ExtentOf(const Sound& sound, const Channel& channel)
{
  Extent extent = {0, INT64_MAX};
  int64_t length = LengthOf(sound);
  if (length <= 0) return extent;
  int64_t reachPasses = kOxMixerKernelMostHalfTaps / length + 2;
  extent.start = -std::min(channel.passesPlayed, reachPasses) * length;
  bool looping = channel.loopMode == OX_MIXER_LOOP_NORMAL && channel.loopCount != 0;
  if (!looping) {
    extent.end = length;
  } else if (channel.loopCount > 0) {
    int64_t passes = static_cast<int64_t>(channel.loopCount) + 1;
    extent.end = passes > INT64_MAX / length ? INT64_MAX : passes * length;
  }
  return extent;
}

void Hold(const float* frame, int count, float* left, float* right)
{
  for (int i = 0; i < count; ++i) {
    left[i] = frame[0];
    right[i] = frame[1];
  }
}

void Deinterleave(const float* frames, int count, float* left, float* right)
{
  for (int i = 0; i < count; ++i) {
    left[i] = frames[2 * i];
    right[i] = frames[2 * i + 1];
  }
}

// Copies source frames [first, first + count) into left and right. A stream
// must have decoded every real frame of the range.
void ReadSource(const Sound& sound, const Channel& channel, const Extent& extent, int64_t first,
                int count, float* left, float* right)
{
  const Stream* stream = sound.stream.get();
  const float* firstFrame = stream ? stream->firstFrame : sound.frames.data();
  const float* lastFrame = stream ? stream->lastFrame : &sound.frames[2 * static_cast<size_t>(sound.length - 1)];
  int64_t at = first;
  while (count > 0) {
    int run;
    if (at < extent.start) {
      run = static_cast<int>(std::min<int64_t>(count, extent.start - at));
      Hold(firstFrame, run, left, right);
    } else if (at >= extent.end) {
      run = count;
      Hold(lastFrame, run, left, right);
    } else {
      int64_t runEnd = std::min<int64_t>(at + count, extent.end);
      if (stream) {
        uint64_t index = (channel.passStart + static_cast<uint64_t>(at)) % stream->capacity;
        run = static_cast<int>(std::min<int64_t>(runEnd - at, static_cast<int64_t>(stream->capacity - index)));
        Deinterleave(&stream->ring[2 * index], run, left, right);
      } else {
        int64_t index = at % sound.length;
        if (index < 0) index += sound.length;
        run = static_cast<int>(std::min<int64_t>(runEnd - at, sound.length - index));
        Deinterleave(&sound.frames[2 * static_cast<size_t>(index)], run, left, right);
      }
    }
    at += run;
    left += run;
    right += run;
    count -= run;
  }
}

// Moves the channel's position into its current pass: every whole pass it
// has run past at once (many when a short sound plays at a high pitch),
// bounded by the passes its loop count has left. False when it has run past
// its last pass: the channel has ended.
bool EnterPass(Channel& channel, int64_t length)
{
  if (length <= 0 || channel.position < static_cast<double>(length)) return true;
  if (channel.loopMode != OX_MIXER_LOOP_NORMAL || channel.loopCount == 0) return false;
  int64_t passes = static_cast<int64_t>(channel.position / static_cast<double>(length));
  if (passes < 1) passes = 1;
  if (channel.loopCount > 0 && passes > channel.loopCount) passes = channel.loopCount;
  channel.position -= static_cast<double>(passes) * static_cast<double>(length);
  if (channel.position < 0.0) channel.position = 0.0;
  channel.passStart += static_cast<uint64_t>(passes) * static_cast<uint64_t>(length);
  channel.passesPlayed += passes;
  if (channel.loopCount > 0) channel.loopCount -= static_cast<int>(passes);
  return channel.position < static_cast<double>(length) || channel.loopCount != 0;
}

// --- Mixing (gMixer.lock held; no allocation, no file access) ---------------
// Adds up to frameCount frames of the channel to out, block by block: each
// block reads the source frames its kernel reaches into the system's window
// and filters them. Ends the channel when it runs past its last pass; holds
// it where a stream has not been decoded yet, or where a ramp to silence of
// a paused channel ended.
void MixChannel(System& system, Channel& channel, float* out, int frameCount)
{
  if (!Steer(system, channel)) return;
  Sound& sound = *channel.sound;
  Stream* stream = sound.stream.get();
  int done = 0;
  while (done < frameCount) {
    if (system.ramped && channel.gainTarget == 0.0f && channel.gainFrames == 0 &&
        TargetsOf(system, channel).paused)
      break;
    if (!EnterPass(channel, LengthOf(sound))) {
      EndChannel(channel);
      return;
    }
    int frames = std::min(frameCount - done, kBlockFrames);
    if (channel.gainFrames > 0) frames = std::min(frames, channel.gainFrames);
    if (channel.stepFrames > 0) frames = std::min(frames, channel.stepFrames);
    double stepEnd = channel.stepFrames > 0 ? channel.stepTarget : channel.step;
    double stepMost = std::max(channel.step, stepEnd);
    // One source frame per output frame from a whole position needs no
    // filter: the frames are copied as they are.
    bool copying = channel.step == 1.0 && channel.stepFrames == 0 &&
                   channel.position == floor(channel.position);
    const OxMixerKernel* kernel = copying ? nullptr : OxMixerKernelFind(OxMixerKernelLevel(stepMost));
    int64_t reach = kernel ? kernel->taps / 2 + 1 : 1;
    // The window: from reach frames before the block's first position to
    // reach frames after its last (which stepMost bounds from above).
    int64_t first = static_cast<int64_t>(floor(channel.position)) - reach;
    double room = kWindowFrames - 2.0 * reach - 2.0;
    if (stepMost > 0.0 && (frames - 1) * stepMost > room) frames = static_cast<int>(room / stepMost) + 1;
    Extent extent = ExtentOf(sound, channel);
    if (stream) {
      // Real frames the block would read must be decoded already.
      int64_t decodedEnd = static_cast<int64_t>(stream->writePosition - channel.passStart);
      int64_t needed = static_cast<int64_t>(floor(channel.position + (frames - 1) * stepMost)) + reach + 1;
      if (std::min(needed, extent.end) > decodedEnd) {
        double fit = static_cast<double>(decodedEnd - 1 - reach) - channel.position;
        int fitting = fit < 0.0 ? 0 : stepMost > 0.0 ? static_cast<int>(std::min(fit / stepMost, frames - 1.0)) + 1 : frames;
        if (fitting <= 0) {
          // Not decoded yet: hold still (a damaged stream ends here).
          if (stream->failed) EndChannel(channel);
          break;
        }
        frames = fitting;
      }
    }
    int64_t last = static_cast<int64_t>(floor(channel.position + (frames - 1) * stepMost)) + reach;
    ReadSource(sound, channel, extent, first, static_cast<int>(last - first + 1), system.windowLeft.data(),
               system.windowRight.data());
    OxMixerResampleMotion motion;
    motion.position = channel.position - static_cast<double>(first);
    motion.step = channel.step;
    motion.stepChange = channel.stepFrames > 0 ? channel.stepChange : 0.0;
    const float* gains = nullptr;
    if (channel.gainFrames > 0) {
      RampGains(channel, frames, system.gains.data());
      gains = system.gains.data();
    }
    double limit = extent.end == INT64_MAX ? HUGE_VAL : static_cast<double>(extent.end - first);
    int made = OxMixerResample(kernel, system.windowLeft.data(), system.windowRight.data(), &motion, limit,
                               channel.gain, gains, out + 2 * done, frames);
    channel.position = motion.position + static_cast<double>(first);
    channel.step = motion.step;
    if (gains && made > 0) {
      channel.gain = gains[made - 1];
      channel.gainFrames -= made;
    }
    if (channel.stepFrames > 0 && (channel.stepFrames -= made) == 0) channel.step = channel.stepTarget;
    done += made;
    if (made < frames) {
      // The position reached the end of the last pass.
      EndChannel(channel);
      return;
    }
  }
  if (stream) {
    // The converter reaches back from the position; the ring keeps that.
    uint64_t at = channel.passStart + static_cast<uint64_t>(channel.position);
    uint64_t needed = at > kStreamHistoryFrames ? at - kStreamHistoryFrames : 0;
    if (needed > stream->readPosition) stream->readPosition = std::min(needed, stream->writePosition);
  }
}

// Renders the fade-out of a channel about to end on a ramped system into a
// ghost, which the mix then plays out: the channel as if paused now.
void FadeOut(System& system, const Channel& channel)
{
  if (!system.ramped || channel.id == 0 || !channel.sounding) return;
  if (channel.gain == 0.0f && channel.gainFrames == 0) return;
  Ghost* slot = &system.ghosts[0];
  for (Ghost& ghost : system.ghosts)
    if (ghost.played > slot->played) slot = &ghost;
  Channel fading = channel;
  fading.paused = true;
  std::fill(slot->frames.begin(), slot->frames.end(), 0.0f);
  MixChannel(system, fading, slot->frames.data(), kOxMixerRampFrames);
  slot->played = 0;
}

// Ends a channel, fading it out first on a ramped system.
void StopChannel(System& system, Channel& channel)
{
  FadeOut(system, channel);
  EndChannel(channel);
}

void MixSystem(System& system, float* out, int frameCount)
{
  memset(out, 0, sizeof(float) * 2 * static_cast<size_t>(frameCount));
  if (!system.ramped && system.master->paused) return;
  for (Channel& channel : system.channels)
    if (channel.id != 0) MixChannel(system, channel, out, frameCount);
  for (Ghost& ghost : system.ghosts) {
    int frames = std::min(frameCount, kOxMixerRampFrames - ghost.played);
    const float* from = &ghost.frames[2 * static_cast<size_t>(ghost.played)];
    for (int i = 0; i < 2 * frames; ++i) out[i] += from[i];
    ghost.played += frames;
  }
}

void RenderForDevice(void* user, float* out, int frameCount)
{
  uint64_t systemId = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(user));
  std::lock_guard<std::mutex> hold(gMixer.lock);
  auto found = gMixer.systems.find(systemId);
  if (found == gMixer.systems.end() || !found->second->initialized) {
    memset(out, 0, sizeof(float) * 2 * static_cast<size_t>(frameCount));
    return;
  }
  MixSystem(*found->second, out, frameCount);
}

// --- Stream decoding (game's or decoder thread) -------------------------------
// The most passes of a looping stream that one refill decodes.
constexpr int kMostPassesPerRefill = 64;

enum class Chunk { Decoded, PassEnded, Full, Stopped };

// Decodes at most `most` frames into the ring (stream.decodeLock held): a
// chunk, the end of a pass (the decoder then starts the file again), a full
// ring, or nothing more to decode (a failed, closed or empty file).
Chunk DecodeChunk(Stream& stream, int64_t most)
{
  if (!stream.decoder) return Chunk::Stopped;
  uint64_t room;
  {
    std::lock_guard<std::mutex> hold(gMixer.lock);
    if (stream.failed) return Chunk::Stopped;
    room = stream.capacity - (stream.writePosition - stream.readPosition);
  }
  if (room == 0) return Chunk::Full;
  int64_t want = std::min<int64_t>(std::min<int64_t>(most, kStreamChunkFrames),
                                   static_cast<int64_t>(std::min<uint64_t>(room, kStreamChunkFrames)));
  int64_t got = OxMixerDecoderRead(stream.decoder, stream.scratch.data(), want);
  bool atEnd = got == 0;
  bool failed = got < 0;
  // The end of a pass: note the length and carry on from the start.
  if (atEnd && (stream.passFrames == 0 || !OxMixerDecoderRewind(stream.decoder))) failed = true;
  for (int64_t i = 0; i < 2 * std::max<int64_t>(got, 0); ++i) stream.scratch[i] = SaneSample(stream.scratch[i]);
  std::lock_guard<std::mutex> hold(gMixer.lock);
  if (failed || atEnd) {
    if (stream.length < 0) {
      stream.length = stream.passFrames;
      if (stream.writePosition > 0) {
        const float* last = &stream.ring[2 * static_cast<size_t>((stream.writePosition - 1) % stream.capacity)];
        stream.lastFrame[0] = last[0];
        stream.lastFrame[1] = last[1];
      }
    }
    stream.passFrames = 0;
    stream.failed = failed;
    return failed ? Chunk::Stopped : Chunk::PassEnded;
  }
  if (stream.writePosition == 0) {
    stream.firstFrame[0] = stream.scratch[0];
    stream.firstFrame[1] = stream.scratch[1];
  }
  for (int64_t f = 0; f < got; ++f) {
    float* frame = &stream.ring[2 * static_cast<size_t>((stream.writePosition + f) % stream.capacity)];
    frame[0] = stream.scratch[2 * f];
    frame[1] = stream.scratch[2 * f + 1];
  }
  stream.writePosition += static_cast<uint64_t>(got);
  stream.passFrames += got;
  return Chunk::Decoded;
}

// Decodes until the ring is full or nothing more comes, taking the decode
// lock chunk by chunk so that a restart on the game's thread never waits
// for more than one chunk.
void RefillStream(Stream& stream)
{
  // A stream much shorter than the ring would otherwise be rewound and read
  // again thousands of times in one call; later calls go on filling.
  int passesEnded = 0;
  for (;;) {
    std::lock_guard<std::mutex> decoding(stream.decodeLock);
    Chunk chunk = DecodeChunk(stream, kStreamChunkFrames);
    if (chunk == Chunk::Full || chunk == Chunk::Stopped) return;
    if (chunk == Chunk::PassEnded && ++passesEnded >= kMostPassesPerRefill) return;
  }
}

// Decodes the stream's first frames after a load or a restart
// (stream.decodeLock held); the rest is left to the decoder thread.
void DecodeFirstFrames(Stream& stream)
{
  int passesEnded = 0;
  while (stream.writePosition < static_cast<uint64_t>(stream.startFrames)) {
    Chunk chunk = DecodeChunk(stream, stream.startFrames - static_cast<int64_t>(stream.writePosition));
    if (chunk == Chunk::Full || chunk == Chunk::Stopped) return;
    if (chunk == Chunk::PassEnded && ++passesEnded >= kMostPassesPerRefill) return;
  }
}

// Back to the first frame with an empty ring (stream.decodeLock held).
void RestartStream(Stream& stream)
{
  bool rewound = OxMixerDecoderRewind(stream.decoder);
  {
    std::lock_guard<std::mutex> hold(gMixer.lock);
    stream.writePosition = 0;
    stream.readPosition = 0;
    stream.passFrames = 0;
    stream.failed = !rewound;
  }
  DecodeFirstFrames(stream);
}

// Decodes ahead every stream of a running system; false for an unknown one.
bool RefillStreamsOf(OxMixerSystem* systemHandle)
{
  std::vector<std::shared_ptr<Sound>> streams;
  {
    std::lock_guard<std::mutex> hold(gMixer.lock);
    System* system = FindRunningSystem(systemHandle);
    if (!system) return false;
    for (auto& entry : gMixer.sounds)
      if (entry.second->system == system && entry.second->stream) streams.push_back(entry.second);
  }
  for (auto& sound : streams) RefillStream(*sound->stream);
  return true;
}

void DecodeAhead(System* system, OxMixerSystem* systemHandle)
{
  for (;;) {
    {
      std::unique_lock<std::mutex> waiting(system->decoderWakeLock);
      system->decoderWake.wait_for(waiting, kDecoderPeriod,
                                   [system]() { return system->decoderStop || system->decoderWanted; });
      if (system->decoderStop) return;
      system->decoderWanted = false;
    }
    RefillStreamsOf(systemHandle);
  }
}

// Asks the decoder thread (if there is one) to decode ahead now.
void WakeDecoder(System* system)
{
  if (!system->decoder.joinable()) return;
  {
    std::lock_guard<std::mutex> waking(system->decoderWakeLock);
    system->decoderWanted = true;
  }
  system->decoderWake.notify_all();
}

// Joins the decoder thread; the system stays allocated until it has ended.
void StopDecoder(System* system)
{
  if (!system->decoder.joinable()) return;
  {
    std::lock_guard<std::mutex> waking(system->decoderWakeLock);
    system->decoderStop = true;
  }
  system->decoderWake.notify_all();
  system->decoder.join();
}

// --- Kernels -------------------------------------------------------------------
// The kernel levels some change will need, gathered under gMixer.lock and
// built without it (a first use of a level costs about a millisecond), so
// that the device never filters with a stand-in.
struct KernelLevels {
  bool wanted[kOxMixerKernelLevels] = {};
  void Add(const System& system, const Channel& channel) { wanted[KernelLevelOf(system, channel)] = true; }
  void Build() const
  {
    for (int level = 0; level < kOxMixerKernelLevels; ++level)
      if (wanted[level]) OxMixerKernelBuild(level);
  }
};

uint64_t NewId() { return gMixer.nextId++; }

OxMixerResult CreateSoundObject(OxMixerSystem* systemHandle, const char* path, bool asStream,
                                OxMixerSound** soundHandle)
{
  if (!soundHandle) return OX_MIXER_ERR_INVALID_PARAM;
  *soundHandle = nullptr;
  System* system;
  bool withoutDevice;
  {
    std::lock_guard<std::mutex> hold(gMixer.lock);
    system = FindSystem(systemHandle);
    if (!system) return OX_MIXER_ERR_INVALID_HANDLE;
    if (!system->initialized) return OX_MIXER_ERR_UNINITIALIZED;
    withoutDevice = system->withoutDevice;
  }
  // Decoding happens without the lock so the mix goes on meanwhile.
  auto sound = std::make_shared<Sound>();
  if (!asStream) {
    OxMixerResult result = OxMixerDecodeWhole(path, &sound->frames, &sound->rate);
    if (result != OX_MIXER_OK) return result;
    for (float& sample : sound->frames) sample = SaneSample(sample);
    sound->length = static_cast<int64_t>(sound->frames.size() / 2);
  } else {
    auto stream = std::make_unique<Stream>();
    OxMixerResult result = OxMixerDecoderOpen(path, &stream->decoder, &sound->rate);
    if (result != OX_MIXER_OK) return result;
    // The history the converter reaches back into comes on top, twice, so
    // that even a file at a few hertz leaves room for the widest kernel ahead.
    stream->capacity =
        static_cast<uint64_t>(ceil(sound->rate * kOxMixerStreamAheadSeconds)) + 2 * kStreamHistoryFrames;
    stream->ring.assign(2 * static_cast<size_t>(stream->capacity), 0.0f);
    stream->scratch.assign(2 * static_cast<size_t>(kStreamChunkFrames), 0.0f);
    // Without a device there is no decoder thread, and the output is pulled
    // in any amount before the next update: the whole ring is decoded here.
    stream->startFrames = withoutDevice
                              ? static_cast<int64_t>(stream->capacity)
                              : std::max<int64_t>(kFirstStreamFrames, kFirstStreamFrames * sound->rate / kOxMixerOutputRate);
    sound->stream = std::move(stream);
    {
      std::lock_guard<std::mutex> decoding(sound->stream->decodeLock);
      DecodeFirstFrames(*sound->stream);
    }
    if (sound->stream->failed && sound->stream->writePosition == 0) {
      OxMixerDecoderClose(sound->stream->decoder);
      return OX_MIXER_ERR_FORMAT;
    }
  }
  std::lock_guard<std::mutex> hold(gMixer.lock);
  if (FindSystem(systemHandle) != system) {
    if (sound->stream) OxMixerDecoderClose(sound->stream->decoder);
    return OX_MIXER_ERR_INVALID_HANDLE;
  }
  sound->id = NewId();
  sound->system = system;
  gMixer.sounds[sound->id] = sound;
  *soundHandle = ToHandle<OxMixerSound>(sound->id);
  if (sound->stream) WakeDecoder(system);
  return OX_MIXER_OK;
}

void CloseSound(Sound& sound)
{
  if (!sound.stream) return;
  std::lock_guard<std::mutex> decoding(sound.stream->decodeLock);
  OxMixerDecoderClose(sound.stream->decoder);
  sound.stream->decoder = nullptr;
}

// Runs a change on a known channel under the lock.
template <typename Change>
OxMixerResult ChangeChannel(OxMixerChannel* handle, Change change)
{
  std::lock_guard<std::mutex> hold(gMixer.lock);
  Channel* channel = FindChannel(handle);
  if (!channel) return OX_MIXER_ERR_INVALID_HANDLE;
  change(*channel);
  return OX_MIXER_OK;
}

template <typename Change>
OxMixerResult ChangeGroup(OxMixerGroup* handle, Change change)
{
  std::lock_guard<std::mutex> hold(gMixer.lock);
  Group* group = FindGroup(handle);
  if (!group) return OX_MIXER_ERR_INVALID_HANDLE;
  change(*group);
  return OX_MIXER_OK;
}

// Whether a channel plays in a group: its own, or any under the master.
bool PlaysIn(const Channel& channel, const Group& group)
{
  return channel.id != 0 && (channel.group == &group || group.system->master == &group);
}

}  // namespace

// --- System ------------------------------------------------------------------
OxMixerResult OxMixerSystemCreate(OxMixerSystem** systemHandle)
{
  if (!systemHandle) return OX_MIXER_ERR_INVALID_PARAM;
  std::lock_guard<std::mutex> hold(gMixer.lock);
  auto system = std::make_unique<System>();
  system->id = NewId();
  *systemHandle = ToHandle<OxMixerSystem>(system->id);
  gMixer.systems[system->id] = std::move(system);
  return OX_MIXER_OK;
}

OxMixerResult OxMixerSystemInit(OxMixerSystem* systemHandle, int maxChannels, unsigned flags,
                                void* /*extraDriverData*/)
{
  // The kernels for sources at or below the output rate and for the
  // fastest reading; every other level falls back on the latter until built.
  if (!OxMixerKernelBuild(0) || !OxMixerKernelBuild(kOxMixerKernelLevels - 1)) return OX_MIXER_ERR_MEMORY;
  uint64_t systemId;
  {
    std::lock_guard<std::mutex> hold(gMixer.lock);
    System* system = FindSystem(systemHandle);
    if (!system) return OX_MIXER_ERR_INVALID_HANDLE;
    if (system->initialized) return OX_MIXER_ERR_INITIALIZED;
    if (maxChannels < 1 || maxChannels > kMostChannels) return OX_MIXER_ERR_INVALID_PARAM;
    auto master = std::make_unique<Group>();
    master->id = NewId();
    master->system = system;
    system->master = master.get();
    gMixer.groups[master->id] = std::move(master);
    system->channels.assign(static_cast<size_t>(maxChannels), Channel());
    system->windowLeft.assign(kWindowFrames, 0.0f);
    system->windowRight.assign(kWindowFrames, 0.0f);
    system->gains.assign(kBlockFrames, 0.0f);
    system->ramped = (flags & OX_MIXER_INIT_RAMPS) != 0;
    if (system->ramped) {
      system->ghosts.resize(kGhostCount);
      for (Ghost& ghost : system->ghosts) ghost.frames.assign(2 * kOxMixerRampFrames, 0.0f);
    }
    system->withoutDevice = (flags & OX_MIXER_INIT_NO_DEVICE) != 0;
    system->initialized = true;
    systemId = system->id;
    if (system->withoutDevice) return OX_MIXER_OK;
  }
  // The device starts calling RenderForDevice at once, so it opens unlocked.
  OxMixerDevice* device =
      OxMixerDeviceOpen(RenderForDevice, reinterpret_cast<void*>(static_cast<uintptr_t>(systemId)));
  {
    std::lock_guard<std::mutex> hold(gMixer.lock);
    System* system = FindSystem(systemHandle);
    if (device && OxMixerDeviceIsPolled(device)) {
      system->device = device;
      return OX_MIXER_OK;
    }
    if (device) {
      try {
        system->decoder = std::thread(DecodeAhead, system, systemHandle);
        system->device = device;
        return OX_MIXER_OK;
      } catch (const std::system_error&) {
      }
    }
    gMixer.groups.erase(system->master->id);
    system->master = nullptr;
    system->channels.clear();
    system->initialized = false;
  }
  // The device's thread takes the lock to mix, so it stops with it let go.
  OxMixerDeviceClose(device);
  return OX_MIXER_ERR_DEVICE;
}

OxMixerResult OxMixerSystemUpdate(OxMixerSystem* systemHandle)
{
  OxMixerDevice* device = nullptr;
  {
    std::lock_guard<std::mutex> hold(gMixer.lock);
    System* system = FindRunningSystem(systemHandle);
    if (!system) return FindSystem(systemHandle) ? OX_MIXER_ERR_UNINITIALIZED : OX_MIXER_ERR_INVALID_HANDLE;
    // With a device the decoder thread decodes: nothing on the game's thread.
    if (system->device && !OxMixerDeviceIsPolled(system->device)) {
      WakeDecoder(system);
      return OX_MIXER_OK;
    }
    device = system->device;
  }
  // A polled device pulls the mix itself, which takes the lock.
  OxMixerDevicePoll(device);
  RefillStreamsOf(systemHandle);
  return OX_MIXER_OK;
}

OxMixerResult OxMixerSystemRelease(OxMixerSystem* systemHandle)
{
  OxMixerDevice* device;
  System* stopping;
  {
    std::lock_guard<std::mutex> hold(gMixer.lock);
    stopping = FindSystem(systemHandle);
    if (!stopping) return OX_MIXER_ERR_INVALID_HANDLE;
    device = stopping->device;
    stopping->device = nullptr;
    stopping->initialized = false;  // the device mixes silence from here on
  }
  // Both threads take the lock, so they are stopped with it let go.
  OxMixerDeviceClose(device);
  StopDecoder(stopping);
  std::vector<std::shared_ptr<Sound>> sounds;
  std::vector<std::unique_ptr<Group>> groups;
  std::unique_ptr<System> released;
  {
    std::lock_guard<std::mutex> hold(gMixer.lock);
    auto found = gMixer.systems.find(ToId(systemHandle));
    if (found == gMixer.systems.end()) return OX_MIXER_ERR_INVALID_HANDLE;
    System* system = found->second.get();
    for (auto it = gMixer.sounds.begin(); it != gMixer.sounds.end();) {
      if (it->second->system == system) {
        sounds.push_back(std::move(it->second));
        it = gMixer.sounds.erase(it);
      } else {
        ++it;
      }
    }
    for (auto it = gMixer.groups.begin(); it != gMixer.groups.end();) {
      if (it->second->system == system) {
        groups.push_back(std::move(it->second));
        it = gMixer.groups.erase(it);
      } else {
        ++it;
      }
    }
    released = std::move(found->second);
    gMixer.systems.erase(found);
  }
  for (auto& sound : sounds) CloseSound(*sound);
  return OX_MIXER_OK;
}

OxMixerResult OxMixerSystemPull(OxMixerSystem* systemHandle, float* out, int frameCount)
{
  if (!out || frameCount < 0) return OX_MIXER_ERR_INVALID_PARAM;
  std::lock_guard<std::mutex> hold(gMixer.lock);
  System* system = FindSystem(systemHandle);
  if (!system) return OX_MIXER_ERR_INVALID_HANDLE;
  if (!system->initialized) return OX_MIXER_ERR_UNINITIALIZED;
  if (!system->withoutDevice) return OX_MIXER_ERR_NO_DEVICE_MODE;
  MixSystem(*system, out, frameCount);
  return OX_MIXER_OK;
}

OxMixerResult OxMixerSystemGetChannelsPlaying(OxMixerSystem* systemHandle, int* count)
{
  if (!count) return OX_MIXER_ERR_INVALID_PARAM;
  std::lock_guard<std::mutex> hold(gMixer.lock);
  System* system = FindRunningSystem(systemHandle);
  if (!system) return OX_MIXER_ERR_INVALID_HANDLE;
  *count = 0;
  for (const Channel& channel : system->channels)
    if (channel.id != 0) ++*count;
  return OX_MIXER_OK;
}

OxMixerResult OxMixerSystemGetMasterGroup(OxMixerSystem* systemHandle, OxMixerGroup** group)
{
  if (!group) return OX_MIXER_ERR_INVALID_PARAM;
  *group = nullptr;
  std::lock_guard<std::mutex> hold(gMixer.lock);
  System* system = FindRunningSystem(systemHandle);
  if (!system) return OX_MIXER_ERR_INVALID_HANDLE;
  *group = ToHandle<OxMixerGroup>(system->master->id);
  return OX_MIXER_OK;
}

OxMixerResult OxMixerSystemCreateGroup(OxMixerSystem* systemHandle, const char* /*name*/,
                                       OxMixerGroup** groupHandle)
{
  if (!groupHandle) return OX_MIXER_ERR_INVALID_PARAM;
  *groupHandle = nullptr;
  std::lock_guard<std::mutex> hold(gMixer.lock);
  System* system = FindSystem(systemHandle);
  if (!system) return OX_MIXER_ERR_INVALID_HANDLE;
  if (!system->initialized) return OX_MIXER_ERR_UNINITIALIZED;
  auto group = std::make_unique<Group>();
  group->id = NewId();
  group->system = system;
  *groupHandle = ToHandle<OxMixerGroup>(group->id);
  gMixer.groups[group->id] = std::move(group);
  return OX_MIXER_OK;
}

OxMixerResult OxMixerSystemCreateSound(OxMixerSystem* system, const char* path, unsigned /*mode*/,
                                       void* /*extraInfo*/, OxMixerSound** sound)
{
  return CreateSoundObject(system, path, false, sound);
}

OxMixerResult OxMixerSystemCreateStream(OxMixerSystem* system, const char* path, unsigned /*mode*/,
                                        void* /*extraInfo*/, OxMixerSound** sound)
{
  return CreateSoundObject(system, path, true, sound);
}

OxMixerResult OxMixerSystemPlaySound(OxMixerSystem* systemHandle, OxMixerSound* soundHandle,
                                     OxMixerGroup* groupHandle, int paused,
                                     OxMixerChannel** channelHandle)
{
  if (channelHandle) *channelHandle = nullptr;
  std::shared_ptr<Sound> sound;
  KernelLevels levels;
  {
    std::lock_guard<std::mutex> hold(gMixer.lock);
    System* system = FindRunningSystem(systemHandle);
    if (!system) return OX_MIXER_ERR_INVALID_HANDLE;
    sound = FindSound(soundHandle);
    if (!sound || sound->system != system) return OX_MIXER_ERR_INVALID_HANDLE;
    Channel starting;
    starting.sound = sound.get();
    starting.group = system->master;
    if (groupHandle) {
      starting.group = FindGroup(groupHandle);
      if (!starting.group || starting.group->system != system) return OX_MIXER_ERR_INVALID_HANDLE;
    }
    levels.Add(*system, starting);
  }
  levels.Build();
  std::unique_lock<std::mutex> decoding;
  if (sound->stream) {
    // One channel per stream: the one playing it ends, the stream restarts
    // unless nothing has read it since it was loaded or last restarted.
    decoding = std::unique_lock<std::mutex>(sound->stream->decodeLock);
    bool restart;
    {
      std::lock_guard<std::mutex> hold(gMixer.lock);
      for (Channel& channel : sound->system->channels)
        if (channel.id != 0 && channel.sound == sound.get()) StopChannel(*sound->system, channel);
      restart = !sound->stream->fresh;
      sound->stream->fresh = false;
    }
    if (restart) RestartStream(*sound->stream);
  }
  std::lock_guard<std::mutex> hold(gMixer.lock);
  // Checked again: only this thread releases, but the lock was let go.
  System* system = FindRunningSystem(systemHandle);
  Group* group = groupHandle ? FindGroup(groupHandle) : (system ? system->master : nullptr);
  if (!system || !group || FindSound(soundHandle) != sound) return OX_MIXER_ERR_INVALID_HANDLE;
  Channel* slot = nullptr;
  for (Channel& channel : system->channels) {
    if (channel.id == 0) {
      slot = &channel;
      break;
    }
    if (!slot || channel.startOrder < slot->startOrder) slot = &channel;
  }
  if (slot->id != 0) StopChannel(*system, *slot);
  *slot = Channel();
  slot->id = NewId();
  slot->startOrder = ++system->startCounter;
  slot->sound = sound.get();
  slot->group = group;
  slot->paused = paused != 0;
  if (channelHandle) *channelHandle = ToHandle<OxMixerChannel>(slot->id);
  if (sound->stream) WakeDecoder(system);
  return OX_MIXER_OK;
}

// --- Channels ------------------------------------------------------------------
OxMixerResult OxMixerChannelSetVolume(OxMixerChannel* channel, float volume)
{
  return ChangeChannel(channel, [volume](Channel& c) { c.volume = volume; });
}

OxMixerResult OxMixerChannelSetPitch(OxMixerChannel* channel, float pitch)
{
  KernelLevels levels;
  {
    std::lock_guard<std::mutex> hold(gMixer.lock);
    Channel* found = FindChannel(channel);
    if (!found) return OX_MIXER_ERR_INVALID_HANDLE;
    Channel changed = *found;
    changed.pitch = pitch;
    levels.Add(*found->sound->system, changed);
  }
  levels.Build();
  return ChangeChannel(channel, [pitch](Channel& c) { c.pitch = pitch; });
}

OxMixerResult OxMixerChannelSetMode(OxMixerChannel* channel, unsigned loopMode)
{
  if (loopMode != OX_MIXER_LOOP_OFF && loopMode != OX_MIXER_LOOP_NORMAL) return OX_MIXER_ERR_INVALID_PARAM;
  return ChangeChannel(channel, [loopMode](Channel& c) { c.loopMode = loopMode; });
}

OxMixerResult OxMixerChannelSetLoopCount(OxMixerChannel* channel, int loopCount)
{
  int count = loopCount < 0 ? -1 : loopCount;
  return ChangeChannel(channel, [count](Channel& c) { c.loopCount = count; });
}

OxMixerResult OxMixerChannelSetPaused(OxMixerChannel* channel, int paused)
{
  return ChangeChannel(channel, [paused](Channel& c) { c.paused = paused != 0; });
}

OxMixerResult OxMixerChannelStop(OxMixerChannel* channel)
{
  return ChangeChannel(channel, [](Channel& c) { StopChannel(*c.sound->system, c); });
}

OxMixerResult OxMixerChannelIsPlaying(OxMixerChannel* channel, int* playing)
{
  if (!playing) return OX_MIXER_ERR_INVALID_PARAM;
  std::lock_guard<std::mutex> hold(gMixer.lock);
  *playing = FindChannel(channel) ? 1 : 0;
  return OX_MIXER_OK;
}

// --- Groups ------------------------------------------------------------------
OxMixerResult OxMixerGroupSetPaused(OxMixerGroup* group, int paused)
{
  return ChangeGroup(group, [paused](Group& g) { g.paused = paused != 0; });
}

OxMixerResult OxMixerGroupStop(OxMixerGroup* group)
{
  return ChangeGroup(group, [](Group& g) {
    for (Channel& channel : g.system->channels)
      if (PlaysIn(channel, g)) StopChannel(*g.system, channel);
  });
}

OxMixerResult OxMixerGroupSetVolume(OxMixerGroup* group, float volume)
{
  return ChangeGroup(group, [volume](Group& g) { g.volume = volume; });
}

OxMixerResult OxMixerGroupSetPitch(OxMixerGroup* group, float pitch)
{
  KernelLevels levels;
  {
    std::lock_guard<std::mutex> hold(gMixer.lock);
    Group* found = FindGroup(group);
    if (!found) return OX_MIXER_ERR_INVALID_HANDLE;
    // The levels the group's channels would need at the new pitch, worked
    // out with it set for a moment (the lock keeps the device out).
    float kept = found->pitch;
    found->pitch = pitch;
    for (const Channel& channel : found->system->channels)
      if (PlaysIn(channel, *found)) levels.Add(*found->system, channel);
    found->pitch = kept;
  }
  levels.Build();
  return ChangeGroup(group, [pitch](Group& g) { g.pitch = pitch; });
}

OxMixerResult OxMixerGroupGetChannelCount(OxMixerGroup* group, int* count)
{
  if (!count) return OX_MIXER_ERR_INVALID_PARAM;
  return ChangeGroup(group, [count](Group& g) {
    *count = 0;
    for (const Channel& channel : g.system->channels)
      if (channel.id != 0 && channel.group == &g) ++*count;
  });
}

OxMixerResult OxMixerGroupRelease(OxMixerGroup* groupHandle)
{
  KernelLevels levels;
  {
    std::lock_guard<std::mutex> hold(gMixer.lock);
    Group* group = FindGroup(groupHandle);
    if (group && group->system->master != group) {
      for (Channel channel : group->system->channels) {
        if (channel.id == 0 || channel.group != group) continue;
        channel.group = group->system->master;
        levels.Add(*group->system, channel);
      }
    }
  }
  levels.Build();
  std::unique_ptr<Group> released;
  std::lock_guard<std::mutex> hold(gMixer.lock);
  auto found = gMixer.groups.find(ToId(groupHandle));
  if (found == gMixer.groups.end()) return OX_MIXER_ERR_INVALID_HANDLE;
  Group* group = found->second.get();
  System* system = group->system;
  if (system->master == group) return OX_MIXER_ERR_INVALID_PARAM;
  for (Channel& channel : system->channels)
    if (channel.id != 0 && channel.group == group) channel.group = system->master;
  released = std::move(found->second);
  gMixer.groups.erase(found);
  return OX_MIXER_OK;
}

// --- Sounds ------------------------------------------------------------------
OxMixerResult OxMixerSoundRelease(OxMixerSound* soundHandle)
{
  std::shared_ptr<Sound> sound;
  {
    std::lock_guard<std::mutex> hold(gMixer.lock);
    auto found = gMixer.sounds.find(ToId(soundHandle));
    if (found == gMixer.sounds.end()) return OX_MIXER_ERR_INVALID_HANDLE;
    sound = std::move(found->second);
    gMixer.sounds.erase(found);
    for (Channel& channel : sound->system->channels)
      if (channel.id != 0 && channel.sound == sound.get()) StopChannel(*sound->system, channel);
  }
  CloseSound(*sound);
  return OX_MIXER_OK;
}

OxMixerResult OxMixerSoundGetLength(OxMixerSound* soundHandle, int64_t* frames)
{
  if (!frames) return OX_MIXER_ERR_INVALID_PARAM;
  std::lock_guard<std::mutex> hold(gMixer.lock);
  std::shared_ptr<Sound> sound = FindSound(soundHandle);
  if (!sound) return OX_MIXER_ERR_INVALID_HANDLE;
  *frames = sound->stream ? sound->stream->length : sound->length;
  return OX_MIXER_OK;
}
