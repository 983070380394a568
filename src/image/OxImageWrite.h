// Image writer: PNG files from 8-bit RGB pixels, for screenshots. The file
// handling is shared; the encoding is implemented once per backend.
#pragma once
#include <stdio.h>

// Writes width x height pixels as an 8-bit RGB PNG without alpha. rows holds
// height pointers, top row first, each to width pixels of three bytes (red,
// green, blue). False when the file cannot be created or fully written;
// a file left half-written is removed. Prints nothing.
bool OxPlatformWritePng(const char* path, int width, int height,
                        const unsigned char* const* rows);

// The backend's encoder: writes the PNG for the pixels (as above) to an open
// stream; false when encoding or writing failed. Prints nothing.
bool OxPlatformEncodePng(FILE* stream, int width, int height, const unsigned char* const* rows);
