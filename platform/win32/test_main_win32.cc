// The unit tests' main on Windows. A crash, a missing disk or a failed
// assertion of the C runtime must end the test program with a status, never
// open a dialog that waits for a click nobody gives: the system's error
// boxes are turned off, and an exception that nothing handles ends the
// process with its code (Wine would otherwise start its debugger, whose
// crash window waits as well).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "platform/win32/win32_api.h"

namespace {

LONG WINAPI EndOnUnhandledException(EXCEPTION_POINTERS* exception) {
  std::fprintf(stderr, "Exception 0x%08lx not handled: the tests end.\n",
               exception->ExceptionRecord->ExceptionCode);
  std::fflush(stderr);
  return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

int main(int argc, char** argv) {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX |
               SEM_NOOPENFILEERRORBOX);
  SetUnhandledExceptionFilter(EndOnUnhandledException);
  _set_error_mode(_OUT_TO_STDERR);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
