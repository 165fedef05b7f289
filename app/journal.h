// The journal: one entry appended to the log file at the end of each run.
#pragma once

#include <string>
#include <string_view>

#include "app/run_state.h"
#include "platform/platform.h"

namespace quelmar {

// The box text of a journal that could not be written.
std::string JournalFailureMessage(const std::string& logFile);

// "dd/mm/yyyy à hh:nn:ss".
std::string TimeStamp(const LocalTime& time);

// Appends one entry, `head`, `body` and `tail` one after the other, and a
// line break to `logFile` in one write, without joining them: a journal
// entry can be megabytes long. False when it could not be written (an
// empty path included).
bool AppendToLogFile(FileSystem& files, const std::string& logFile,
                     std::string_view head, std::string_view body = {},
                     std::string_view tail = {});

// Builds the entry of the journal level (around `tracedText`, the lines
// traced for level "C") and appends it; reports a failed write unless the
// mode is "M". Returns false when a journal was asked for and not written.
bool WriteJournal(const RunSettings& settings, std::string_view tracedText,
                  const std::string& finalMessage, Platform& platform);

}  // namespace quelmar
