// File layer on POSIX descriptors: a path is looked at before it is opened,
// so that a device is not even opened; then open(2) without waiting and
// without taking a terminal as the controlling one, a check through the
// descriptor that it is a regular file, and reads by offset or a stdio
// stream over the descriptor.
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

// The flags every path is opened with: no wait for a FIFO's other end (a
// path swapped for one after it was looked at), and never becoming the
// controlling terminal of a process that has none (a game started without a
// terminal would then end with that terminal's hang-up).
const int kOpenFlags = O_NONBLOCK | O_NOCTTY | O_CLOEXEC;

// Whether path may be opened: it names a regular file, or nothing yet when
// the file is to be created. A terminal, any other device, a FIFO or a
// directory is refused before it is opened.
bool MayOpen(const char* path, bool create)
{
  struct stat status;
  if (!path) return false;
  if (stat(path, &status) == 0) return S_ISREG(status.st_mode);
  return create && errno == ENOENT;
}

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
  if (!MayOpen(path, false)) return nullptr;
  int descriptor = open(path, O_RDONLY | kOpenFlags);
  if (descriptor < 0) return nullptr;
  struct stat status;
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
  if (!MayOpen(path, false)) return nullptr;
  int fd = open(path, O_RDONLY | kOpenFlags);
  if (fd < 0) return nullptr;
  return StreamOverRegularFile(fd, false, "rb");
}

FILE* OxPlatformOpenFileForWriting(const char* path)
{
  if (!MayOpen(path, true)) return nullptr;
  // Emptied only once known to be a regular file: a device or FIFO put at
  // the path since it was looked at is left as it is.
  int fd = open(path, O_WRONLY | O_CREAT | kOpenFlags, 0666);
  if (fd < 0) return nullptr;
  return StreamOverRegularFile(fd, true, "wb");
}

void OxPlatformRemoveFile(const char* path)
{
  if (path) unlink(path);
}
