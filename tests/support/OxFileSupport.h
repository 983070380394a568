// Files and folders for the tests, the same on every platform: scratch
// folders made and removed, files cut short.
#pragma once
#include <stdint.h>

#include <string>

namespace oxtest {

// Makes one folder; true when it is there afterwards (a child that RunInChild
// starts again on Win32 walks through its parent's steps and finds the
// folder made), false when it cannot be made.
bool MakeDirectory(const std::string& path);
// Removes a folder with everything in it (or a file); quiet when missing.
void RemoveTree(const std::string& path);
// The size of a file in bytes, -1 when it cannot be read.
int64_t FileSize(const std::string& path);
// Writes the first count bytes of from to a new file to.
bool CopyPrefix(const std::string& from, const std::string& to, int64_t count);

}  // namespace oxtest
