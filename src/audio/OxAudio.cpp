// Audio module: handle records over the platform mixer (sounds, streams,
// channel groups). Leans on src/mixer/OxMixer.h and the diagnostics only.
#include "OxAudio.h"

#include "diagnostics/OxDiagnostics.h"
#include "mixer/OxMixer.h"

static_assert(sizeof(OxAudio) == sizeof(void*), "OxAudio is one pointer-sized handle");
static_assert(sizeof(OxAudioGroup) == sizeof(void*), "OxAudioGroup is one pointer-sized handle");

namespace {

// The mixer system: null at load, set by OxAudioInit, cleared by OxAudioExit
// once the release succeeds.
struct AudioState {
  OxMixerSystem* system = nullptr;
} gAudio;

constexpr int kMostChannels = 64;

OxMixerSound* SoundOf(OxAudio sound) { return static_cast<OxMixerSound*>(sound.sound); }
OxMixerGroup* GroupOf(OxAudioGroup group) { return static_cast<OxMixerGroup*>(group.group); }

}  // namespace

int OxAudioInit(void)
{
  // NOTE: a second start would orphan a running mixer and its device.
  if (gAudio.system) return 1;
  if (OxMixerSystemCreate(&gAudio.system) != OX_MIXER_OK) return 0;
  if (OxMixerSystemInit(gAudio.system, kMostChannels, OX_MIXER_INIT_NORMAL | OX_MIXER_INIT_RAMPS, nullptr) != OX_MIXER_OK) {
    OxAudioExit();
    return 0;
  }
  return 1;
}

void OxAudioUpdate(void)
{
  // A mixer that failed once is released; later calls meet a null system.
  if (OxMixerSystemUpdate(gAudio.system) != OX_MIXER_OK) OxAudioExit();
}

void OxAudioExit(void)
{
  if (!gAudio.system) return;
  if (OxMixerSystemRelease(gAudio.system) == OX_MIXER_OK) gAudio.system = nullptr;
}

int OxAudioIsValidAudio(OxAudio sound) { return sound.sound != nullptr ? 1 : 0; }

int OxAudioIsValidGroup(OxAudioGroup group) { return group.group != nullptr ? 1 : 0; }

OxAudioGroup OxAudioCreateGroup(void)
{
  OxAudioGroup group = {nullptr};
  if (!gAudio.system) OxDiagNotRunning("OxAudioCreateGroup", true);
  OxMixerGroup* made = nullptr;
  OxMixerSystemCreateGroup(gAudio.system, nullptr, &made);
  group.group = made;
  return group;
}

// A record filled by one of the mixer's two creation calls; a failed
// creation leaves the handle null and its reason as the last error, kind
// ("sound" or "music") naming what was loaded.
template <typename Create>
static OxAudio LoadWith(Create create, const char* path, const char* kind, const char* function)
{
  OxAudio sound = {nullptr};
  if (!gAudio.system) {
    OxDiagNotRunning(function, true);
    return sound;
  }
  if (!path) {
    OxDiagSilentFailure("%s: no path given", function);
    return sound;
  }
  OxMixerSound* made = nullptr;
  OxMixerResult result = create(gAudio.system, path, 0, nullptr, &made);
  sound.sound = made;
  if (result == OX_MIXER_OK) return sound;
  const char* reason = "the mixer refused it";
  if (result == OX_MIXER_ERR_FILE_NOT_FOUND)
    reason = "no such file (or not a readable regular file)";
  else if (result == OX_MIXER_ERR_FORMAT)
    reason = "not a sound file (unknown format, empty or damaged)";
  else if (result == OX_MIXER_ERR_MEMORY)
    reason = "out of memory";
  OxDiagSilentFailure("%s '%s': %s", kind, path, reason);
  return sound;
}

OxAudio OxAudioLoadSound(const char* path)
{
  return LoadWith(OxMixerSystemCreateSound, path, "sound", "OxAudioLoadSound");
}

OxAudio OxAudioLoadMusic(const char* path)
{
  return LoadWith(OxMixerSystemCreateStream, path, "music", "OxAudioLoadMusic");
}

void OxAudioPlay(OxAudio sound, OxAudioGroup group, float volume, float pitch, int loops)
{
  // A sound cannot be played without a group.
  if (!OxAudioIsValidAudio(sound) || !OxAudioIsValidGroup(group)) {
    OxDiagTrap("OxAudioPlay with a null %s: nothing plays", sound.sound ? "group" : "sound");
    return;
  }
  OxMixerChannel* channel = nullptr;
  if (OxMixerSystemPlaySound(gAudio.system, SoundOf(sound), GroupOf(group), 1, &channel) != OX_MIXER_OK)
    return;
  // Settled while paused, so the sound never starts with the wrong settings.
  OxMixerChannelSetVolume(channel, volume);
  OxMixerChannelSetPitch(channel, pitch);
  if (loops != 0) {
    OxMixerChannelSetMode(channel, OX_MIXER_LOOP_NORMAL);
    OxMixerChannelSetLoopCount(channel, loops);
  }
  OxMixerChannelSetPaused(channel, 0);
}

void OxAudioResumeGroup(OxAudioGroup group)
{
  if (OxAudioIsValidGroup(group)) OxMixerGroupSetPaused(GroupOf(group), 0);
}

void OxAudioPauseGroup(OxAudioGroup group)
{
  if (OxAudioIsValidGroup(group)) OxMixerGroupSetPaused(GroupOf(group), 1);
}

void OxAudioStopGroup(OxAudioGroup group)
{
  if (OxAudioIsValidGroup(group)) OxMixerGroupStop(GroupOf(group));
}

void OxAudioSetGroupVolume(OxAudioGroup group, float volume)
{
  if (OxAudioIsValidGroup(group)) OxMixerGroupSetVolume(GroupOf(group), volume);
}

void OxAudioSetGroupPitch(OxAudioGroup group, float pitch)
{
  if (OxAudioIsValidGroup(group)) OxMixerGroupSetPitch(GroupOf(group), pitch);
}

// Both releases hand any record to the mixer, which rejects unknown ones.
void OxAudioUnloadAudio(OxAudio sound) { OxMixerSoundRelease(SoundOf(sound)); }

void OxAudioUnloadAudioGroup(OxAudioGroup group) { OxMixerGroupRelease(GroupOf(group)); }
