// The test programs' main on Win32: GoogleTest as usual, except in a child
// started by RunInChild, which prints nothing of GoogleTest's own so that
// its standard output holds only what the code under test wrote.
#include <gtest/gtest.h>

#include "OxTestSupport.h"

int main(int argc, char** argv)
{
  ::testing::InitGoogleTest(&argc, argv);
  if (oxtest::IsChildRun()) {
    ::testing::TestEventListeners& listeners = ::testing::UnitTest::GetInstance()->listeners();
    delete listeners.Release(listeners.default_result_printer());
  }
  return RUN_ALL_TESTS();
}
