#pragma once

// ncurses' reading of a parameterised string: the second opinion on the parameter language.

#include <array>
#include <optional>
#include <string>

namespace fuzz {

/// ncurses' text for `format` with these nine numbers: tiparm's expansion, its padding dropped.
/// Nothing where ncurses gives no result (it takes a parameter for a string, and tiparm would
/// read a pointer that was never passed) or where an expanded '$' runs into padding.
std::optional<std::string> ncurses_expansion(const char* format, const std::array<int, 9>& p);

/// What ncurses sends for a string that takes no parameters: tputs' text of it, padding dropped.
std::string ncurses_sent(const char* text);

}  // namespace fuzz
