// A whole file written through the file layer, removed again when any step
// failed. The same on every backend: only the opening and removing differ,
// and those are the backend's.
#include "platform/OxPlatformFile.h"

bool OxPlatformWriteFile(const char* path, bool (*write)(FILE* stream, void* context),
                         void* context)
{
  FILE* stream = OxPlatformOpenFileForWriting(path);
  if (!stream) return false;
  bool written = write(stream, context);
  if (fflush(stream) != 0 || ferror(stream)) written = false;
  if (fclose(stream) != 0) written = false;
  if (!written) OxPlatformRemoveFile(path);
  return written;
}
