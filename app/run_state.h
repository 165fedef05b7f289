// The state of one run: the settings held by the window, the counters and
// the closing sentence held by the load routine.
#pragma once

#include <cstdint>
#include <limits>
#include <string>

#include "base/run_error.h"

namespace quelmar {

struct RunSettings {
  std::string ScriptPath;
  std::string Mode;     // "N", "D", "M" or empty
  std::string ModeLog;  // "A", "S", "C" or empty
  std::string LogFile;
  std::string LogInfos;
};

// A 16-bit signed counter: raising it past 32,767 is an overflow error.
class Counter16 {
 public:
  void Raise() {
    if (value_ == std::numeric_limits<int16_t>::max())
      throw RunError(kOverflow);
    ++value_;
  }
  void Set(int16_t value) { value_ = value; }
  int16_t value() const { return value_; }

 private:
  int16_t value_ = 0;
};

struct RunCounters {
  Counter16 ActionCount;
  Counter16 ScriptErrorCount;
  Counter16 SuccessCount;
  Counter16 SkippedCount;
  Counter16 MigrationErrorCount;
};

}  // namespace quelmar
