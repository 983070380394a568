// Text handed to the Win32 backend as 8-bit strings, turned into the wide
// strings the W functions take: valid UTF-8 is read as UTF-8 (so a game
// passes the same titles and paths on every platform), anything else in the
// given code page, as the A functions would read it.
#pragma once
#include <windows.h>

#include <string>

// The wide form of text; empty when text is empty or cannot be converted.
inline std::wstring OxWin32Wide(const char* text, UINT otherCodePage)
{
  if (!text || !*text) return std::wstring();
  UINT codePage = CP_UTF8;
  DWORD flags = MB_ERR_INVALID_CHARS;
  int length = MultiByteToWideChar(codePage, flags, text, -1, nullptr, 0);
  if (length <= 0) {
    codePage = otherCodePage;
    flags = 0;
    length = MultiByteToWideChar(codePage, flags, text, -1, nullptr, 0);
  }
  if (length <= 1) return std::wstring();
  std::wstring wide(static_cast<size_t>(length), L'\0');
  if (MultiByteToWideChar(codePage, flags, text, -1, &wide[0], length) != length)
    return std::wstring();
  wide.resize(static_cast<size_t>(length - 1));
  return wide;
}
