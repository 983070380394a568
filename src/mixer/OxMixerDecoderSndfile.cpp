// Mixer decoder backend: reads WAV, AIFF, FLAC, Opus and the other formats
// of libsndfile, MP3 through libmpg123 and Ogg Vorbis through libvorbisfile
// (each quiet, each reading only regular files through the file layer), and
// hands the mixer stereo float frames.
#include <stdio.h>
#include <string.h>

#include <memory>

#include <sndfile.h>

#include <new>

#include "platform/OxPlatformFile.h"
#include "mixer/OxMixerDecoderReaders.h"
#include "mixer/OxMixerInternal.h"

struct OxMixerDecoder {
  OxMixerReader* reader = nullptr;
  std::vector<float> scratch;  // one chunk of frames in the file's channels
};

namespace {

constexpr int64_t kChunkFrames = 4096;
// Mix-down weight of the centre and surround channels.
constexpr float kSideWeight = 0.70710678f;

// ---- The libsndfile reader -------------------------------------------------------
// Through libsndfile's virtual files, so that it reads the file layer's
// regular file and never opens the path itself.

class SndfileReader : public OxMixerReader {
 public:
  explicit SndfileReader(OxPlatformFile* file) : file_(file) {}
  ~SndfileReader() override
  {
    if (sound_) sf_close(sound_);
    OxPlatformFileClose(file_);
  }

