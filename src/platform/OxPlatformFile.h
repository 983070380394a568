// File layer: opening the files the engine writes and reads back by path
// (input recordings, screenshots) as standard C streams, refusing anything
// that is not a regular file. Implemented once per backend.
#pragma once
#include <stdio.h>

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
