// Text handed to the Win32 backend as 8-bit strings, turned into the wide
// strings the W functions take.
#pragma once
#include <windows.h>

#include <string>

// The wide form of text in the given code page; empty when text is null,
// empty or not valid in that code page.
inline std::wstring OxWin32Wide(const char* text, UINT codePage)
{
  if (!text || !*text) return std::wstring();
  DWORD flags = codePage == CP_UTF8 ? MB_ERR_INVALID_CHARS : 0;
  int length = MultiByteToWideChar(codePage, flags, text, -1, nullptr, 0);
  if (length <= 1) return std::wstring();
  std::wstring wide(static_cast<size_t>(length), L'\0');
  if (MultiByteToWideChar(codePage, flags, text, -1, &wide[0], length) != length)
    return std::wstring();
  wide.resize(static_cast<size_t>(length - 1));
  return wide;
}
