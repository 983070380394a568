// Mixer decoder backend: reads WAV, AIFF, FLAC, Ogg Vorbis, Opus, MP3 and the
// other formats of libsndfile and hands the mixer stereo float frames.
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <sndfile.h>

#include <mutex>
#include <new>

#include "platform/OxPlatformMixerInternal.h"
#include "platform/OxPlatformQuietStderr.h"

struct OxMixerDecoder {
  SNDFILE* file = nullptr;
  int channels = 0;
  bool isMpeg = false;
  std::vector<float> scratch;  // one chunk of frames in the file's channels
};

namespace {

constexpr int64_t kChunkFrames = 4096;
// Mix-down weight of the centre and surround channels.
constexpr float kSideWeight = 0.70710678f;

// The MP3 decoder under libsndfile prints warnings to stderr for damaged
// files; while it works on an MP3 file, stderr points at /dev/null.
using QuietStderr = OxPlatformQuietStderr;

// An ID3 tag or an MPEG frame sync at the start of the file.
bool LooksLikeMpeg(const char* path)
{
  FILE* file = fopen(path, "rb");
  if (!file) return false;
  unsigned char head[3] = {0, 0, 0};
  size_t got = fread(head, 1, sizeof head, file);
  fclose(file);
  if (got < 2) return false;
  if (got == 3 && memcmp(head, "ID3", 3) == 0) return true;
  return head[0] == 0xFF && (head[1] & 0xE0) == 0xE0;
}

// Mono plays on both sides; stereo as it is; more channels fold down with
// front left/right, centre to both, low-frequency dropped, the rest
// alternating left and right, scaled so the fold cannot exceed full scale.
void ToStereo(const float* in, int channels, int64_t frames, float* out)
{
  if (channels == 1) {
    for (int64_t f = 0; f < frames; ++f) out[2 * f] = out[2 * f + 1] = in[f];
    return;
  }
  if (channels == 2) {
    memcpy(out, in, sizeof(float) * 2 * frames);
    return;
  }
  float sideSum = 1.0f;
  if (channels >= 3) sideSum += kSideWeight;
  for (int c = 4; c < channels; c += 2) sideSum += kSideWeight;
  float scale = 1.0f / sideSum;
  for (int64_t f = 0; f < frames; ++f) {
    const float* frame = in + f * channels;
    float left = frame[0], right = frame[1];
    if (channels >= 3) {
      left += kSideWeight * frame[2];
      right += kSideWeight * frame[2];
    }
    for (int c = 4; c < channels; ++c) {
      if ((c - 4) % 2 == 0) left += kSideWeight * frame[c];
      else right += kSideWeight * frame[c];
    }
    out[2 * f] = left * scale;
    out[2 * f + 1] = right * scale;
  }
}

// What a sound file must declare to be played: at least one channel and
// one frame, and a rate from 1 Hz to kMostRate. A damaged header can claim
// any rate, and a stream's ring is sized from it (two seconds of frames).
constexpr int kMostRate = 768000;

// The most frames reserved before decoding a whole sound: a minute at 48 kHz.
constexpr int64_t kMostReservedFrames = 48000 * 60;

bool PlausibleFormat(const SF_INFO& info)
{
  return info.channels >= 1 && info.samplerate >= 1 && info.samplerate <= kMostRate &&
         info.frames > 0;
}

}  // namespace

OxMixerResult OxMixerDecoderOpen(const char* path, OxMixerDecoder** decoder, int* rate)
{
  *decoder = nullptr;
  if (!path) return OX_MIXER_ERR_INVALID_PARAM;
  if (access(path, R_OK) != 0) return OX_MIXER_ERR_FILE_NOT_FOUND;
  bool mpeg = LooksLikeMpeg(path);
  SF_INFO info;
  memset(&info, 0, sizeof info);
  SNDFILE* file;
  {
    QuietStderr quiet(mpeg);
    file = sf_open(path, SFM_READ, &info);
  }
  if (!file) return OX_MIXER_ERR_FORMAT;
  if (!PlausibleFormat(info)) {
    sf_close(file);
    return OX_MIXER_ERR_FORMAT;
  }
  auto* made = new OxMixerDecoder;
  made->file = file;
  made->channels = info.channels;
  made->isMpeg = mpeg;
  made->scratch.resize(static_cast<size_t>(kChunkFrames) * info.channels);
  *rate = info.samplerate;
  *decoder = made;
  return OX_MIXER_OK;
}

