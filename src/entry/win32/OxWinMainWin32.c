/* Entry-point library on Windows: main() calls the game's WinMain with what
   the system gives a Windows program (its module as the instance, the
   command line after the program's name, the show command it was started
   with). A game that defines only wWinMain gets WinMain from
   OxWideWinMainWin32.c, which the linker takes from the archive only then;
   one that defines neither fails to link with an undefined wWinMain. Leans
   on kernel32 only. */
#include <windows.h>

#include "OxEntryCommandLineWin32.h"

int main(void)
{
  return WinMain(GetModuleHandleA(NULL), NULL, OxEntryCommandTail(GetCommandLineA()),
                 OxEntryShowCommand());
}
