// Text routines of modGeneral: folder paths, splitting, replacing, and the
// searches they rest on. Positions here are byte offsets into UTF-8 text;
// they cut texts at the same places as character positions would.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quelmar {

// How two texts are compared: exactly, or without regard to case.
enum class Compare { kExact, kIgnoreCase };

// Offset of the first `find` in `text` at or after `from`, npos if none.
size_t FindText(std::string_view text, std::string_view find, size_t from,
                Compare compare);

bool ContainsText(std::string_view text, std::string_view find,
                  Compare compare = Compare::kExact);

// `path` followed by `separator` unless it already ends with it.
std::string EnsureTrailingSeparator(std::string_view path, char separator);

// Piece `index` (from 0) of `text` cut at `separator`; the empty text when
// there is no such piece.
std::string_view SplitField(std::string_view text, char separator,
                            size_t index);

// Every piece of `text` cut at `separator`, empty pieces included: k
// separators give k + 1 pieces.
std::vector<std::string_view> SplitFields(std::string_view text,
                                          char separator);

// Every `find` replaced by `replacement`; the search goes on after the
// inserted text and never looks into it.
std::string ReplaceAll(std::string_view text, std::string_view find,
                       std::string_view replacement);

// Removes spaces and tabs at both ends.
std::string_view TrimBlanks(std::string_view text);

// Removes spaces (only the space character) at both ends.
std::string_view TrimSpaces(std::string_view text);

// True when the text holds a control character (bytes 0 to 31 and 127): the
// system would cut a printer name or a path at a NUL and read the rest as
// something else, so such a name is refused whole.
bool HasControlCharacter(std::string_view text);

// Decimal digits of a number, with "-" when negative.
std::string DecimalText(long long number);
// The same digits appended to `out`, without a text of their own.
void AppendDecimal(std::string& out, long long number);

}  // namespace quelmar

namespace quelmar {

// The number of line ends in `text` (CR LF, CR alone, LF alone): the lines
// that LineCursor cuts are one more.
size_t CountLineEnds(std::string_view text);

// Reads the line that starts at `pos` and moves `pos` past its end. A line
// ends at CR LF, at CR alone or at LF alone. Returns false once `pos` is past
// the end of `text`; a text that ends with a line end has an empty last line.
class LineCursor {
 public:
  explicit LineCursor(std::string_view text);
  bool Next(std::string_view& line);

 private:
  // The first CR or LF at or after pos_ (the text's size when none).
  size_t LineEnd() const;

  std::string_view text_;
  size_t pos_ = 0;
  bool done_ = false;
};

}  // namespace quelmar
