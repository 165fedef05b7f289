// The wildcard patterns of printer names: "*" any run of characters, "?" one
// character, "#" one digit, "[...]" one character of a list (with "a-z"
// ranges; "[!...]" one character outside it); every other character matches
// itself. The whole text must match the whole pattern, exactly.
#pragma once

#include <string_view>

namespace quelmar {

// An unclosed "[" stands for itself, so that a stray bracket in a name never
// stops the run.
bool MatchesPattern(std::string_view text, std::string_view pattern);

}  // namespace quelmar
