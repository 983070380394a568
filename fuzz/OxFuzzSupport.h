// Shared by the fuzz targets: a private folder for the files that carry each
// input, and the engine started once per process in a small window.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include <functional>
#include <string>

namespace oxfuzz {

// Writes the input to a file named name in this process's folder and
// returns its path. Each target loads it by path, as a game would.
std::string WriteInput(const char* name, const uint8_t* data, size_t size);

// OxSysInit once, in a 64 x 64 window with no frame limit and no vertical
// sync; ends the process with a message when the engine does not start
// (no display: run under Xvfb).
void StartEngine();

// Runs body with standard error caught in a scratch file and ends the
// process (printing what was caught to the real standard error) if anything
// was written there: the library and the decoders under it must write
// nothing to standard error, whatever the input.
void ExpectNothingOnStandardError(const std::function<void()>& body);

}  // namespace oxfuzz
