// Terminal layer on POSIX: the controlling terminal stands for the console.
// A process has at most one and cannot make another, so allocation fails.
#include "platform/OxPlatformTerminal.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

bool OxPlatformAllocConsole()
{
  // With a controlling terminal the process already has its console; without
  // one there is no terminal to give it. Either way nothing is allocated.
  int terminal = open("/dev/tty", O_RDWR | O_NOCTTY);
  if (terminal >= 0) close(terminal);
  return false;
}

void OxPlatformFreeConsole() {}

void OxPlatformSetConsoleTitle(const char*) {}

void OxPlatformWaitForKey()
{
  if (!isatty(STDIN_FILENO)) return;
  termios saved;
  if (tcgetattr(STDIN_FILENO, &saved) != 0) return;
  termios raw = saved;
  raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  tcsetattr(STDIN_FILENO, TCSANOW, &raw);
  char key = 0;
  ssize_t ignored = read(STDIN_FILENO, &key, 1);
  (void)ignored;
  tcsetattr(STDIN_FILENO, TCSANOW, &saved);
}
