// File layer on POSIX descriptors: open(2) without waiting, a check through
// the descriptor that the path is a regular file, then reads by offset or a
// stdio stream over the descriptor. A path is also looked at before it is
// opened for reading by offset, so a device is not even opened.
#include "platform/OxPlatformFile.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <new>

struct OxPlatformFile {
  int descriptor;
  int64_t size;
};

namespace {

// The stream over a descriptor just opened, or null (descriptor closed) when
// it is not a regular file. Waiting was only avoided for the open itself.
FILE* StreamOverRegularFile(int fd, bool truncate, const char* mode)
{
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || (truncate && ftruncate(fd, 0) != 0)) {
    close(fd);
    return nullptr;
  }
  int flags = fcntl(fd, F_GETFL);
  if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    close(fd);
    return nullptr;
  }
  FILE* stream = fdopen(fd, mode);
  if (!stream) close(fd);
  return stream;
}

}  // namespace

// ---- Read by offset ------------------------------------------------------

OxPlatformFile* OxPlatformFileOpen(const char* path)
{
  struct stat status;
  if (!path || stat(path, &status) != 0 || !S_ISREG(status.st_mode)) return nullptr;
  // Non-blocking, so that a path swapped for a FIFO in between does not wait
  // for a writer; the check below then refuses it.
  int descriptor = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (descriptor < 0) return nullptr;
  if (fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
    close(descriptor);
    return nullptr;
  }
  OxPlatformFile* file = new (std::nothrow) OxPlatformFile{descriptor, status.st_size};
  if (!file) close(descriptor);
  return file;
}

int64_t OxPlatformFileSize(const OxPlatformFile* file) { return file->size; }

int64_t OxPlatformFileRead(OxPlatformFile* file, int64_t offset, void* buffer, size_t count)
{
  if (offset < 0) return -1;
  for (;;) {
    ssize_t got = pread(file->descriptor, buffer, count, static_cast<off_t>(offset));
    if (got >= 0) return got;
    if (errno != EINTR) return -1;
  }
}

void OxPlatformFileClose(OxPlatformFile* file)
{
  if (!file) return;
  close(file->descriptor);
  delete file;
}

// ---- Standard C streams ----------------------------------------------------

FILE* OxPlatformOpenFileForReading(const char* path)
{
  if (!path) return nullptr;
  int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  return StreamOverRegularFile(fd, false, "rb");
}

FILE* OxPlatformOpenFileForWriting(const char* path)
{
  if (!path) return nullptr;
  // Emptied only once known to be a regular file: a device or FIFO at the
  // path is left as it is.
  int fd = open(path, O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd < 0) return nullptr;
  return StreamOverRegularFile(fd, true, "wb");
}

void OxPlatformRemoveFile(const char* path)
{
  if (path) unlink(path);
}
