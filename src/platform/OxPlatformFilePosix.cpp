// File layer on POSIX descriptors: the path is looked at before it is
// opened, opened without waiting, and looked at again through the
// descriptor, so a FIFO or a device is never read (nor opened for reading
// when it was one to begin with).
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
