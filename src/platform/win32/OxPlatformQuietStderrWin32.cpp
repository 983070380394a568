// Standard-error holder on Win32: nothing to hold. The decoders of this build
// are compiled without console messages (the MP3 decoder's are the only ones
// the holder ever kept away), so standard error is never touched.
#include "platform/OxPlatformQuietStderr.h"

OxPlatformQuietStderr::OxPlatformQuietStderr(bool active) : mActive(active) {}

OxPlatformQuietStderr::~OxPlatformQuietStderr() {}
