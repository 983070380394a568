// Sanitizer builds only: the leak check of a test program runs once all its
// tests have run, before main returns, rather than among the exit handlers.
// Mesa stops its worker threads in an exit handler of its own, and
// LeakSanitizer's tracer, suspending threads that are half-way through
// ending, occasionally faults ("Tracer caught signal 11") after every test
// has passed. Here every thread the driver started is idle. The check then
// finds the same leaks the exit-time one would (what globals still hold is
// reachable either way) and ends the process with LSan's exit code; the
// exit-time check is off after it. Children of forked tests have one thread
// and keep the exit-time check.
#include <gtest/gtest.h>
#include <sanitizer/lsan_interface.h>

namespace {

class LeakCheckAtEnd : public ::testing::Environment {
 public:
  void TearDown() override { __lsan_do_leak_check(); }
};

::testing::Environment* const leak_check = ::testing::AddGlobalTestEnvironment(new LeakCheckAtEnd);

}  // namespace
