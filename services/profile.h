// The INI reader over a decoded script text: one reader of our own for every
// system, so that a script reads the same on Windows, Linux and in rehearsal.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace quelmar {

// Values longer than this are cut, as a 32,000-character buffer with its
// terminating null would cut them.
constexpr size_t kMaxProfileValueLength = 31999;

class ProfileText {
 public:
  // `text` must outlive the reader.
  explicit ProfileText(std::string_view text) : text_(text) {}

  // The value of the first `key` in the first `section` (names without
  // regard to case, blanks around them ignored), blanks around the value and
  // one pair of matching quotes around it removed; `fallback` when the
  // section or the key is missing.
  std::string ReadProfileValue(std::string_view section, std::string_view key,
                               std::string_view fallback) const;

 private:
  // The body of the first section of that name; looked up once per name, so
  // that several keys of one section cost one scan of the text.
  std::optional<std::string_view> SectionBody(std::string_view section) const;

  std::string_view text_;
  mutable std::map<std::string, std::optional<std::string_view>> sections_;
};

}  // namespace quelmar
