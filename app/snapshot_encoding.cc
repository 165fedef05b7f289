#include "app/snapshot_encoding.h"

#include <charconv>
#include <cstdint>
#include <vector>

#include "services/text_utils.h"

namespace quelmar {
namespace {

// Each text as its length in decimal, ":", then its bytes; a number as the
// text of its digits; a list as its count, then its items.
class Encoder {
 public:
  void Text(std::string_view text) {
    out_.append(DecimalText(static_cast<long long>(text.size())))
        .append(":")
        .append(text);
  }
  void Number(long long number) { Text(DecimalText(number)); }
  void Texts(const std::vector<std::string>& texts) {
    Number(static_cast<long long>(texts.size()));
    for (const std::string& text : texts) Text(text);
  }
  std::string Take() { return std::move(out_); }

 private:
  std::string out_;
};

// Reads what Encoder wrote; after the first malformed field every read
// gives nothing and failed() is true.
class Decoder {
 public:
  explicit Decoder(std::string_view bytes) : rest_(bytes) {}

  std::string Text() {
    const size_t colon = rest_.find(':');
    size_t length = 0;
    if (failed_ || colon == std::string_view::npos ||
        !ReadDigits(rest_.substr(0, colon), length) ||
        length > rest_.size() - colon - 1)
      return Fail();
    std::string text(rest_.substr(colon + 1, length));
    rest_.remove_prefix(colon + 1 + length);
    return text;
  }
  int64_t Number(int64_t low, int64_t high) {
    const std::string text = Text();
    int64_t number = 0;
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, number);
    if (failed_ || text.empty() || error != std::errc() || stop != end ||
        number < low || number > high) {
      Fail();
      return 0;
    }
    return number;
  }
  // A count can be no larger than the bytes left: a damaged one never makes
  // a huge list.
  size_t Count() {
    return static_cast<size_t>(Number(0, static_cast<int64_t>(rest_.size())));
  }
  std::vector<std::string> Texts() {
    std::vector<std::string> texts(Count());
    for (std::string& text : texts) text = Text();
    return texts;
  }
  bool finished() const { return !failed_ && rest_.empty(); }

 private:
  static bool ReadDigits(std::string_view digits, size_t& value) {
    if (digits.empty() || digits.size() > 10) return false;
    const char* end = digits.data() + digits.size();
    auto [stop, error] = std::from_chars(digits.data(), end, value);
    return error == std::errc() && stop == end;
  }
  std::string Fail() {
    failed_ = true;
    return {};
  }

  std::string_view rest_;
  bool failed_ = false;
};

}  // namespace

std::string EncodeSnapshot(const Snapshot& snapshot) {
  const WorkstationState& state = snapshot.state;
  Encoder out;
  out.Texts(snapshot.comments);
  out.Texts(state.printers);
  out.Number(state.device ? 1 : 0);
  if (state.device) out.Text(*state.device);
  out.Texts(state.shares);
  out.Number(static_cast<long long>(state.failures.size()));
  for (const ForcedFailure& failure : state.failures) {
    out.Text(failure.operation);
    out.Text(failure.printer);
    out.Number(failure.error);
  }
  out.Number(static_cast<long long>(state.messages.size()));
  for (const auto& [code, text] : state.messages) {
    out.Number(code);
    out.Text(text);
  }
  return out.Take();
}

std::optional<Snapshot> DecodeSnapshot(std::string_view bytes) {
  Snapshot snapshot;
  WorkstationState& state = snapshot.state;
  Decoder in(bytes);
  snapshot.comments = in.Texts();
  state.printers = in.Texts();
  if (in.Number(0, 1) == 1) state.device = in.Text();
  state.shares = in.Texts();
  state.failures.resize(in.Count());
  for (ForcedFailure& failure : state.failures) {
    failure.operation = in.Text();
    failure.printer = in.Text();
    failure.error = static_cast<int32_t>(in.Number(INT32_MIN, INT32_MAX));
  }
  state.messages.resize(in.Count());
  for (auto& [code, text] : state.messages) {
    code = static_cast<int32_t>(in.Number(INT32_MIN, INT32_MAX));
    text = in.Text();
  }
  if (!in.finished()) return std::nullopt;
  return snapshot;
}

}  // namespace quelmar
