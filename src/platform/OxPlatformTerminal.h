// Terminal layer: the process's console and the one-key wait of a fatal report.
#pragma once

// Allocates a console for the process. Fails (false) when the process already
// has one: on Windows a console it was given, elsewhere a controlling
// terminal.
bool OxPlatformAllocConsole();
// Releases a console allocated by OxPlatformAllocConsole; harmless otherwise.
void OxPlatformFreeConsole();
// Sets the console's title; ignored when there is none.
void OxPlatformSetConsoleTitle(const char* title);
// Waits for one key press without echo when standard input is a terminal;
// returns at once when it is not.
void OxPlatformWaitForKey();
