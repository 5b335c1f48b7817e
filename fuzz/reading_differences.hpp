#pragma once

// Where ncurses reads a parameterised string otherwise than the terminfo manual, so that its
// text is no second opinion there.

#include <array>
#include <string>
#include <string_view>

namespace fuzz {

/// Whether ncurses reads `format` as the manual does, for these parameters.
bool read_alike(std::string_view format, const std::array<int, 9>& parameters);

/// Whether the texts are the same but for ncurses' NUL: its text is a C string, so %c of 0 comes
/// out as code 0200, and %c of another multiple of 256 ends the text.
bool same_text(std::string_view ours, std::string_view theirs);

}  // namespace fuzz