  bool Open()
  {
    SF_VIRTUAL_IO io = {Length, Seek, ReadBytes, Write, Tell};
    SF_INFO info;
    memset(&info, 0, sizeof info);
    sound_ = sf_open_virtual(&io, SFM_READ, &info, this);
    // MPEG files belong to the MP3 reader: libsndfile's decoder for them
    // writes to standard error.
    if (!sound_ || (info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_MPEG) return false;
    channels = info.channels;
    rate = info.samplerate;
    frames = info.frames;
    return true;
  }

  int64_t Read(float* out, int64_t frameCount) override
  {
    sf_count_t got = sf_readf_float(sound_, out, frameCount);
    if (sf_error(sound_) != SF_ERR_NO_ERROR) return got > 0 ? got : -1;
    return got;
  }

  bool Rewind() override { return sf_seek(sound_, 0, SEEK_SET) == 0; }

 private:
  static sf_count_t Length(void* user)
  {
    return OxPlatformFileSize(static_cast<SndfileReader*>(user)->file_);
  }
  static sf_count_t Seek(sf_count_t offset, int whence, void* user)
  {
    SndfileReader* reader = static_cast<SndfileReader*>(user);
    int64_t target = OxMixerSeekTarget(reader->file_, reader->position_, offset, whence);
    if (target < 0) return -1;
    reader->position_ = target;
    return reader->position_;
  }
  static sf_count_t ReadBytes(void* buffer, sf_count_t count, void* user)
  {
    SndfileReader* reader = static_cast<SndfileReader*>(user);
    if (count <= 0) return 0;
    int64_t got = OxPlatformFileRead(reader->file_, reader->position_, buffer,
                                     static_cast<size_t>(count));
    if (got <= 0) return 0;
    reader->position_ += got;
    return got;
  }
  static sf_count_t Write(const void*, sf_count_t, void*) { return 0; }
  static sf_count_t Tell(void* user) { return static_cast<SndfileReader*>(user)->position_; }

  OxPlatformFile* file_;
  sf_count_t position_ = 0;
  SNDFILE* sound_ = nullptr;
};

// ---- Choosing the reader -----------------------------------------------------------

// Reads up to count bytes from offset; how many were read.
size_t Peek(OxPlatformFile* file, int64_t offset, unsigned char* out, size_t count)
{
  size_t done = 0;
  while (done < count) {
    int64_t got = OxPlatformFileRead(file, offset + static_cast<int64_t>(done), out + done,
                                     count - done);
    if (got <= 0) break;
    done += static_cast<size_t>(got);
  }
  return done;
}

// An MPEG frame sync, after an ID3 tag when the file starts with one.
bool IsMpeg(OxPlatformFile* file)
{
  unsigned char head[10] = {};
  size_t got = Peek(file, 0, head, sizeof head);
  int64_t at = 0;
  if (got == sizeof head && memcmp(head, "ID3", 3) == 0) {
    // The tag's size: four bytes of seven bits, after the ten-byte header
    // (and a ten-byte footer when flag bit 4 is set).
    at = 10 + ((head[6] & 0x7F) << 21 | (head[7] & 0x7F) << 14 | (head[8] & 0x7F) << 7 |
               (head[9] & 0x7F));
    if (head[5] & 0x10) at += 10;
    got = Peek(file, at, head, 2);
  }
  return got >= 2 && head[0] == 0xFF && (head[1] & 0xE0) == 0xE0;
}

// An Ogg file with a Vorbis identification header as the first packet of
// any page in its first 64 KB. A damaged first page does not hide a Vorbis
// stream behind it: libsndfile would skip to it, and its Vorbis code leaves
// its set-up allocated when the headers then fail, where vorbisfile frees
// what it made.
bool IsOggVorbis(OxPlatformFile* file)
{
  unsigned char head[4] = {};
  if (Peek(file, 0, head, sizeof head) < 4 || memcmp(head, "OggS", 4) != 0) return false;
  const size_t kLook = 64 * 1024;
  std::unique_ptr<unsigned char[]> start(new (std::nothrow) unsigned char[kLook]);
  if (!start) return false;
  size_t got = Peek(file, 0, start.get(), kLook);
  for (size_t at = 0; at + 27 < got; ++at) {
    if (memcmp(&start[at], "OggS", 4) != 0) continue;
    size_t packet = at + 27 + start[at + 26];
    if (got >= packet + 7 && memcmp(&start[packet], "\x01vorbis", 7) == 0) return true;
  }
  return false;
}

// The reader for the file at path; null when it is not a regular file or
// does not open as sound. *missing tells which.
OxMixerReader* OpenReader(const char* path, bool* missing)
{
  *missing = false;
  OxPlatformFile* file = path ? OxPlatformFileOpen(path) : nullptr;
  if (!file) {
    *missing = true;
    return nullptr;
  }
  if (IsMpeg(file)) return OxMixerOpenMpegReader(file);
  if (IsOggVorbis(file)) return OxMixerOpenVorbisReader(file);
  return OxMixerOpenReaderOver<SndfileReader>(file);
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

bool PlausibleFormat(const OxMixerReader& reader)
{
  return reader.channels >= 1 && reader.rate >= 1 && reader.rate <= kMostRate &&
         reader.frames > 0;
}

}  // namespace

OxMixerResult OxMixerDecoderOpen(const char* path, OxMixerDecoder** decoder, int* rate)
{
  *decoder = nullptr;
  if (!path) return OX_MIXER_ERR_INVALID_PARAM;
  bool missing = false;
  OxMixerReader* reader = OpenReader(path, &missing);
  if (!reader) return missing ? OX_MIXER_ERR_FILE_NOT_FOUND : OX_MIXER_ERR_FORMAT;
  if (!PlausibleFormat(*reader)) {
    delete reader;
    return OX_MIXER_ERR_FORMAT;
  }
  auto* made = new (std::nothrow) OxMixerDecoder;
  if (!made) {
    delete reader;
    return OX_MIXER_ERR_FORMAT;
  }
  made->reader = reader;
  made->scratch.resize(static_cast<size_t>(kChunkFrames) * reader->channels);
  *rate = reader->rate;
  *decoder = made;
  return OX_MIXER_OK;
}

int64_t OxMixerDecoderRead(OxMixerDecoder* decoder, float* out, int64_t frameCount)
{
  int64_t total = 0;
  OxMixerReader* reader = decoder->reader;
  while (total < frameCount) {
    int64_t want = frameCount - total;
    if (want > kChunkFrames) want = kChunkFrames;
    int64_t got = reader->Read(decoder->scratch.data(), want);
    if (got < 0) return total > 0 ? total : -1;
    if (got > 0) {
      ToStereo(decoder->scratch.data(), reader->channels, got, out + 2 * total);
      total += got;
    }
    if (got < want) break;
  }
  return total;
}

bool OxMixerDecoderRewind(OxMixerDecoder* decoder) { return decoder->reader->Rewind(); }

void OxMixerDecoderClose(OxMixerDecoder* decoder)
{
  if (!decoder) return;
  delete decoder->reader;
  delete decoder;
}

OxMixerResult OxMixerDecodeWhole(const char* path, std::vector<float>* frames, int* rate)
{
  frames->clear();
  if (!path) return OX_MIXER_ERR_INVALID_PARAM;
  bool missing = false;
  OxMixerReader* reader = OpenReader(path, &missing);
  if (!reader) return missing ? OX_MIXER_ERR_FILE_NOT_FOUND : OX_MIXER_ERR_FORMAT;
  OxMixerResult result = OX_MIXER_OK;
  if (!PlausibleFormat(*reader)) result = OX_MIXER_ERR_FORMAT;
  std::vector<float> chunk;
  int64_t decoded = 0;
  if (result == OX_MIXER_OK) {
    // The declared length is only a hint for the first allocation: a damaged
    // header can declare billions of frames. Running out of memory while
    // decoding fails the load instead of throwing out of the library.
    int64_t hint = reader->frames < kMostReservedFrames ? reader->frames : kMostReservedFrames;
    try {
      chunk.resize(static_cast<size_t>(kChunkFrames) * reader->channels);
      frames->reserve(static_cast<size_t>(hint) * 2);
      for (;;) {
        int64_t got = reader->Read(chunk.data(), kChunkFrames);
        if (got < 0) {
          result = OX_MIXER_ERR_FORMAT;
          break;
        }
        if (got > 0) {
          size_t at = frames->size();
          frames->resize(at + static_cast<size_t>(got) * 2);
          ToStereo(chunk.data(), reader->channels, got, frames->data() + at);
          decoded += got;
        }
        if (got < kChunkFrames) break;
      }
    } catch (const std::bad_alloc&) {
      result = OX_MIXER_ERR_FORMAT;
    }
    // A file that ends before its declared length was cut short.
    if (result == OX_MIXER_OK && (decoded == 0 || decoded < reader->frames))
      result = OX_MIXER_ERR_FORMAT;
  }
  int fileRate = reader->rate;
  delete reader;
  if (result != OX_MIXER_OK) {
    frames->clear();
    frames->shrink_to_fit();
    return result;
  }
  *rate = fileRate;
  return OX_MIXER_OK;
}