int64_t OxMixerDecoderRead(OxMixerDecoder* decoder, float* out, int64_t frameCount)
{
  int64_t total = 0;
  QuietStderr quiet(decoder->isMpeg);
  while (total < frameCount) {
    int64_t want = frameCount - total;
    if (want > kChunkFrames) want = kChunkFrames;
    sf_count_t got = sf_readf_float(decoder->file, decoder->scratch.data(), want);
    if (got > 0) {
      ToStereo(decoder->scratch.data(), decoder->channels, got, out + 2 * total);
      total += got;
    }
    if (sf_error(decoder->file) != SF_ERR_NO_ERROR) return total > 0 ? total : -1;
    if (got < want) break;
  }
  return total;
}

bool OxMixerDecoderRewind(OxMixerDecoder* decoder)
{
  QuietStderr quiet(decoder->isMpeg);
  return sf_seek(decoder->file, 0, SEEK_SET) == 0;
}

void OxMixerDecoderClose(OxMixerDecoder* decoder)
{
  if (!decoder) return;
  sf_close(decoder->file);
  delete decoder;
}

OxMixerResult OxMixerDecodeWhole(const char* path, std::vector<float>* frames, int* rate)
{
  frames->clear();
  if (!path) return OX_MIXER_ERR_INVALID_PARAM;
  if (access(path, R_OK) != 0) return OX_MIXER_ERR_FILE_NOT_FOUND;
  bool mpeg = LooksLikeMpeg(path);
  SF_INFO info;
  memset(&info, 0, sizeof info);
  QuietStderr quiet(mpeg);
  SNDFILE* file = sf_open(path, SFM_READ, &info);
  if (!file) return OX_MIXER_ERR_FORMAT;
  OxMixerResult result = OX_MIXER_OK;
  if (!PlausibleFormat(info)) result = OX_MIXER_ERR_FORMAT;
  std::vector<float> chunk;
  int64_t decoded = 0;
  if (result == OX_MIXER_OK) {
    chunk.resize(static_cast<size_t>(kChunkFrames) * info.channels);
    // The declared length is only a hint for the first allocation: a damaged
    // header can declare billions of frames. Running out of memory while
    // decoding fails the load instead of throwing out of the library.
    int64_t hint = info.frames < kMostReservedFrames ? info.frames : kMostReservedFrames;
    try {
      frames->reserve(static_cast<size_t>(hint) * 2);
      for (;;) {
        sf_count_t got = sf_readf_float(file, chunk.data(), kChunkFrames);
        if (got > 0) {
          size_t at = frames->size();
          frames->resize(at + static_cast<size_t>(got) * 2);
          ToStereo(chunk.data(), info.channels, got, frames->data() + at);
          decoded += got;
        }
        if (sf_error(file) != SF_ERR_NO_ERROR) {
          result = OX_MIXER_ERR_FORMAT;
          break;
        }
        if (got < kChunkFrames) break;
      }
    } catch (const std::bad_alloc&) {
      result = OX_MIXER_ERR_FORMAT;
    }
    // A file that ends before its declared length was cut short.
    if (result == OX_MIXER_OK && (decoded == 0 || decoded < info.frames)) result = OX_MIXER_ERR_FORMAT;
  }
  sf_close(file);
  if (result != OX_MIXER_OK) {
    frames->clear();
    frames->shrink_to_fit();
    return result;
  }
  *rate = info.samplerate;
  return OX_MIXER_OK;
}
