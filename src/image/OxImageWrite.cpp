// The image writer's file handling, the same on every backend: the file is
// created through the file layer (a regular file only), the backend's
// encoder fills it, and a file that could not be written completely is
// removed, so that a failed write never leaves a cut file behind.
#include "image/OxImageWrite.h"

#include "platform/OxPlatformFile.h"

bool OxPlatformWritePng(const char* path, int width, int height,
                        const unsigned char* const* rows)
{
  if (width <= 0 || height <= 0 || !rows) return false;
  FILE* stream = OxPlatformOpenFileForWriting(path);
  if (!stream) return false;
  bool written = OxPlatformEncodePng(stream, width, height, rows);
  if (fflush(stream) != 0 || ferror(stream)) written = false;
  if (fclose(stream) != 0) written = false;
  if (!written) OxPlatformRemoveFile(path);
  return written;
}
