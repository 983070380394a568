// Holds standard error on /dev/null while decoders that print there run: the
// codecs behind the image and sound decoders write warnings for damaged
// files, and the library writes nothing to standard error.
#pragma once

// While any instance lives, on any thread, file descriptor 2 points at
// /dev/null. Instances nest and overlap across threads: the first one saves
// and redirects, the last one restores, so the game's standard error always
// comes back. An inactive instance does nothing.
class OxPlatformQuietStderr {
 public:
  explicit OxPlatformQuietStderr(bool active = true);
  ~OxPlatformQuietStderr();
  OxPlatformQuietStderr(const OxPlatformQuietStderr&) = delete;
  OxPlatformQuietStderr& operator=(const OxPlatformQuietStderr&) = delete;

 private:
  bool mActive;
};
