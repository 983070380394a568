// Shared by the fuzz targets: input files in a private folder. Leans on
// POSIX files.
#include "OxFuzzSupport.h"

#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>


namespace oxfuzz {

namespace {

// The folder's path lives in a plain array, so that removing the folder at
// exit does not depend on the order in which static objects are destroyed.
char gFolder[64];

const char* Folder()
{
  if (!gFolder[0]) {
    snprintf(gFolder, sizeof gFolder, "/tmp/oxlen-fuzz-XXXXXX");
    if (!mkdtemp(gFolder)) {
      fprintf(stderr, "oxfuzz: no temporary folder\n");
      abort();
    }
  }
  return gFolder;
}

void RemoveFolder()
{
  char command[96];
  snprintf(command, sizeof command, "rm -rf '%s'", gFolder);
  if (gFolder[0]) (void)system(command);
}

}  // namespace

std::string WriteInput(const char* name, const uint8_t* data, size_t size)
{
  static bool registered = (atexit(RemoveFolder), true);
  (void)registered;
  std::string path = std::string(Folder()) + "/" + name;
  FILE* file = fopen(path.c_str(), "wb");
  if (!file) {
    fprintf(stderr, "oxfuzz: cannot write %s\n", path.c_str());
    abort();
  }
  if (size) fwrite(data, 1, size, file);
  fclose(file);
  return path;
}

void ExpectNothingOnStandardError(const std::function<void()>& body)
{
  static int original = dup(STDERR_FILENO);
  static FILE* caught = tmpfile();
  if (original < 0 || !caught) {
    body();
    return;
  }
  fflush(stderr);
  dup2(fileno(caught), STDERR_FILENO);
  body();
  fflush(stderr);
  dup2(original, STDERR_FILENO);
  off_t written = lseek(fileno(caught), 0, SEEK_END);
  if (written <= 0) return;
  std::string text(static_cast<size_t>(written), '\0');
  lseek(fileno(caught), 0, SEEK_SET);
  text.resize(static_cast<size_t>(read(fileno(caught), &text[0], text.size())));
  fprintf(stderr, "oxfuzz: the library wrote to standard error:\n%s\n", text.c_str());
  abort();
}

}  // namespace oxfuzz
