/* Entry-point library: the command line a Windows-style entry point
   receives, built from main()'s arguments. Written in C so that a game
   linked by a C compiler driver needs no C++ runtime for it. */
#ifndef OX_ENTRY_COMMAND_LINE_H
#define OX_ENTRY_COMMAND_LINE_H

#include <wchar.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The arguments after the program name joined by single spaces, in a new
   zero-terminated allocation (free it); null when memory runs out. */
char* OxEntryJoinArguments(int argc, char** argv);

/* text decoded from UTF-8 into one wchar_t per code point (UTF-32), in a new
   zero-terminated allocation (free it); null when memory runs out. Bytes
   that do not form a valid sequence (overlong forms, surrogates and values
   above U+10FFFF included) become U+FFFD, one per maximal invalid part, as
   Unicode recommends. */
wchar_t* OxEntryWidenUtf8(const char* text);

#ifdef __cplusplus
}
#endif

#endif
