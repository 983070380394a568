// Mixer core: systems, groups, sounds, streams and channels, and the mix that
// the device backend (or a test) pulls. Leans on the decoder and device
// backends declared in OxPlatformMixerInternal.h.
#include <math.h>
#include <string.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/OxPlatformMixerInternal.h"

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
// and still needed. The decoder runs on past the end of the file from its
// start again, so a looping channel finds its next pass already there.
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
  double position = 0.0;   // frames into the current pass
  uint64_t passStart = 0;  // stream frame where the current pass began
};

struct System {
  uint64_t id = 0;
  bool initialized = false;
  bool withoutDevice = false;
  Group* master = nullptr;
  std::vector<Channel> channels;
  uint64_t startCounter = 0;
  OxMixerDevice* device = nullptr;
  // With a device, a small thread decodes streams ahead between game frames,
  // so a slow frame does not starve the device.
  std::thread decoder;
  std::mutex decoderWakeLock;
  std::condition_variable decoderWake;
  bool decoderStop = false;
};

// --- Module state ------------------------------------------------------------
// One lock guards every object; the device thread takes it for one mix.
// The state is never destroyed: a game may exit (or a fatal report end the
// process) while the device and decoder threads still run, and they must
// find their lock and objects alive until the process is gone.
struct MixerState {
  std::mutex lock;
  // Ids start far from small numbers and from heap and stack addresses, so a
  // made-up or stale pointer is never taken for a live object.
  uint64_t nextId = 0x4F58000000000001ull;
  std::unordered_map<uint64_t, std::unique_ptr<System>> systems;
  std::unordered_map<uint64_t, std::unique_ptr<Group>> groups;
  std::unordered_map<uint64_t, std::shared_ptr<Sound>> sounds;
};
MixerState& gMixer = *new MixerState;

constexpr int kMostChannels = 4095;
constexpr int64_t kStreamChunkFrames = 4096;
constexpr std::chrono::milliseconds kDecoderPeriod(20);

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

// The highest pitch a channel plays at: six octaves up. Beyond it nothing
// audible is left, and the bound keeps the play position finite.
constexpr float kMostPitch = 64.0f;

// --- Mixing (gMixer.lock held; no allocation, no file access) ---------------
// Reads frame index of the current pass into left/right; false when a stream
// has not decoded it yet.
bool FetchFrame(const Sound& sound, const Channel& channel, int64_t index, float* left,
                float* right)
{
  if (!sound.stream) {
    const float* frame = &sound.frames[2 * static_cast<size_t>(index)];
    *left = frame[0];
    *right = frame[1];
    return true;
  }
  const Stream& stream = *sound.stream;
  uint64_t at = channel.passStart + static_cast<uint64_t>(index);
  if (at >= stream.writePosition) return false;
  const float* frame = &stream.ring[2 * static_cast<size_t>(at % stream.capacity)];
  *left = frame[0];
  *right = frame[1];
  return true;
}

void MixChannel(System& system, Channel& channel, float* out, int frameCount)
{
  Sound& sound = *channel.sound;
  Group& group = *channel.group;
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
  double step = pitch > 0.0f ? static_cast<double>(pitch) * sound.rate / kOxMixerOutputRate : 0.0;
  Stream* stream = sound.stream.get();
  for (int f = 0; f < frameCount; ++f) {
    int64_t length = stream ? stream->length : sound.length;
    while (length > 0 && channel.position >= static_cast<double>(length)) {
      if (channel.loopMode == OX_MIXER_LOOP_NORMAL && channel.loopCount != 0) {
        // Every whole pass the position has run past at once (many when a
        // short sound plays at a high pitch), bounded by the passes left.
        int64_t passes = static_cast<int64_t>(channel.position / static_cast<double>(length));
        if (passes < 1) passes = 1;
        if (channel.loopCount > 0 && passes > channel.loopCount) passes = channel.loopCount;
        channel.position -= static_cast<double>(passes) * static_cast<double>(length);
        if (channel.position < 0.0) channel.position = 0.0;
        channel.passStart += static_cast<uint64_t>(passes) * static_cast<uint64_t>(length);
        if (channel.loopCount > 0) channel.loopCount -= static_cast<int>(passes);
      } else {
        EndChannel(channel);
        return;
      }
    }
    int64_t index = static_cast<int64_t>(channel.position);
    float fraction = static_cast<float>(channel.position - static_cast<double>(index));
    float left0, right0, left1, right1;
    if (!FetchFrame(sound, channel, index, &left0, &right0)) {
      // Not decoded yet: hold still (a damaged stream ends here).
      if (stream->failed) EndChannel(channel);
      break;
    }
    int64_t next = index + 1;
    if (!stream && next >= length) {
      bool wraps = channel.loopMode == OX_MIXER_LOOP_NORMAL && channel.loopCount != 0;
      next = wraps ? 0 : length - 1;
    }
    if (!FetchFrame(sound, channel, next, &left1, &right1)) {
      left1 = left0;
      right1 = right0;
    }
    out[2 * f] += gain * (left0 + (left1 - left0) * fraction);
    out[2 * f + 1] += gain * (right0 + (right1 - right0) * fraction);
    channel.position += step;
  }
  if (stream && channel.id != 0) {
    uint64_t needed = channel.passStart + static_cast<uint64_t>(channel.position);
    stream->readPosition = needed < stream->writePosition ? needed : stream->writePosition;
  }
}

