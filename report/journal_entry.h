// One run as a journal file records it: its time, its workstation, its
// counters, and at level "C" the printer operations that failed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quelmar {

// A local date and time as the journal's time stamp writes it.
struct JournalTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;

  // YYYYMMDDHHMMSS: orders time stamps as numbers.
  int64_t Key() const;
  // "YYYY-MM-DD HH:MM:SS".
  std::string Text() const;
};

// A calendar date (leap years counted) and a time of day.
bool IsPossibleTime(const JournalTime& time);

// "YYYY-MM-DD" (midnight) or "YYYY-MM-DD HH:MM:SS"; false for anything else,
// an impossible date included.
bool ParseIsoTime(std::string_view text, JournalTime& time);

// The five counters of the closing sentence.
struct RunCounts {
  int operations = 0;
  int succeeded = 0;
  int skipped = 0;
  int migrationErrors = 0;
  int scriptErrors = 0;
};

// A printer operation traced with "erreur rencontrée : ".
struct Failure {
  std::string printer;
  std::string errorText;
};

struct JournalEntry {
  char level = 'S';  // 'S' one line, 'C' the whole trace
  JournalTime time;
  std::string workstation;  // as the entry spells it, UTF-8
  // False for a level "C" entry whose closing sentence never came (cut
  // short, or followed by another entry): its counters are unknown.
  bool completed = true;
  RunCounts counts;
  std::vector<Failure> failures;  // level "C" only
  size_t line = 0;                // the entry's first line, from 1
};

// The exit status the run had: 2 when the entry does not show it completed,
// 1 when it counted migration or script errors, 0 otherwise. (A run whose
// journal could not be written also ends with 1, but leaves no entry.)
int ExitClass(const JournalEntry& entry);

}  // namespace quelmar
