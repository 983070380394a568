// File layer on Win32 handles: CreateFileW on the path read in the
// program's code page (as the game's own fopen reads it), then a
// check through the handle that it is a file on a disk (not a directory, a
// console or device such as CON or NUL, or a pipe), reads by offset with
// ReadFile, and C streams over the same handle.
#include "platform/OxPlatformFile.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <wctype.h>

#include <new>
#include <string>

#include "platform/win32/OxWin32Text.h"

struct OxPlatformFile {
  HANDLE handle;
  int64_t size;
};

namespace {

// Whether the path names a device rather than a file: the device and pipe
// namespace (\\.\...) and the reserved device names (CON, NUL, COM1, ...),
// which name the device in any folder and with any extension. These are
// refused before anything is opened, since opening some of them waits for
// the device or changes it.
bool NamesDevice(const std::wstring& path)
{
  if (path.compare(0, 4, L"\\\\.\\") == 0) return true;
  size_t start = path.find_last_of(L"\\/:");
  std::wstring name = path.substr(start == std::wstring::npos ? 0 : start + 1);
  name = name.substr(0, name.find(L'.'));
  while (!name.empty() && name.back() == L' ') name.pop_back();
  for (wchar_t& c : name) c = static_cast<wchar_t>(towupper(c));
  static const wchar_t* const kDevices[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
  for (const wchar_t* device : kDevices)
    if (name == device) return true;
  return name.size() == 4 && (name.compare(0, 3, L"COM") == 0 || name.compare(0, 3, L"LPT") == 0) &&
         name[3] >= L'0' && name[3] <= L'9';
}

// Whether something other than a file is at the path now (a directory or a
// device), or nothing is.
bool NotAFile(const std::wstring& path)
{
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) ||
         (attributes & FILE_ATTRIBUTE_DEVICE);
}

// The handle when it is a regular file on a disk, with its size; closes it
// and gives false otherwise.
bool KeepRegularFile(HANDLE handle, int64_t* size)
{
  BY_HANDLE_FILE_INFORMATION info;
  if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileInformationByHandle(handle, &info) ||
      (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE))) {
    CloseHandle(handle);
    return false;
  }
  if (size) *size = (static_cast<int64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  return true;
}

// Opens a regular file at path with the given access and disposition;
// INVALID_HANDLE_VALUE when the path names anything else or cannot be opened.
HANDLE OpenRegular(const char* path, DWORD access, DWORD disposition, int64_t* size)
{
  if (!path) return INVALID_HANDLE_VALUE;
  std::wstring wide = OxWin32Wide(path, CP_ACP);
  if (wide.empty()) return INVALID_HANDLE_VALUE;
  if (NamesDevice(wide)) return INVALID_HANDLE_VALUE;
  // A file about to be created does not exist yet; only an existing path is
  // looked at before it is opened.
  bool exists = GetFileAttributesW(wide.c_str()) != INVALID_FILE_ATTRIBUTES;
  if ((exists || disposition == OPEN_EXISTING) && NotAFile(wide)) return INVALID_HANDLE_VALUE;
  // Others may go on reading and writing the file; nothing is locked.
  HANDLE handle = CreateFileW(wide.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return INVALID_HANDLE_VALUE;
  if (!KeepRegularFile(handle, size)) return INVALID_HANDLE_VALUE;
  return handle;
}

// A C stream over a handle; the handle is closed on failure.
FILE* StreamOver(HANDLE handle, int flags, const char* mode)
{
  int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), flags | _O_BINARY);
  if (descriptor < 0) {
    CloseHandle(handle);
    return nullptr;
  }
  FILE* stream = _fdopen(descriptor, mode);
  if (!stream) _close(descriptor);
  return stream;
}

}  // namespace

// ---- Read by offset ------------------------------------------------------

OxPlatformFile* OxPlatformFileOpen(const char* path)
{
  int64_t size = 0;
  HANDLE handle = OpenRegular(path, GENERIC_READ, OPEN_EXISTING, &size);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  OxPlatformFile* file = new (std::nothrow) OxPlatformFile{handle, size};
  if (!file) CloseHandle(handle);
  return file;
}

int64_t OxPlatformFileSize(const OxPlatformFile* file) { return file->size; }

int64_t OxPlatformFileRead(OxPlatformFile* file, int64_t offset, void* buffer, size_t count)
{
  if (offset < 0) return -1;
  // ReadFile takes 32-bit counts; a longer read gives what one call reads,
  // as a short read may.
  DWORD chunk = count > (1u << 30) ? (1u << 30) : static_cast<DWORD>(count);
  OVERLAPPED at = {};
  at.Offset = static_cast<DWORD>(static_cast<uint64_t>(offset) & 0xFFFFFFFFu);
  at.OffsetHigh = static_cast<DWORD>(static_cast<uint64_t>(offset) >> 32);
  DWORD got = 0;
  if (ReadFile(file->handle, buffer, chunk, &got, &at)) return got;
  return GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
}

void OxPlatformFileClose(OxPlatformFile* file)
{
  if (!file) return;
  CloseHandle(file->handle);
  delete file;
}

// ---- Standard C streams ----------------------------------------------------

FILE* OxPlatformOpenFileForReading(const char* path)
{
  HANDLE handle = OpenRegular(path, GENERIC_READ, OPEN_EXISTING, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  return StreamOver(handle, _O_RDONLY, "rb");
}

FILE* OxPlatformOpenFileForWriting(const char* path)
{
  // Opened without emptying, and emptied only once known to be a regular
  // file: anything else at the path is left as it is.
  HANDLE handle = OpenRegular(path, GENERIC_WRITE, OPEN_ALWAYS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  if (!SetEndOfFile(handle)) {
    CloseHandle(handle);
    return nullptr;
  }
  return StreamOver(handle, 0, "wb");
}

void OxPlatformRemoveFile(const char* path)
{
  if (!path) return;
  std::wstring wide = OxWin32Wide(path, CP_ACP);
  if (!wide.empty()) DeleteFileW(wide.c_str());
}
