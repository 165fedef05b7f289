#include "services/profile.h"

#include "services/text_utils.h"
#include "services/unicode.h"

namespace quelmar {
namespace {

// The name of a section header line, or nothing when the line is none.
std::optional<std::string_view> HeaderName(std::string_view line) {
  std::string_view trimmed = TrimBlanks(line);
  if (trimmed.empty() || trimmed.front() != '[') return std::nullopt;
  trimmed.remove_prefix(1);
  size_t close = trimmed.find(']');
  return TrimBlanks(trimmed.substr(0, close));
}

std::string_view Unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

// Cuts after `limit` characters, never inside a character.
std::string_view CutAtCharacters(std::string_view text, size_t limit) {
  size_t pos = 0;
  for (size_t count = 0; count < limit && pos < text.size(); ++count)
    NextCodePoint(text, pos);
  return text.substr(0, pos);
}

}  // namespace

std::optional<std::string_view> ProfileText::SectionBody(
    std::string_view section) const {
  std::string wanted = ToLowerUtf8(TrimBlanks(section));
  auto known = sections_.find(wanted);
  if (known != sections_.end()) return known->second;

  std::optional<std::string_view> body;
  LineCursor lines(text_);
  std::string_view line;
  const char* start = nullptr;
  while (lines.Next(line)) {
    std::optional<std::string_view> name = HeaderName(line);
    if (!name) continue;
    if (start) {
      body = std::string_view(start, line.data() - start);
      break;
    }
    if (EqualsIgnoreCase(*name, wanted)) start = line.data() + line.size();
  }
  if (start && !body) body = std::string_view(start, text_.end() - start);
  sections_.emplace(std::move(wanted), body);
  return body;
}

std::string ProfileText::ReadProfileValue(std::string_view section,
                                          std::string_view key,
                                          std::string_view fallback) const {
  std::optional<std::string_view> body = SectionBody(section);
  if (!body) return std::string(fallback);
  std::string wantedKey = ToLowerUtf8(TrimBlanks(key));
  LineCursor lines(*body);
  std::string_view line;
  while (lines.Next(line)) {
    size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    if (!EqualsIgnoreCase(TrimBlanks(line.substr(0, equals)), wantedKey))
      continue;
    std::string_view value = Unquote(TrimBlanks(line.substr(equals + 1)));
    return std::string(CutAtCharacters(value, kMaxProfileValueLength));
  }
  return std::string(fallback);
}

}  // namespace quelmar
