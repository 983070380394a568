/* Entry-point library: the WinMain of a game that defines only wWinMain. The
   linker takes this file from the archive only when the game leaves WinMain
   undefined; it then needs the game's wWinMain, so a game that defines
   neither entry point fails to link with "undefined reference to `wWinMain'"
   instead of starting nothing. main() calls wWinMain itself, so this body
   runs only when a game calls WinMain directly. */
#include <stdio.h>
#include <stdlib.h>

#include "OxEntryCommandLine.h"
#include "OxPlatform.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine,
                   int showCommand)
{
  wchar_t* wideCommandLine = OxEntryWidenUtf8(commandLine ? commandLine : "");
  if (!wideCommandLine) {
    printf("Entry point: out of memory for the command line\n");
    return EXIT_FAILURE;
  }
  int result = wWinMain(instance, previousInstance, wideCommandLine, showCommand);
  free(wideCommandLine);
  return result;
}
