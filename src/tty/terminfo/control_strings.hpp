// The control sequences the terminal is sent, spelled for it already, and their writers.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "tui/color.hpp"

namespace tty {

/// How one palette colour is selected: SGR parameters that can share one ESC[...m with others,
/// or, for a description with an unusual spelling, a whole sequence of its own.
struct ColorSelect {
  std::array<char, 24> text{};
  std::uint8_t length = 0;
  bool whole_sequence = false;
  std::string_view view() const { return {text.data(), length}; }
};

/// ECMA-48 sequences that take one count, ESC [ n final. The flags of `ControlStrings` say which
/// the terminal understands.
enum class Counted : char {
  CursorUp = 'A',
  CursorDown = 'B',
  CursorForward = 'C',
  CursorBackward = 'D',
  Column = 'G',  // the count is the column, from 1
  EraseCharacters = 'X',
  InsertCharacters = '@',
  DeleteCharacters = 'P',
};

/// Every control sequence written to the terminal, spelled for the probed terminal and nowhere
/// else. Where the description has a capability, its spelling is used; where it has none, the
/// ANSI/xterm form stands in for the essential ones (cursor address, cursor visibility,
/// clearing) and the optional shortcuts are simply not used. Without any description the
/// terminal is taken to be xterm-like. The device's modes are the xterm ones on every terminal.
struct ControlStrings {
  std::string hide_cursor = "\x1b[?25l";
  std::string show_cursor = "\x1b[?25h";
  /// Erases the screen and leaves the cursor at the top left.
  std::string clear_screen = "\x1b[H\x1b[2J";
  /// Selects the default colours (and drops every other attribute).
  std::string_view reset_colors = "\x1b[m";
  /// Erases from the cursor to the end of its row, when `erase_line` is set.
  std::string_view erase_to_line_end = "\x1b[K";
  std::string_view enter_alternate_screen = "\x1b[?1049h";
  std::string_view leave_alternate_screen = "\x1b[?1049l";
  std::string_view bracketed_paste_on = "\x1b[?2004h";
  std::string_view bracketed_paste_off = "\x1b[?2004l";
  /// The description's own cursor address, as it spells it (parameters not applied), when it
  /// has one in a form other than ESC[row;colH; empty otherwise.
  std::string unusual_cursor_address;
  bool carriage_return = true;    // CR
  bool line_feed = true;          // LF moves one row down
  bool backspace = true;          // BS moves one column left
  bool cursor_forward = true;     // Counted::CursorForward
  bool cursor_backward = true;    // Counted::CursorBackward
  bool cursor_down = true;        // Counted::CursorDown
  bool cursor_up = true;          // Counted::CursorUp
  bool column_address = true;     // Counted::Column
  bool erase_characters = true;   // Counted::EraseCharacters
  bool erase_line = true;         // erase_to_line_end
  bool insert_characters = true;  // Counted::InsertCharacters
  bool delete_characters = true;  // Counted::DeleteCharacters
  /// Writing the last column wraps at once (auto margins without the pending-wrap state), so the
  /// bottom-right cell cannot be written without scrolling.
  bool eager_wrap = false;
  /// Writing the last column leaves the cursor pending there (auto margins with the newline
  /// glitch): the next symbol goes to the start of the next row.
  bool deferred_wrap = false;
  /// With eager wrapping, what inserts one blank cell at the cursor, moving the rest of the row
  /// right (the description's ich1, or its parm_ich of 1), and what enters and leaves insert
  /// mode (smir, rmir); each empty where the description lacks it. The bottom-right cell is
  /// pushed into place with them.
  std::string insert_blank;
  std::string insert_mode_on;
  std::string insert_mode_off;
  std::array<ColorSelect, 256> foreground{};
  std::array<ColorSelect, 256> background{};

  /// Moves the cursor to column x, row y (from 0). Allocates nothing.
  void append_address(int x, int y, std::string& out) const;
  /// Bytes of the parameters selecting `color` from `table` (a default one: "39" or "49").
  static int parameter_length(tui::Color color, const std::array<ColorSelect, 256>& table) {
    return color.is_reset() ? 2 : static_cast<int>(table[color.index()].length);
  }
  /// Changes the selected colours from (from_fg, from_bg) to (fg, bg): only what differs, or,
  /// with `restart`, from the reset on, which is sure to leave nothing else behind.
  void append_colors(bool restart, tui::Color from_fg, tui::Color from_bg, tui::Color fg,
                     tui::Color bg, std::string& out) const;
};

/// The number of decimal digits of n >= 0.
inline int digits(int n) {
  int count = 1;
  while (n >= 10) n /= 10, ++count;
  return count;
}
/// Appends n >= 0 in decimal.
void append_number(int n, std::string& out);
/// Appends ESC [ n final, leaving out a count of 1, which is the default.
void append_counted(Counted what, int n, std::string& out);
/// Bytes of `append_counted` with count n.
inline int counted_cost(int n) {
  return n == 1 ? 3 : 3 + digits(n);
}

}  // namespace tty
