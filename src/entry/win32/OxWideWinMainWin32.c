/* Entry-point library on Windows: the WinMain of a game that defines only
   wWinMain, which receives the system's own wide command line (UTF-16)
   after the program's name. */
#include <windows.h>

#include "OxEntryCommandLineWin32.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previousInstance, LPWSTR commandLine,
                    int showCommand);

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine,
                   int showCommand)
{
  (void)commandLine;
  return wWinMain(instance, previousInstance, OxEntryWideCommandTail(GetCommandLineW()),
                  showCommand);
}
