// The sound decoder's readers: one per decoding library, each reading an
// open regular file as interleaved float frames in the file's own channels.
// Used only by the decoder (OxMixerDecoderSndfile.cpp), which picks
// the reader by the file's first bytes.
#pragma once
#include <stdint.h>
#include <stdio.h>

#include <new>

#include "platform/OxPlatformFile.h"

class OxMixerReader {
 public:
  virtual ~OxMixerReader() = default;
  // Reads up to frameCount frames into out (channels floats a frame): the
  // frames read, 0 at the end, -1 on a read error.
  virtual int64_t Read(float* out, int64_t frameCount) = 0;
  // Back to the first frame; false when that fails.
  virtual bool Rewind() = 0;

  int channels = 0;
  int rate = 0;
  // The length the file declares, in frames (0 or less when unknown).
  int64_t frames = 0;
};

// Each opens the file for reading and takes it over (it is closed with the
// reader, or at once when the open fails); null when the file does not open
// as that library's sound. The MP3 and Ogg Vorbis readers keep their
// libraries' messages off standard error (quiet flags, and no messages).
OxMixerReader* OxMixerOpenMpegReader(OxPlatformFile* file);
OxMixerReader* OxMixerOpenVorbisReader(OxPlatformFile* file);

// Where a seek by offset from whence (SEEK_SET, SEEK_CUR or SEEK_END) lands
// in file when reading is at position: the new position, or -1 before the
// file's start (a seek past the end is allowed; reads there give nothing).
inline int64_t OxMixerSeekTarget(const OxPlatformFile* file, int64_t position, int64_t offset,
                                 int whence)
{
  int64_t base = whence == SEEK_CUR ? position : whence == SEEK_END ? OxPlatformFileSize(file) : 0;
  int64_t target = base + offset;
  return target < 0 ? -1 : target;
}

// Makes a Reader over file (which it takes over) and opens it with the
// reader's Open(); null when either fails, the file then closed: directly
// when no reader could be made, else by the reader's destructor.
template <typename Reader>
OxMixerReader* OxMixerOpenReaderOver(OxPlatformFile* file)
{
  Reader* reader = new (std::nothrow) Reader(file);
  if (!reader) {
    OxPlatformFileClose(file);
    return nullptr;
  }
  if (!reader->Open()) {
    delete reader;
    return nullptr;
  }
  return reader;
}
