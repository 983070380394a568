// The engine started once per fuzzing process, for the graphics targets.
// Leans on the public system API.
#include <stdio.h>
#include <stdlib.h>

#include "OxFuzzSupport.h"
#include "Oxlen.h"

namespace oxfuzz {

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
