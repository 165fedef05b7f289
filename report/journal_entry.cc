#include "report/journal_entry.h"

#include <cstdio>

namespace quelmar {
namespace {

bool IsLeapYear(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30,
                                  31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// `count` digits at `pos`, moved past them.
bool ReadDigits(std::string_view text, size_t& pos, int count, int& value) {
  if (pos + count > text.size()) return false;
  value = 0;
  for (int k = 0; k < count; ++k, ++pos) {
    char c = text[pos];
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return true;
}

bool Expect(std::string_view text, size_t& pos, char c) {
  if (pos >= text.size() || text[pos] != c) return false;
  ++pos;
  return true;
}

}  // namespace

bool IsPossibleTime(const JournalTime& t) {
  return t.year >= 1 && t.month >= 1 && t.month <= 12 && t.day >= 1 &&
         t.day <= DaysInMonth(t.year, t.month) && t.hour >= 0 && t.hour <= 23 &&
         t.minute >= 0 && t.minute <= 59 && t.second >= 0 && t.second <= 59;
}

int64_t JournalTime::Key() const {
  return ((((int64_t{year} * 100 + month) * 100 + day) * 100 + hour) * 100 +
          minute) *
             100 +
         second;
}

std::string JournalTime::Text() const {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", year, month,
                day, hour, minute, second);
  return text;
}

bool ParseIsoTime(std::string_view text, JournalTime& time) {
  JournalTime t;
  size_t pos = 0;
  if (!ReadDigits(text, pos, 4, t.year) || !Expect(text, pos, '-') ||
      !ReadDigits(text, pos, 2, t.month) || !Expect(text, pos, '-') ||
      !ReadDigits(text, pos, 2, t.day))
    return false;
  if (pos < text.size() &&
      (!Expect(text, pos, ' ') || !ReadDigits(text, pos, 2, t.hour) ||
       !Expect(text, pos, ':') || !ReadDigits(text, pos, 2, t.minute) ||
       !Expect(text, pos, ':') || !ReadDigits(text, pos, 2, t.second)))
    return false;
  if (pos != text.size() || !IsPossibleTime(t)) return false;
  time = t;
  return true;
}

int ExitClass(const JournalEntry& entry) {
  if (!entry.completed) return 2;
  return entry.counts.migrationErrors != 0 || entry.counts.scriptErrors != 0
             ? 1
             : 0;
}

}  // namespace quelmar
