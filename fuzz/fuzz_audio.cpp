// Fuzz target: any bytes as a sound file, loaded with OxAudioLoadSound and
// OxAudioLoadMusic, both played (one looping, at a changed pitch) and the
// mixer's output pulled for a quarter of a second, with OxAudioUpdate
// between pulls so that the stream decodes ahead as it does in a game.
//
// The audio module and the mixer are compiled into this program (the mixer
// is hidden inside liboxlen). The link wraps OxMixerSystemInit so that the
// module's own OxAudioInit starts the mixer without a device: output is then
// produced only by OxMixerSystemPull, here, in step with the input, instead
// of on an audio thread at the device's pace.
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include <vector>

#include "OxAudio.h"
#include "OxFuzzSupport.h"
#include "mixer/OxMixer.h"

namespace {

OxMixerSystem* gSystem = nullptr;
OxAudioGroup gGroup = {nullptr};

}  // namespace

// The wrapped symbol is OxMixerSystemInit(OxMixerSystem*, int, unsigned, void*).
extern "C" OxMixerResult __real__Z17OxMixerSystemInitP13OxMixerSystemijPv(
    OxMixerSystem* system, int maxChannels, unsigned flags, void* extra);
extern "C" OxMixerResult __wrap__Z17OxMixerSystemInitP13OxMixerSystemijPv(
    OxMixerSystem* system, int maxChannels, unsigned flags, void* extra)
{
  gSystem = system;
  return __real__Z17OxMixerSystemInitP13OxMixerSystemijPv(
      system, maxChannels, flags | OX_MIXER_INIT_NO_DEVICE, extra);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  if (!gSystem) {
    if (!OxAudioInit() || !gSystem) {
      fprintf(stderr, "oxfuzz: the mixer did not start\n");
      exit(2);
    }
    gGroup = OxAudioCreateGroup();
  }
  std::string path = oxfuzz::WriteInput("input.snd", data, size);
  oxfuzz::ExpectNothingOnStandardError([&] {
    OxAudio sound = OxAudioLoadSound(path.c_str());
    OxAudio music = OxAudioLoadMusic(path.c_str());
    OxAudioPlay(sound, gGroup, 0.8f, 1.5f, 0);
    OxAudioPlay(music, gGroup, 0.5f, 0.75f, -1);
    std::vector<float> out(2 * 1200);
    for (int pull = 0; pull < 10; ++pull) {
      if (OxMixerSystemPull(gSystem, out.data(), 1200) != OX_MIXER_OK) abort();
      OxAudioUpdate();
    }
    OxAudioStopGroup(gGroup);
    OxAudioUnloadAudio(sound);
    OxAudioUnloadAudio(music);
  });
  return 0;
}
