/* Entry-point library for games written with a Windows entry point: main()
   calls the game's wWinMain when it defines one, else its WinMain. wWinMain
   is a weak reference here, so whether the game has it is seen at run time;
   WinMain is a strong one, which OxWideWinMain.c satisfies for a game that
   has only wWinMain. */
#include <stdio.h>
#include <stdlib.h>

#include "OxEntryCommandLine.h"
#include "OxPlatform.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previousInstance, LPWSTR commandLine,
                    int showCommand) __attribute__((weak));

int main(int argc, char** argv)
{
  char* commandLine = OxEntryJoinArguments(argc, argv);
  wchar_t* wideCommandLine = commandLine && wWinMain ? OxEntryWidenUtf8(commandLine) : NULL;
  if (!commandLine || (wWinMain && !wideCommandLine)) {
    printf("Entry point: out of memory for the command line\n");
    free(commandLine);
    return EXIT_FAILURE;
  }
  int result = wWinMain ? wWinMain(NULL, NULL, wideCommandLine, SW_SHOWNORMAL)
                        : WinMain(NULL, NULL, commandLine, SW_SHOWNORMAL);
  free(wideCommandLine);
  free(commandLine);
  return result;
}
