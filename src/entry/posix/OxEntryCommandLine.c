/* Entry-point library: joins main()'s arguments into a command line and
   decodes it from UTF-8 for a wide entry point. Leans on the C library only. */
#include "OxEntryCommandLine.h"

#include <stdlib.h>
#include <string.h>

_Static_assert(sizeof(wchar_t) == 4 && WCHAR_MAX >= 0x10FFFF,
               "the wide command line holds one wchar_t per code point");

char* OxEntryJoinArguments(int argc, char** argv)
{
  size_t size = 1;
  for (int i = 1; i < argc; ++i) size += strlen(argv[i]) + 1;
  char* line = malloc(size);
  if (!line) return NULL;
  char* end = line;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) *end++ = ' ';
    size_t length = strlen(argv[i]);
    memcpy(end, argv[i], length);
    end += length;
  }
  *end = '\0';
  return line;
}

wchar_t* OxEntryWidenUtf8(const char* text)
{
  const wchar_t replacement = 0xFFFD;
  size_t size = strlen(text);
  /* Never more code points than bytes. */
  wchar_t* wide = malloc((size + 1) * sizeof(wchar_t));
  if (!wide) return NULL;
  const unsigned char* at = (const unsigned char*)text;
  const unsigned char* end = at + size;
  wchar_t* out = wide;
  while (at < end) {
    unsigned char lead = *at++;
    if (lead < 0x80) {
      *out++ = lead;
      continue;
    }
    /* The sequence's length, and the range its first continuation byte
       must fall in: that range rules out overlong forms, surrogates and
       values above U+10FFFF. */
    int length = 0;
    unsigned char low = 0x80, high = 0xBF;
    unsigned long code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
      code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      code = lead & 0x0F;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      code = lead & 0x07;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    }
    if (length == 0) {
      *out++ = replacement;
      continue;
    }
    int taken = 1;
    while (taken < length && at < end && *at >= low && *at <= high) {
      code = (code << 6) | (*at++ & 0x3F);
      low = 0x80;
      high = 0xBF;
      ++taken;
    }
    /* A sequence cut short is one replacement; the byte that cut it starts
       the next one. */
    *out++ = taken == length ? (wchar_t)code : replacement;
  }
  *out = L'\0';
  return wide;
}
