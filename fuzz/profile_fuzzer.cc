// The INI reader over any text: the section and the key are taken from the
// front of the input, the text from the rest.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "services/profile.h"
#include "services/unicode.h"

namespace {

// Takes the text up to the next NUL from `input` (all of it when there is
// none).
std::string_view TakeField(std::string_view& input) {
  size_t end = input.find('\0');
  std::string_view field = input.substr(0, end);
  input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);
  return field;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  std::string_view section = TakeField(input);
  std::string_view key = TakeField(input);
  const std::string text = quelmar::DecodeScriptBytes(
      std::string(input),
      [](std::string_view bytes) { return quelmar::Windows1252ToUtf8(bytes); });
  quelmar::ProfileText profile(text);
  std::string value = profile.ReadProfileValue(section, key, "default");
  if (value.size() > text.size() && value != "default") __builtin_trap();
  // A second key of the same section goes through the section cache.
  profile.ReadProfileValue(section, "Mode", "N");
  profile.ReadProfileValue("Config", key, "");
  return 0;
}
