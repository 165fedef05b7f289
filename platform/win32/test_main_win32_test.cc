#include <gtest/gtest.h>

#include "platform/win32/win32_api.h"

namespace {

// The unit tests' main ends the program on an exception that nothing
// handles, with the exception's code, instead of opening a window (Wine's
// debugger, the system's error report) that waits for a click.
TEST(TestMainDeathTest, AnUnhandledExceptionEndsTheProgramWithItsCode) {
  EXPECT_EXIT(
      RaiseException(EXCEPTION_ACCESS_VIOLATION, 0, 0, nullptr),
      testing::ExitedWithCode(static_cast<int>(EXCEPTION_ACCESS_VIOLATION)),
      "not handled");
}

}  // namespace
