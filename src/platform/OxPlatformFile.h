// File layer: files opened by path, only when the path names a regular file,
// so that a FIFO, a device or a directory is refused before anything is read
// and nothing waits for a writer. Two ways in: an open file read by offset
// (images, fonts and sounds, whose decoders read through it) and standard C
// streams (the files the engine writes and reads back: input recordings,
// screenshots). Implemented once per backend.
#pragma once
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

// ---- Read by offset ------------------------------------------------------

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

// ---- Standard C streams ----------------------------------------------------

// Opens an existing regular file for binary reading. Null when the path is
// missing, names something else (a directory, a device, a FIFO, which is
// never waited on) or cannot be read.
FILE* OxPlatformOpenFileForReading(const char* path);
// Creates a regular file, or empties an existing one, for binary writing.
// Null when it cannot be created or the path names something else than a
// regular file (which is then left untouched).
FILE* OxPlatformOpenFileForWriting(const char* path);
// Removes a file, as after a write that failed half-way; harmless when the
// file is gone.
void OxPlatformRemoveFile(const char* path);

