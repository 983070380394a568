// File layer: files read by path, opened only when the path names a regular
// file, so that a FIFO, a device or a directory is refused before anything
// is read and nothing waits for a writer. Implemented once per backend.
#pragma once
#include <stddef.h>
#include <stdint.h>

// An open regular file, read by offset; owned by the caller until
// OxPlatformFileClose.
struct OxPlatformFile;

// Opens path for reading; null when it does not name a regular file that can
// be read (missing, a directory, a FIFO, a device, a socket, no permission).
// Never blocks.
OxPlatformFile* OxPlatformFileOpen(const char* path);
// The file's size in bytes when it was opened.
int64_t OxPlatformFileSize(const OxPlatformFile* file);
// Reads up to count bytes from offset into buffer; the bytes read, 0 at the
// end of the file, -1 on a read error.
int64_t OxPlatformFileRead(OxPlatformFile* file, int64_t offset, void* buffer, size_t count);
// Closes the file. A null file is ignored.
void OxPlatformFileClose(OxPlatformFile* file);
