#pragma once

// Evaluating terminfo's parameterized strings, safely whatever they hold.

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace tty {

/// What evaluating a parameterized string gave: the full length of its text, and whether the
/// string is damaged (it divided by zero, overflowed a division or took a number for a string).
struct ParameterExpansion {
  std::size_t length = 0;
  bool damaged = false;
};

/// Evaluates a terminfo parameterized string with numeric `parameters` (the first nine are
/// used), writing at most `size` bytes of its text to `out` and dropping padding such as "$<5>".
/// A string that pushes no parameter is read the termcap way, as ncurses does: its pops take the
/// first two parameters in order.
/// Whatever the string holds, this never traps: a division or remainder by zero and the one
/// overflowing division give 0, a string operation on a number gives empty text, the stack is
/// bounded (an empty one gives 0), fields are at most a hundred columns, and nothing allocates.
ParameterExpansion expand_parameters(std::string_view format, std::span<const int> parameters,
                                     char* out, std::size_t size);

/// A string that takes no parameters as the terminal is sent it: its text with padding such as
/// "$<5>" dropped, every '%' standing for itself (as ncurses sends it, with no tparm).
std::string without_padding(std::string_view text);

}  // namespace tty
