// Standard error held on /dev/null by counted holders (POSIX descriptors).
#include "OxPlatformQuietStderr.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <mutex>

namespace {
// Guards the count and the saved descriptor; never destroyed, since decoder
// threads may still hold it while the process exits.
std::mutex& gQuietLock = *new std::mutex;
int gHolders = 0;
int gSavedStderr = -1;
}  // namespace

OxPlatformQuietStderr::OxPlatformQuietStderr(bool active) : mActive(active)
{
  if (!mActive) return;
  std::lock_guard<std::mutex> hold(gQuietLock);
  if (gHolders++ > 0) return;
  fflush(stderr);
  gSavedStderr = dup(STDERR_FILENO);
  int sink = open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (gSavedStderr >= 0 && sink >= 0) dup2(sink, STDERR_FILENO);
  if (sink >= 0) close(sink);
}

OxPlatformQuietStderr::~OxPlatformQuietStderr()
{
  if (!mActive) return;
  std::lock_guard<std::mutex> hold(gQuietLock);
  if (--gHolders > 0) return;
  fflush(stderr);
  if (gSavedStderr >= 0) {
    dup2(gSavedStderr, STDERR_FILENO);
    close(gSavedStderr);
    gSavedStderr = -1;
  }
}
