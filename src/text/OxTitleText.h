// Window titles as every backend hands them to its window system: text that
// is valid UTF-8 as it is, anything else read byte by byte as Windows-1252,
// and no longer than a title bar can use. Pure text arithmetic.
#pragma once
#include <stddef.h>

#include <string>

// The most bytes of a title that reach the window system: far more than a
// title bar shows, and far below the property size an X server refuses
// (16 MiB), a refusal that can end the process.
const size_t kOxMostTitleBytes = 32 * 1024;

// The title in UTF-8: as it is when it is valid UTF-8, otherwise each byte
// read as Windows-1252 (its five undefined bytes as the C1 controls of the
// same value, as Windows converts them). Null gives an empty title.
std::string OxTitleAsUtf8(const char* title);

// The title cut to kOxMostTitleBytes at most: in UTF-8 before a character
// that would not fit whole, in a single-byte code page at any byte.
std::string OxTitleCut(std::string title, bool utf8);
