// Kept apart from the program's headers: <term.h> defines every capability's name as a macro.
#include "ncurses_reference.hpp"

#include <curses.h>
#include <term.h>

#include <algorithm>
#include <string_view>

#include "tty/terminfo/parameters.hpp"

// ncurses' own utilities' flavour of tiparm: every parameter a number, or no result at all.
extern "C" char* _nc_tiparm(int expected, const char* format, ...);
// Static variables (%PA..%PZ) outlive a call in ncurses; each comparison starts them at 0.
extern "C" void _nc_reset_tparm(TERMINAL* terminal);

namespace fuzz {

namespace {

std::string* collected = nullptr;

int collect(int c) {
  *collected += static_cast<char>(c);
  return c;
}

}  // namespace

std::string ncurses_sent(const char* text) {
  std::string sent;
  collected = &sent;
  tputs(text, 1, collect);
  collected = nullptr;
  return sent;
}

std::optional<std::string> ncurses_expansion(const char* format, const std::array<int, 9>& p) {
  _nc_reset_tparm(nullptr);
  const char* expanded =
      _nc_tiparm(9, format, p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7], p[8]);
  if (expanded == nullptr) return std::nullopt;
  const std::string_view text = expanded;
  const auto dollars = [](std::string_view s) { return std::ranges::count(s, '$'); };
  if (dollars(format) == 0) return std::string(text);
  // Padding is no part of the language: it is the string's own, dropped by the program before
  // and by tputs after the expansion. Where an expanded '$' meets it, or the expansion makes or
  // breaks one ("$%p1<5>" is "$<5>" once %p1 has pushed), the two part ways.
  const auto paddings = [&](std::string_view s) {
    return dollars(s) - dollars(tty::without_padding(s));
  };
  if (dollars(text) != dollars(format) || paddings(text) != paddings(format)) return std::nullopt;
  return tty::without_padding(text);
}

}  // namespace fuzz
