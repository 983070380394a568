// Standard error held on /dev/null while decoders run: holders on different
// threads overlap in any order and the game's standard error always returns.
// Linux-only program: the holder points POSIX descriptor 2 at /dev/null
// around the SDL image and sound decoders; the Windows build's decoders
// (GDI+, and libsndfile built without messages) print nothing, and its
// holder does nothing.
#include <gtest/gtest.h>

#include <string.h>
#include <unistd.h>

#include <thread>

#include "OxTestSupport.h"
#include "platform/OxPlatformQuietStderr.h"

namespace {

void Say(const char* text) { (void)!write(STDERR_FILENO, text, strlen(text)); }

}  // namespace

// Cases: a holder hides what is written; two holders on two threads released
// in the order they were made (the first one first) still give stderr back;
// an inactive holder hides nothing.
TEST(QuietStderr, OverlappingHoldersRestoreStandardError)
{
  oxtest::ChildResult child = oxtest::RunInChild([] {
    Say("before;");
    {
      OxPlatformQuietStderr quiet;
      Say("hidden;");
    }
    Say("between;");
    auto* first = new OxPlatformQuietStderr;
    OxPlatformQuietStderr* second = nullptr;
    std::thread other([&] { second = new OxPlatformQuietStderr; });
    other.join();
    delete first;
    Say("still hidden;");
    std::thread release([&] { delete second; });
    release.join();
    Say("after;");
    {
      OxPlatformQuietStderr inactive(false);
      Say("shown;");
    }
    return 0;
  });
  EXPECT_EQ(child.exitCode, 0);
  EXPECT_EQ(child.err, "before;between;after;shown;");
}
