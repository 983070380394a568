// Entry-point library for games written with a Windows entry point: main()
// joins the arguments into a command line and calls the game's WinMain.
#include <string>

#include "OxPlatform.h"

int main(int argc, char** argv)
{
  std::string commandLine;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) commandLine += ' ';
    commandLine += argv[i];
  }
  return WinMain(nullptr, nullptr, &commandLine[0], SW_SHOWNORMAL);
}
