// The library exports exactly its API: every name listed under
// tests/symbols/ and nothing else.
#include <gtest/gtest.h>

#include <dirent.h>

#include <fstream>
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
  return names;
}

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

}  // namespace

TEST(Exports, ExactlyTheApi)
{
  std::set<std::string> expected = ExpectedSymbols();
  std::set<std::string> exported = ExportedSymbols();
  ASSERT_FALSE(expected.empty());
  ASSERT_FALSE(exported.empty()) << "nm found nothing in " << OX_LIBRARY_PATH;
  for (const std::string& name : expected)
    EXPECT_TRUE(exported.count(name)) << "not exported: " << name;
  for (const std::string& name : exported)
    EXPECT_TRUE(expected.count(name)) << "exported but not in the API: " << name;
}
