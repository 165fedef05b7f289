// SplitField, SplitFields and ReplaceAll on any text, separator and mode,
// with the invariants their callers rely on.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "services/text_utils.h"

namespace {

using quelmar::Compare;

std::string_view TakeField(std::string_view& input) {
  size_t end = input.find('\0');
  std::string_view field = input.substr(0, end);
  input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);
  return field;
}

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

void CheckSplit(std::string_view text, std::string_view separator, int index,
                Compare compare) {
  std::vector<std::string> pieces =
      quelmar::SplitFields(text, separator, compare);
  Check(!pieces.empty());
  std::string piece =
      quelmar::SplitField(text, separator, index, compare, false);
  if (index >= 0 && static_cast<size_t>(index) < pieces.size())
    Check(piece == pieces[index]);
  else
    Check(piece.empty());
  std::string rest = quelmar::SplitField(text, separator, index, compare, true);
  Check(rest.size() <= text.size());
  if (compare == Compare::kExact && !separator.empty()) {
    std::string joined = pieces[0];
    for (size_t i = 1; i < pieces.size(); ++i)
      joined.append(separator).append(pieces[i]);
    Check(joined == text);
  }
}

void CheckReplace(std::string_view text, std::string_view find,
                  std::string_view replacement, size_t start, Compare compare) {
  std::string result =
      quelmar::ReplaceAll(text, find, replacement, start, compare);
  if (start <= text.size())
    Check(result.substr(0, start) == text.substr(0, start));
  // Removing every occurrence leaves none behind that the removal could have
  // seen, unless two pieces around a removed one join into a new one.
  if (compare == Compare::kExact && !find.empty() && replacement.empty() &&
      find.size() == 1 && start == 0)
    Check(result.find(find) == std::string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const Compare compare = data[0] & 1 ? Compare::kIgnoreCase : Compare::kExact;
  const int index = static_cast<int8_t>(data[1]) % 8;
  std::string_view input(reinterpret_cast<const char*>(data + 2), size - 2);
  std::string_view separator = TakeField(input);
  std::string_view replacement = TakeField(input);
  std::string_view text = input;
  CheckSplit(text, separator, index, compare);
  CheckReplace(text, separator, replacement, (data[0] >> 1) % 4, compare);
  quelmar::TrimSpaces(text);
  return 0;
}
