// Mixer layer: a software mixer of sounds (decoded whole) and streams (decoded
// progressively), played on channels that belong to channel groups.
#pragma once
#include <stdint.h>

#include "platform/OxPlatformAudioOutput.h"

// OX_MIXER_OK is the only success; every other value is an error.
enum OxMixerResult {
  OX_MIXER_OK = 0,
  OX_MIXER_ERR_INVALID_HANDLE,  // null, released or never-made handle
  OX_MIXER_ERR_INVALID_PARAM,   // a parameter out of range (e.g. no channels)
  OX_MIXER_ERR_FILE_NOT_FOUND,  // the file does not open
  OX_MIXER_ERR_FORMAT,          // not a sound file, empty, or damaged
  OX_MIXER_ERR_INITIALIZED,     // init on a system that is already running
  OX_MIXER_ERR_UNINITIALIZED,   // a system call before init
  OX_MIXER_ERR_NO_DEVICE_MODE,  // pull on a system that feeds a device
  OX_MIXER_ERR_DEVICE,          // no audio output could be started at all
  OX_MIXER_ERR_MEMORY           // the mixer's own tables did not fit in memory
};

// Handles are opaque; their values are ids that the mixer looks up, never
// dereferenced, so a released or made-up handle only earns an error result.
typedef struct OxMixerSystem OxMixerSystem;
typedef struct OxMixerGroup OxMixerGroup;
typedef struct OxMixerSound OxMixerSound;
typedef struct OxMixerChannel OxMixerChannel;

// Init flags.
enum {
  OX_MIXER_INIT_NORMAL = 0,
  // No device: output is produced only by OxMixerSystemPull (tests, tools).
  OX_MIXER_INIT_NO_DEVICE = 1,
  // Changes to a sounding channel glide over kOxMixerRampFrames instead of
  // stepping: pause, resume, stop, volume and pitch, of the channel, its
  // group or the master group. A channel still starts on its first frame at
  // full level, and a stopped one fades out on its own after it has ended.
  // Without this flag every change takes effect on the next frame.
  OX_MIXER_INIT_RAMPS = 2
};

enum OxMixerLoopMode { OX_MIXER_LOOP_OFF = 1, OX_MIXER_LOOP_NORMAL = 2 };

// The output format: 32-bit float stereo, interleaved, at this rate.
constexpr int kOxMixerOutputRate = kOxPlatformAudioRate;
// Frames per device buffer (5.3 ms): how long a change waits to be heard.
constexpr int kOxMixerDeviceFrames = kOxPlatformAudioFrames;
// Frames of a ramp on a system with OX_MIXER_INIT_RAMPS (5 ms).
constexpr int kOxMixerRampFrames = 240;
// Seconds of a stream kept decoded ahead of the channel that plays it.
constexpr double kOxMixerStreamAheadSeconds = 2.0;

// --- System ----------------------------------------------------------------
// Creates a system; *system is null on failure. Nothing plays before init.
OxMixerResult OxMixerSystemCreate(OxMixerSystem** system);
// Starts the system with at most maxChannels (1..4095) channels playing at
// once. Opens the default audio device; where none opens, or when it goes
// away later, the mix runs on a silent clock (so time still passes) and the
// default device is tried again every second. Nothing is written to stderr.
// With a device, a decoder thread decodes streams ahead between updates.
OxMixerResult OxMixerSystemInit(OxMixerSystem* system, int maxChannels, unsigned flags,
                                void* extraDriverData);
// Per-frame work: decodes streams ahead (without a device; with one, it
// wakes the decoder thread).
OxMixerResult OxMixerSystemUpdate(OxMixerSystem* system);
// Closes the device and releases the system with every sound, group and
// channel it still holds.
OxMixerResult OxMixerSystemRelease(OxMixerSystem* system);
// Mixes the next frameCount frames into out (2 floats per frame). Only for a
// system initialised with OX_MIXER_INIT_NO_DEVICE.
OxMixerResult OxMixerSystemPull(OxMixerSystem* system, float* out, int frameCount);
// The number of channels currently playing (paused ones included).
OxMixerResult OxMixerSystemGetChannelsPlaying(OxMixerSystem* system, int* count);
// The master group: every group feeds it; it cannot be released.
OxMixerResult OxMixerSystemGetMasterGroup(OxMixerSystem* system, OxMixerGroup** group);
// Creates a group under the master group; the name may be null. *group is
// null on failure.
OxMixerResult OxMixerSystemCreateGroup(OxMixerSystem* system, const char* name,
                                       OxMixerGroup** group);
// Opens a file and decodes it whole into memory. *sound is null on failure.
OxMixerResult OxMixerSystemCreateSound(OxMixerSystem* system, const char* path, unsigned mode,
                                       void* extraInfo, OxMixerSound** sound);
// Opens a file to be decoded progressively while it plays; only its first
// few thousand frames are decoded here. *sound is null on failure.
OxMixerResult OxMixerSystemCreateStream(OxMixerSystem* system, const char* path, unsigned mode,
                                        void* extraInfo, OxMixerSound** sound);
// Starts the sound on a new channel in group (the master group when null).
// With every channel busy the channel that started first is taken over. A
// stream plays on one channel at a time: playing it again restarts it,
// decoding only its first few thousand frames here.
OxMixerResult OxMixerSystemPlaySound(OxMixerSystem* system, OxMixerSound* sound,
                                     OxMixerGroup* group, int paused,
                                     OxMixerChannel** channel);

// --- Channels: a channel handle is unknown once its channel has ended -----
OxMixerResult OxMixerChannelSetVolume(OxMixerChannel* channel, float volume);
// Playback-rate factor: 1 normal, 2 an octave up, 0 (or less) holds it still.
OxMixerResult OxMixerChannelSetPitch(OxMixerChannel* channel, float pitch);
OxMixerResult OxMixerChannelSetMode(OxMixerChannel* channel, unsigned loopMode);
// -1 (or any negative count) forever, 0 plays once, N plays N + 1 times; only
// with OX_MIXER_LOOP_NORMAL, whose count starts at -1.
OxMixerResult OxMixerChannelSetLoopCount(OxMixerChannel* channel, int loopCount);
OxMixerResult OxMixerChannelSetPaused(OxMixerChannel* channel, int paused);
OxMixerResult OxMixerChannelStop(OxMixerChannel* channel);
// *playing is 1 while the channel lives, 0 once it ended (or was never made).
OxMixerResult OxMixerChannelIsPlaying(OxMixerChannel* channel, int* playing);

// --- Groups ------------------------------------------------------------------
// A paused group keeps its channels silent and their positions still.
OxMixerResult OxMixerGroupSetPaused(OxMixerGroup* group, int paused);
// Ends every channel of the group.
OxMixerResult OxMixerGroupStop(OxMixerGroup* group);
// Volume and pitch multiply into every channel of the group.
OxMixerResult OxMixerGroupSetVolume(OxMixerGroup* group, float volume);
OxMixerResult OxMixerGroupSetPitch(OxMixerGroup* group, float pitch);
// The number of channels playing in the group.
OxMixerResult OxMixerGroupGetChannelCount(OxMixerGroup* group, int* count);
// Releases the group; its channels move on to the master group.
OxMixerResult OxMixerGroupRelease(OxMixerGroup* group);

// --- Sounds ------------------------------------------------------------------
// Releases the sound and ends the channels that play it.
OxMixerResult OxMixerSoundRelease(OxMixerSound* sound);
// Length in frames at the file's own rate; -1 for a stream whose end has not
// been decoded yet.
OxMixerResult OxMixerSoundGetLength(OxMixerSound* sound, int64_t* frames);