void MixSystem(System& system, float* out, int frameCount)
{
  memset(out, 0, sizeof(float) * 2 * static_cast<size_t>(frameCount));
  if (system.master->paused) return;
  for (Channel& channel : system.channels) {
    if (channel.id == 0 || channel.paused || channel.group->paused) continue;
    MixChannel(system, channel, out, frameCount);
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

// The most passes of a looping stream that one refill decodes.
constexpr int kMostPassesPerRefill = 64;

// --- Stream decoding (game's or decoder thread; stream.decodeLock held) ------
// Decodes until the ring is full, the file fails, or it holds no frames.
void RefillStream(Stream& stream)
{
  // A stream much shorter than the ring would otherwise be rewound and read
  // again thousands of times in one call; later calls go on filling.
  int passesEnded = 0;
  for (;;) {
    uint64_t room;
    {
      std::lock_guard<std::mutex> hold(gMixer.lock);
      room = stream.capacity - (stream.writePosition - stream.readPosition);
      if (stream.failed) return;
    }
    if (room == 0) return;
    int64_t want = room < static_cast<uint64_t>(kStreamChunkFrames) ? static_cast<int64_t>(room)
                                                                    : kStreamChunkFrames;
    int64_t got = OxMixerDecoderRead(stream.decoder, stream.scratch.data(), want);
    bool atEnd = got == 0;
    bool failed = got < 0;
    if (atEnd) {
      // The end of a pass: note the length and carry on from the start.
      if (stream.passFrames == 0 || !OxMixerDecoderRewind(stream.decoder)) failed = true;
    }
    std::lock_guard<std::mutex> hold(gMixer.lock);
    if (failed) {
      stream.failed = true;
      if (stream.length < 0) stream.length = stream.passFrames;
      return;
    }
    if (atEnd) {
      if (stream.length < 0) stream.length = stream.passFrames;
      stream.passFrames = 0;
      if (++passesEnded >= kMostPassesPerRefill) return;
      continue;
    }
    for (int64_t f = 0; f < got; ++f) {
      float* frame = &stream.ring[2 * static_cast<size_t>((stream.writePosition + f) % stream.capacity)];
      frame[0] = stream.scratch[2 * f];
      frame[1] = stream.scratch[2 * f + 1];
    }
    stream.writePosition += static_cast<uint64_t>(got);
    stream.passFrames += got;
  }
}

// Back to the first frame with an empty ring, then decoded ahead again.
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
  RefillStream(stream);
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
  for (auto& sound : streams) {
    std::lock_guard<std::mutex> decoding(sound->stream->decodeLock);
    if (sound->stream->decoder) RefillStream(*sound->stream);
  }
  return true;
}

void DecodeAhead(System* system, OxMixerSystem* systemHandle)
{
  for (;;) {
    {
      std::unique_lock<std::mutex> waiting(system->decoderWakeLock);
      system->decoderWake.wait_for(waiting, kDecoderPeriod, [system]() { return system->decoderStop; });
      if (system->decoderStop) return;
    }
    RefillStreamsOf(systemHandle);
  }
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

uint64_t NewId() { return gMixer.nextId++; }

OxMixerResult CreateSoundObject(OxMixerSystem* systemHandle, const char* path, bool asStream,
                                OxMixerSound** soundHandle)
{
  if (!soundHandle) return OX_MIXER_ERR_INVALID_PARAM;
  *soundHandle = nullptr;
  System* system;
  {
    std::lock_guard<std::mutex> hold(gMixer.lock);
    system = FindSystem(systemHandle);
    if (!system) return OX_MIXER_ERR_INVALID_HANDLE;
    if (!system->initialized) return OX_MIXER_ERR_UNINITIALIZED;
  }
  // Decoding happens without the lock so the mix goes on meanwhile.
  auto sound = std::make_shared<Sound>();
  if (!asStream) {
    OxMixerResult result = OxMixerDecodeWhole(path, &sound->frames, &sound->rate);
    if (result != OX_MIXER_OK) return result;
    sound->length = static_cast<int64_t>(sound->frames.size() / 2);
  } else {
    auto stream = std::make_unique<Stream>();
    OxMixerResult result = OxMixerDecoderOpen(path, &stream->decoder, &sound->rate);
    if (result != OX_MIXER_OK) return result;
    stream->capacity = static_cast<uint64_t>(ceil(sound->rate * kOxMixerStreamAheadSeconds));
    stream->ring.assign(2 * static_cast<size_t>(stream->capacity), 0.0f);
    stream->scratch.assign(2 * static_cast<size_t>(kStreamChunkFrames), 0.0f);
    sound->stream = std::move(stream);
    {
      std::lock_guard<std::mutex> decoding(sound->stream->decodeLock);
      RefillStream(*sound->stream);
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
    system->withoutDevice = (flags & OX_MIXER_INIT_NO_DEVICE) != 0;
    system->initialized = true;
    systemId = system->id;
    if (system->withoutDevice) return OX_MIXER_OK;
  }
  // The device starts calling RenderForDevice at once, so it opens unlocked.
  OxMixerDevice* device =
      OxMixerDeviceOpen(RenderForDevice, reinterpret_cast<void*>(static_cast<uintptr_t>(systemId)));
  std::lock_guard<std::mutex> hold(gMixer.lock);
  System* system = FindSystem(systemHandle);
  if (!device) {
    gMixer.groups.erase(system->master->id);
    system->master = nullptr;
    system->channels.clear();
    system->initialized = false;
    return OX_MIXER_ERR_DEVICE;
  }
  system->device = device;
  system->decoder = std::thread(DecodeAhead, system, systemHandle);
  return OX_MIXER_OK;
}

OxMixerResult OxMixerSystemUpdate(OxMixerSystem* systemHandle)
{
  OxMixerDevice* device;
  {
    std::lock_guard<std::mutex> hold(gMixer.lock);
    System* system = FindRunningSystem(systemHandle);
    if (!system) return FindSystem(systemHandle) ? OX_MIXER_ERR_UNINITIALIZED : OX_MIXER_ERR_INVALID_HANDLE;
    device = system->device;
  }
  // Only this thread closes the device, so it is asked without the lock.
  if (device && OxMixerDeviceHasFailed(device)) return OX_MIXER_ERR_DEVICE;
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
  {
    std::lock_guard<std::mutex> hold(gMixer.lock);
    System* system = FindRunningSystem(systemHandle);
    if (!system) return OX_MIXER_ERR_INVALID_HANDLE;
    sound = FindSound(soundHandle);
    if (!sound || sound->system != system) return OX_MIXER_ERR_INVALID_HANDLE;
    if (groupHandle) {
      Group* group = FindGroup(groupHandle);
      if (!group || group->system != system) return OX_MIXER_ERR_INVALID_HANDLE;
    }
  }
  std::unique_lock<std::mutex> decoding;
  if (sound->stream) {
    // One channel per stream: the one playing it ends, the stream restarts.
    decoding = std::unique_lock<std::mutex>(sound->stream->decodeLock);
    {
      std::lock_guard<std::mutex> hold(gMixer.lock);
      for (Channel& channel : sound->system->channels)
        if (channel.id != 0 && channel.sound == sound.get()) EndChannel(channel);
    }
    RestartStream(*sound->stream);
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
  *slot = Channel();
  slot->id = NewId();
  slot->startOrder = ++system->startCounter;
  slot->sound = sound.get();
  slot->group = group;
  slot->paused = paused != 0;
  if (channelHandle) *channelHandle = ToHandle<OxMixerChannel>(slot->id);
  return OX_MIXER_OK;
}

// --- Channels ------------------------------------------------------------------
OxMixerResult OxMixerChannelSetVolume(OxMixerChannel* channel, float volume)
{
  return ChangeChannel(channel, [volume](Channel& c) { c.volume = volume; });
}

OxMixerResult OxMixerChannelSetPitch(OxMixerChannel* channel, float pitch)
{
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
  return ChangeChannel(channel, [](Channel& c) { EndChannel(c); });
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
    bool master = g.system->master == &g;
    for (Channel& channel : g.system->channels)
      if (channel.id != 0 && (master || channel.group == &g)) EndChannel(channel);
  });
}

OxMixerResult OxMixerGroupSetVolume(OxMixerGroup* group, float volume)
{
  return ChangeGroup(group, [volume](Group& g) { g.volume = volume; });
}

OxMixerResult OxMixerGroupSetPitch(OxMixerGroup* group, float pitch)
{
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
      if (channel.id != 0 && channel.sound == sound.get()) EndChannel(channel);
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
