// The decoder's MP3 reader on libmpg123, with its quiet flag set (through
// libsndfile it writes its warnings about damaged frames to standard error)
// and reading through the file layer. libmpg123 still prints two messages
// whatever the flag says: that no output format fits (avoided by leaving
// every format allowed) and that a Layer II frame's stereo bound was cut to
// its subband limit (avoided by taking Layer III streams only, held to the
// first frame's layer by refusing stitched-together streams).
#include <mpg123.h>
#include <stdio.h>
#include <string.h>

#include <new>

#include "mixer/OxMixerDecoderReaders.h"

namespace {

class MpegReader : public OxMixerReader {
 public:
  explicit MpegReader(OxPlatformFile* file) : file_(file) {}
  ~MpegReader() override
  {
    if (handle_) {
      mpg123_close(handle_);
      mpg123_delete(handle_);
    }
    OxPlatformFileClose(file_);
  }

  bool Open()
  {
    int error = MPG123_OK;
    handle_ = mpg123_new(nullptr, &error);
    if (!handle_) return false;
    mpg123_param(handle_, MPG123_ADD_FLAGS,
                 MPG123_QUIET | MPG123_FORCE_FLOAT | MPG123_GAPLESS | MPG123_NO_FRANKENSTEIN, 0.0);
    mpg123_param(handle_, MPG123_REMOVE_FLAGS, MPG123_AUTO_RESAMPLE, 0.0);
    if (mpg123_replace_reader_handle(handle_, ReadBytes, SeekBytes, nullptr) != MPG123_OK ||
        mpg123_open_handle(handle_, this) != MPG123_OK)
      return false;
    long fileRate = 0;
    int fileChannels = 0, encoding = 0;
    if (mpg123_getformat(handle_, &fileRate, &fileChannels, &encoding) != MPG123_OK ||
        fileChannels < 1 || fileChannels > 2 || fileRate < 1 || fileRate > 1000000)
      return false;
    // Only the first frame's header has been read so far, nothing decoded.
    mpg123_frameinfo first;
    if (mpg123_info(handle_, &first) != MPG123_OK || first.layer != 3) return false;
    channels = fileChannels;
    rate = static_cast<int>(fileRate);
    frames = mpg123_length(handle_);
    return true;
  }

  int64_t Read(float* out, int64_t frameCount) override
  {
    unsigned char* bytes = reinterpret_cast<unsigned char*>(out);
    size_t wanted = static_cast<size_t>(frameCount) * channels * sizeof(float);
    size_t filled = 0;
    while (filled < wanted && !ended_) {
      size_t done = 0;
      int result = mpg123_read(handle_, bytes + filled, wanted - filled, &done);
      filled += done;
      if (result == MPG123_DONE) {
        ended_ = true;
      } else if (result == MPG123_NEW_FORMAT) {
        // A later frame with other channels ends the sound instead of
        // changing them midway (the rate cannot change in one stream).
        long newRate = 0;
        int newChannels = 0, encoding = 0;
        mpg123_getformat(handle_, &newRate, &newChannels, &encoding);
        if (newRate != rate || newChannels != channels) ended_ = true;
      } else if (result != MPG123_OK) {
        if (filled == 0) return -1;
        ended_ = true;
      } else if (done == 0) {
        ended_ = true;  // nothing more to give, without saying so
      }
    }
    return static_cast<int64_t>(filled / (channels * sizeof(float)));
  }

  bool Rewind() override
  {
    ended_ = false;
    return mpg123_seek(handle_, 0, SEEK_SET) >= 0;
  }

 private:
  static mpg123_ssize_t ReadBytes(void* user, void* buffer, size_t count)
  {
    MpegReader* reader = static_cast<MpegReader*>(user);
    int64_t got = OxPlatformFileRead(reader->file_, reader->position_, buffer, count);
    if (got > 0) reader->position_ += got;
    return static_cast<mpg123_ssize_t>(got);
  }

  static off_t SeekBytes(void* user, off_t offset, int whence)
  {
    MpegReader* reader = static_cast<MpegReader*>(user);
    int64_t target = OxMixerSeekTarget(reader->file_, reader->position_, offset, whence);
    if (target < 0) return -1;
    reader->position_ = target;
    return static_cast<off_t>(target);
  }

  OxPlatformFile* file_;
  int64_t position_ = 0;
  mpg123_handle* handle_ = nullptr;
  bool ended_ = false;
};

}  // namespace

OxMixerReader* OxMixerOpenMpegReader(OxPlatformFile* file)
{
  return OxMixerOpenReaderOver<MpegReader>(file);
}
