// UTF-8, read and written strictly, for every family that handles text:
// printing, typed characters and their recordings, the platforms' text
// events. Pure arithmetic.
#pragma once

// The codepoint replacing every ill-formed part of UTF-8 text.
const unsigned int kUtf8Replacement = 0xFFFD;

// Decodes the codepoint at *at into *code and moves *at past it; false for a
// byte sequence that is not well-formed UTF-8 (a stray continuation byte, C0,
// C1 or F5 to FF, an overlong form, a surrogate, a value above U+10FFFF, a
// sequence cut short), which gives *code = kUtf8Replacement once for its
// longest well-formed start (at least one byte), *at then at the first byte
// that broke it. Never reads past a zero byte; *at must not point at one.
bool OxUtf8Decode(const unsigned char** at, unsigned int* code);

// OxUtf8Decode's codepoint, kUtf8Replacement for an ill-formed part.
unsigned int OxUtf8Next(const unsigned char** at);

// Writes the codepoint (at most U+10FFFF, not a surrogate) as 1 to 4 bytes
// into bytes and returns how many; 0 for a value that is no codepoint.
unsigned int OxUtf8Encode(unsigned int code, unsigned char bytes[4]);

// Whether the zero-terminated text, taken as a whole, is well-formed UTF-8;
// false for null.
bool OxUtf8IsValid(const char* text);
