// Shared by the fuzz targets: input files in a private folder and the engine
// started once. Leans on the public system API and POSIX files.
#include "OxFuzzSupport.h"

#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include "Oxlen.h"

namespace oxfuzz {

namespace {

std::string Folder()
{
  static std::string folder = [] {
    char pattern[] = "/tmp/oxlen-fuzz-XXXXXX";
    const char* made = mkdtemp(pattern);
    if (!made) {
      fprintf(stderr, "oxfuzz: no temporary folder\n");
      abort();
    }
    return std::string(made);
  }();
  return folder;
}

void RemoveFolder() { (void)system(("rm -rf '" + Folder() + "'").c_str()); }

}  // namespace

std::string WriteInput(const char* name, const uint8_t* data, size_t size)
{
  static bool registered = (atexit(RemoveFolder), true);
  (void)registered;
  std::string path = Folder() + "/" + name;
  FILE* file = fopen(path.c_str(), "wb");
  if (!file) {
    fprintf(stderr, "oxfuzz: cannot write %s\n", path.c_str());
    abort();
  }
  if (size) fwrite(data, 1, size, file);
  fclose(file);
  return path;
}

void StartEngine()
{
  static bool started = false;
  if (started) return;
  started = true;
  if (!getenv("DISPLAY")) {
    fprintf(stderr, "oxfuzz: no DISPLAY; the graphics targets run under Xvfb\n");
    exit(2);
  }
  if (!OxSysInit(nullptr, 1, 64, 64, 0, 0, 0, nullptr)) {
    fprintf(stderr, "oxfuzz: OxSysInit failed\n");
    exit(2);
  }
}

}  // namespace oxfuzz
