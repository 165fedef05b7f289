// SplitField, SplitFields and ReplaceAll on any text, separator and
// replacement, with the invariants their callers rely on.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "services/text_utils.h"

namespace {

std::string_view TakeField(std::string_view& input) {
  size_t end = input.find('\0');
  std::string_view field = input.substr(0, end);
  input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);
  return field;
}

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

void CheckSplit(std::string_view text, char separator, size_t index) {
  std::vector<std::string_view> pieces = quelmar::SplitFields(text, separator);
  Check(!pieces.empty());
  std::string_view piece = quelmar::SplitField(text, separator, index);
  if (index < pieces.size())
    Check(piece == pieces[index]);
  else
    Check(piece.empty());
  std::string joined(pieces[0]);
  for (size_t i = 1; i < pieces.size(); ++i)
    joined.append(1, separator).append(pieces[i]);
  Check(joined == text);
}

void CheckReplace(std::string_view text, std::string_view find,
                  std::string_view replacement) {
  std::string result = quelmar::ReplaceAll(text, find, replacement);
  // Removing every occurrence of one character leaves none behind.
  if (find.size() == 1 && replacement.empty())
    Check(result.find(find) == std::string::npos);
  if (find.empty() || replacement == find) Check(result == text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const char separator = static_cast<char>(data[0]);
  const size_t index = data[1] % 8;
  std::string_view input(reinterpret_cast<const char*>(data + 2), size - 2);
  std::string_view find = TakeField(input);
  std::string_view replacement = TakeField(input);
  std::string_view text = input;
  CheckSplit(text, separator, index);
  CheckReplace(text, find, replacement);
  quelmar::TrimSpaces(text);
  return 0;
}
