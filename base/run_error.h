// The one exception type of the run: a run-time error with its number and
// description, thrown where it arises (in the run or in a system layer) and
// caught only by RunErrorHandler. It sits below the run and the system
// layers, so that both can throw it.
#pragma once

#include <stdexcept>
#include <string>

namespace quelmar {

// Every run-time error number the program raises.
enum RunErrorNumber {
  kInvalidArgument = 5,
  kOverflow = 6,
  kOutOfMemory = 7,
  kFileNotFound = 53,
  kInputPastEnd = 62,
  // The workstation's own print service does not answer.
  kDeviceUnavailable = 68,
  kPathFileAccess = 75,
};

class RunError : public std::runtime_error {
 public:
  RunError(int number, const std::string& description)
      : std::runtime_error(description), number_(number) {}
  // The error with the description of its number.
  explicit RunError(int number);

  int number() const { return number_; }
  std::string description() const { return what(); }

 private:
  int number_;
};

}  // namespace quelmar
