// File layer on POSIX: open(2) without waiting, a check that the path is a
// regular file, then a stdio stream over the descriptor.
#include "OxPlatformFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
