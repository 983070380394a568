// The title rule shared by the backends: UTF-8 or Windows-1252, cut short.
#include "text/OxTitleText.h"

#include "text/OxUtf8.h"

namespace {

// Code points of Windows-1252 bytes 0x80 to 0x9F.
const unsigned short kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

std::string OxTitleAsUtf8(const char* title)
{
  if (!title) return std::string();
  if (OxUtf8IsValid(title)) return title;
  std::string converted;
  for (const unsigned char* at = reinterpret_cast<const unsigned char*>(title); *at; ++at) {
    unsigned int code = *at;
    if (code >= 0x80 && code < 0xA0) code = kWindows1252High[code - 0x80];
    unsigned char bytes[4];
    converted.append(reinterpret_cast<const char*>(bytes), OxUtf8Encode(code, bytes));
  }
  return converted;
}

std::string OxTitleCut(std::string title, bool utf8)
{
  if (title.size() <= kOxMostTitleBytes) return title;
  size_t end = kOxMostTitleBytes;
  while (utf8 && end > 0 && (static_cast<unsigned char>(title[end]) & 0xC0) == 0x80) --end;
  title.resize(end);
  return title;
}
