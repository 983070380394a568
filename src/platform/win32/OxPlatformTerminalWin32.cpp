// Terminal layer on Win32: the process's console (kernel32) and the C
// runtime's unechoed key read for the fatal report's wait.
#include "platform/OxPlatformTerminal.h"

#include <windows.h>
#include <conio.h>
#include <stdio.h>

namespace {

struct State {
  bool allocated = false;
};

State gState;

// Whether a standard handle leads somewhere: a console, a file or a pipe.
bool HandleIsUsable(DWORD which)
{
  HANDLE handle = GetStdHandle(which);
  return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
         GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

// Points a standard stream that leads nowhere at the new console. One that
// already leads somewhere (a file or pipe the program was started with) is
// left alone: the library never takes the game's output away from it.
void AttachStream(FILE* stream, bool wasUsable)
{
  if (wasUsable) return;
  FILE* reopened = nullptr;
  freopen_s(&reopened, "CONOUT$", "wt", stream);
}

}  // namespace

bool OxPlatformAllocConsole()
{
  bool outputUsable = HandleIsUsable(STD_OUTPUT_HANDLE);
  bool errorUsable = HandleIsUsable(STD_ERROR_HANDLE);
  if (!AllocConsole()) return false;
  gState.allocated = true;
  AttachStream(stdout, outputUsable);
  AttachStream(stderr, errorUsable);
  return true;
}

void OxPlatformFreeConsole()
{
  FreeConsole();
  gState.allocated = false;
}

void OxPlatformSetConsoleTitle(const char* title)
{
  if (gState.allocated) SetConsoleTitleA(title);
}

void OxPlatformWaitForKey()
{
  // Only where standard input is the console's keyboard, as on the other
  // platform: a program fed from a file or pipe, or without a console,
  // would wait forever for a key nobody can press.
  DWORD mode = 0;
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  if (!input || input == INVALID_HANDLE_VALUE || !GetConsoleMode(input, &mode)) return;
  _getch();
}
