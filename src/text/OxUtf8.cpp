// UTF-8 decoding and encoding by the Unicode standard's well-formed byte
// sequences.
#include "text/OxUtf8.h"

bool OxUtf8Decode(const unsigned char** at, unsigned int* code)
{
  const unsigned char* bytes = *at;
  unsigned int lead = bytes[0];
  if (lead < 0x80) {
    *at = bytes + 1;
    *code = lead;
    return true;
  }
  // The continuation bytes needed, the lead's value bits and the range the
  // first continuation byte must lie in (narrowed after E0, ED, F0 and F4,
  // which rules out overlong forms, surrogates and values past U+10FFFF).
  unsigned int needed, value, low = 0x80, high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    needed = 1;
    value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    needed = 2;
    value = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    needed = 3;
    value = lead & 0x07;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    *at = bytes + 1;
    *code = kUtf8Replacement;
    return false;
  }
  for (unsigned int i = 1; i <= needed; ++i) {
    unsigned int byte = bytes[i];
    // A zero byte fails here too, so the text's end is never passed.
    if (byte < low || byte > high) {
      *at = bytes + i;
      *code = kUtf8Replacement;
      return false;
    }
    low = 0x80;
    high = 0xBF;
    value = (value << 6) | (byte & 0x3F);
  }
  *at = bytes + needed + 1;
  *code = value;
  return true;
}

unsigned int OxUtf8Next(const unsigned char** at)
{
  unsigned int code;
  OxUtf8Decode(at, &code);
  return code;
}

unsigned int OxUtf8Encode(unsigned int code, unsigned char bytes[4])
{
  if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  if (code < 0x80) {
    bytes[0] = static_cast<unsigned char>(code);
    return 1;
  }
  unsigned int count = code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
  static const unsigned char kLead[5] = {0, 0, 0xC0, 0xE0, 0xF0};
  for (unsigned int i = count - 1; i > 0; --i) {
    bytes[i] = static_cast<unsigned char>(0x80 | (code & 0x3F));
    code >>= 6;
  }
  bytes[0] = static_cast<unsigned char>(kLead[count] | code);
  return count;
}

bool OxUtf8IsValid(const char* text)
{
  if (!text) return false;
  const unsigned char* at = reinterpret_cast<const unsigned char*>(text);
  unsigned int code;
  while (*at)
    if (!OxUtf8Decode(&at, &code)) return false;
  return true;
}
