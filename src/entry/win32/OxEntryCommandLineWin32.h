/* Entry-point library on Windows: the parts of the process's command line and
   start-up information that a Windows entry point receives. */
#ifndef OX_ENTRY_COMMAND_LINE_WIN32_H
#define OX_ENTRY_COMMAND_LINE_WIN32_H

#include <windows.h>

/* The command line after the program's name (quoted or not) and the blanks
   that follow it; points into line. */
static inline char* OxEntryCommandTail(char* line)
{
  int quoted = 0;
  while ((unsigned char)*line > ' ' || (*line && quoted)) {
    if (*line == '"') quoted = !quoted;
    ++line;
  }
  while (*line && (unsigned char)*line <= ' ') ++line;
  return line;
}

static inline wchar_t* OxEntryWideCommandTail(wchar_t* line)
{
  int quoted = 0;
  while (*line > L' ' || (*line && quoted)) {
    if (*line == L'"') quoted = !quoted;
    ++line;
  }
  while (*line && *line <= L' ') ++line;
  return line;
}

/* The show command the process was started with, SW_SHOWDEFAULT when its
   starter named none. */
static inline int OxEntryShowCommand(void)
{
  STARTUPINFOA startup;
  GetStartupInfoA(&startup);
  return (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;
}

#endif
