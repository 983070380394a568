// Writing test sound files with libsndfile and measuring mixed output.
#include "OxTestSound.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <sndfile.h>

#ifdef OX_TEST_NULL_BACKEND
#include "platform/null/OxPlatformNull.h"
#endif

namespace oxtest {

bool WriteSoundFile(const std::string& path, SoundFormat format, int rate, int channels,
                    const std::vector<float>& samples)
{
  SF_INFO info;
  memset(&info, 0, sizeof info);
  info.samplerate = rate;
  info.channels = channels;
  switch (format) {
    case SoundFormat::Wav: info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT; break;
    case SoundFormat::Flac: info.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_24; break;
    case SoundFormat::OggVorbis: info.format = SF_FORMAT_OGG | SF_FORMAT_VORBIS; break;
    case SoundFormat::Aiff: info.format = SF_FORMAT_AIFF | SF_FORMAT_PCM_16; break;
    case SoundFormat::OggOpus: info.format = SF_FORMAT_OGG | SF_FORMAT_OPUS; break;
    case SoundFormat::Mp3: info.format = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III; break;
  }
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!file) return false;
  sf_count_t frames = static_cast<sf_count_t>(samples.size() / channels);
  sf_count_t written = sf_writef_float(file, samples.data(), frames);
  sf_close(file);
  return written == frames;
}

std::vector<float> Sine(double hertz, float amplitude, int rate, int frames)
{
  std::vector<float> samples(frames);
  for (int i = 0; i < frames; ++i)
    samples[i] = amplitude * static_cast<float>(sin(2.0 * M_PI * hertz * i / rate));
  return samples;
}

std::vector<float> Constant(float value, int frames) { return std::vector<float>(frames, value); }

int ZeroCrossings(const std::vector<float>& stereo, int side, size_t firstFrame, size_t frameCount)
{
  int crossings = 0;
  bool havePrevious = false;
  bool previousPositive = false;
  for (size_t f = firstFrame; f < firstFrame + frameCount && 2 * f + side < stereo.size(); ++f) {
    float value = stereo[2 * f + side];
    if (value == 0.0f) continue;
    bool positive = value > 0.0f;
    if (havePrevious && positive != previousPositive) ++crossings;
    previousPositive = positive;
    havePrevious = true;
  }
  return crossings;
}

float Peak(const std::vector<float>& stereo, int side, size_t firstFrame, size_t frameCount)
{
  float peak = 0.0f;
  for (size_t f = firstFrame; f < firstFrame + frameCount && 2 * f + side < stereo.size(); ++f)
    peak = fmaxf(peak, fabsf(stereo[2 * f + side]));
  return peak;
}

void CaptureAudioTo(const std::string& path)
{
#if defined(OX_TEST_NULL_BACKEND)
  fclose(fopen(path.c_str(), "wb"));
#elif !defined(_WIN32)
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", path.c_str(), 1);
#else
  (void)path;  // the Windows build captures nothing
#endif
}

long CapturedFrames(const std::string& path)
{
#ifdef OX_TEST_NULL_BACKEND
  float frames[2 * 4096];
  FILE* file = fopen(path.c_str(), "ab");
  for (int taken; file && (taken = OxNullAudioTake(frames, 4096)) > 0;)
    fwrite(frames, sizeof(float), 2 * static_cast<size_t>(taken), file);
  if (file) fclose(file);
#endif
  struct stat info;
  return stat(path.c_str(), &info) == 0 ? static_cast<long>(info.st_size / 8) : 0;
}

}  // namespace oxtest
