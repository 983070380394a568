// The decoder's Ogg Vorbis reader on libvorbisfile, reading through the file
// layer. Through libsndfile a file that fails while its headers are read
// leaves its Vorbis set-up allocated (about 6 KB a load); vorbisfile frees
// what it made when an open fails.
#include <stdio.h>
#include <vorbis/vorbisfile.h>

#include <new>

#include "mixer/OxMixerDecoderReaders.h"

namespace {

// Holes (damaged pages skipped) read in a row before the file counts as
// unreadable.
const int kMostHolesInARow = 64;

class VorbisReader : public OxMixerReader {
 public:
  explicit VorbisReader(OxPlatformFile* file) : file_(file) {}
  ~VorbisReader() override
  {
    if (open_) ov_clear(&vorbis_);
    OxPlatformFileClose(file_);
  }

  bool Open()
  {
    ov_callbacks callbacks = {ReadBytes, SeekBytes, nullptr, TellBytes};
    if (ov_open_callbacks(this, &vorbis_, nullptr, 0, callbacks) != 0) return false;
    open_ = true;
    vorbis_info* info = ov_info(&vorbis_, -1);
    if (!info || info->channels < 1 || info->rate < 1 || info->rate > 0x7FFFFFFF) return false;
    channels = info->channels;
    rate = static_cast<int>(info->rate);
    frames = ov_pcm_total(&vorbis_, -1);
    return true;
  }

  int64_t Read(float* out, int64_t frameCount) override
  {
    int64_t filled = 0;
    int holes = 0;
    while (filled < frameCount) {
      float** pcm = nullptr;
      int section = 0;
      int want = frameCount - filled > 4096 ? 4096 : static_cast<int>(frameCount - filled);
      long got = ov_read_float(&vorbis_, &pcm, want, &section);
      if (got == 0) break;
      if (got == OV_HOLE) {
        if (++holes > kMostHolesInARow) return filled > 0 ? filled : -1;
        continue;
      }
      if (got < 0) return filled > 0 ? filled : -1;
      holes = 0;
      // A chained stream whose later part has other channels ends here.
      vorbis_info* info = ov_info(&vorbis_, section);
      if (!info || info->channels != channels) break;
      for (long f = 0; f < got; ++f)
        for (int c = 0; c < channels; ++c) out[(filled + f) * channels + c] = pcm[c][f];
      filled += got;
    }
    return filled;
  }

  bool Rewind() override { return ov_pcm_seek(&vorbis_, 0) == 0; }

 private:
  static size_t ReadBytes(void* buffer, size_t size, size_t count, void* user)
  {
    VorbisReader* reader = static_cast<VorbisReader*>(user);
    if (size == 0 || count == 0) return 0;
    int64_t got = OxPlatformFileRead(reader->file_, reader->position_, buffer, size * count);
    if (got <= 0) return 0;
    reader->position_ += got;
    return static_cast<size_t>(got) / size;
  }

  static int SeekBytes(void* user, ogg_int64_t offset, int whence)
  {
    VorbisReader* reader = static_cast<VorbisReader*>(user);
    int64_t target = OxMixerSeekTarget(reader->file_, reader->position_, offset, whence);
    if (target < 0) return -1;
    reader->position_ = target;
    return 0;
  }

  static long TellBytes(void* user)
  {
    return static_cast<long>(static_cast<VorbisReader*>(user)->position_);
  }

  OxPlatformFile* file_;
  int64_t position_ = 0;
  OggVorbis_File vorbis_;
  bool open_ = false;
};

}  // namespace

OxMixerReader* OxMixerOpenVorbisReader(OxPlatformFile* file)
{
  return OxMixerOpenReaderOver<VorbisReader>(file);
}
