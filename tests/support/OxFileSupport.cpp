// Files and folders for the tests through the standard library's filesystem.
#include "OxFileSupport.h"

#include <filesystem>
#include <fstream>
#include <vector>

namespace oxtest {

bool MakeDirectory(const std::string& path)
{
  std::error_code error;
  std::filesystem::create_directory(path, error);
  return !error && std::filesystem::is_directory(path, error);
}

void RemoveTree(const std::string& path)
{
  std::error_code error;
  std::filesystem::remove_all(path, error);
}

int64_t FileSize(const std::string& path)
{
  std::error_code error;
  auto size = std::filesystem::file_size(path, error);
  return error ? -1 : static_cast<int64_t>(size);
}

bool CopyPrefix(const std::string& from, const std::string& to, int64_t count)
{
  std::ifstream in(from, std::ios::binary);
  std::vector<char> bytes(count > 0 ? static_cast<size_t>(count) : 0);
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (in.gcount() != static_cast<std::streamsize>(bytes.size())) return false;
  std::ofstream out(to, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

}  // namespace oxtest
