// The library exports exactly its API: every name listed under
// tests/symbols/ and nothing else. On Linux the dynamic symbol table of
// liboxlen.so as nm lists it; on Windows the export table of oxlen.dll, read
// from the file.
// Desktop-only program: it reads the export table of the shared library, and the
// web build links the engine statically into the game.
#include <gtest/gtest.h>

#include <cxxabi.h>
#include <dirent.h>
#include <stdlib.h>
#include <string.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>

#include "OxTestSupport.h"

namespace {

std::set<std::string> ExpectedSymbols()
{
  std::set<std::string> names;
  std::string folder = std::string(OX_SOURCE_DIR) + "/tests/symbols";
  DIR* dir = opendir(folder.c_str());
  if (!dir) return names;
  while (dirent* entry = readdir(dir)) {
    std::string file = entry->d_name;
    if (file.size() < 5 || file.substr(file.size() - 4) != ".txt") continue;
    std::ifstream in(folder + "/" + file);
    std::string line;
    while (std::getline(in, line))
      if (!line.empty() && line[0] != '#') names.insert(line);
  }
  closedir(dir);
#ifdef _WIN32
  // Not exported by oxlen.dll: the three symbols the Linux linker adds to
  // every shared object (tests/symbols/linker.txt), and DefWindowProcA, which
  // on Windows is user32's own.
  for (const char* name : {"__bss_start", "_edata", "_end", "DefWindowProcA"}) names.erase(name);
#endif
  return names;
}

#ifdef _WIN32
// The names in the export table of the DLL at path, C++ names demangled.
std::set<std::string> ExportedSymbols()
{
  std::ifstream in(OX_LIBRARY_PATH, std::ios::binary);
  std::string image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::set<std::string> names;
  auto at = [&](size_t offset, size_t size) -> const char* {
    return offset + size <= image.size() ? image.data() + offset : nullptr;
  };
  const char* dosPlace = at(0, sizeof(IMAGE_DOS_HEADER));
  if (!dosPlace) return names;
  IMAGE_DOS_HEADER dos;
  memcpy(&dos, dosPlace, sizeof dos);
  const char* ntPlace = at(dos.e_lfanew, sizeof(IMAGE_NT_HEADERS64));
  if (dos.e_magic != IMAGE_DOS_SIGNATURE || !ntPlace) return names;
  IMAGE_NT_HEADERS64 nt;
  memcpy(&nt, ntPlace, sizeof nt);
  if (nt.Signature != IMAGE_NT_SIGNATURE ||
      nt.OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR64_MAGIC)
    return names;
  // Relative virtual addresses become file offsets through the section
  // table.
  size_t sectionsAt = dos.e_lfanew + offsetof(IMAGE_NT_HEADERS64, OptionalHeader) +
                      nt.FileHeader.SizeOfOptionalHeader;
  auto fileOffset = [&](DWORD address) -> size_t {
    for (WORD i = 0; i < nt.FileHeader.NumberOfSections; ++i) {
      const char* place = at(sectionsAt + i * sizeof(IMAGE_SECTION_HEADER), sizeof(IMAGE_SECTION_HEADER));
      if (!place) break;
      IMAGE_SECTION_HEADER section;
      memcpy(&section, place, sizeof section);
      if (address >= section.VirtualAddress &&
          address < section.VirtualAddress + section.SizeOfRawData)
        return address - section.VirtualAddress + section.PointerToRawData;
    }
    return image.size();
  };
  const IMAGE_DATA_DIRECTORY& directory =
      nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  const char* exportPlace = at(fileOffset(directory.VirtualAddress), sizeof(IMAGE_EXPORT_DIRECTORY));
  if (!directory.Size || !exportPlace) return names;
  IMAGE_EXPORT_DIRECTORY exports;
  memcpy(&exports, exportPlace, sizeof exports);
  size_t nameTable = fileOffset(exports.AddressOfNames);
  for (DWORD i = 0; i < exports.NumberOfNames; ++i) {
    const char* entry = at(nameTable + i * sizeof(DWORD), sizeof(DWORD));
    if (!entry) break;
    DWORD nameAddress;
    memcpy(&nameAddress, entry, sizeof nameAddress);
    size_t offset = fileOffset(nameAddress);
    if (offset >= image.size()) continue;
    std::string name(image.data() + offset, strnlen(image.data() + offset, image.size() - offset));
    int status = 0;
    char* demangled = abi::__cxa_demangle(name.c_str(), nullptr, nullptr, &status);
    names.insert(status == 0 && demangled ? demangled : name);
    free(demangled);
  }
  return names;
}
#else

// Demangled names of the library's defined dynamic symbols.
std::set<std::string> ExportedSymbols()
{
  std::string listing = oxtest::RunCommand(
      std::string("nm -DC --defined-only ") + OX_LIBRARY_PATH);
  std::set<std::string> names;
  std::istringstream lines(listing);
  std::string line;
  while (std::getline(lines, line)) {
    // "<address> <type> <name with spaces>"
    size_t first = line.find(' ');
    if (first == std::string::npos) continue;
    size_t second = line.find(' ', first + 1);
    if (second == std::string::npos) continue;
    names.insert(line.substr(second + 1));
  }
  return names;
}
#endif

}  // namespace

TEST(Exports, ExactlyTheApi)
{
  std::set<std::string> expected = ExpectedSymbols();
  std::set<std::string> exported = ExportedSymbols();
  ASSERT_FALSE(expected.empty());
  ASSERT_FALSE(exported.empty()) << "no exports found in " << OX_LIBRARY_PATH;
  for (const std::string& name : expected)
    EXPECT_TRUE(exported.count(name)) << "not exported: " << name;
  for (const std::string& name : exported)
    EXPECT_TRUE(expected.count(name)) << "exported but not in the API: " << name;
}
