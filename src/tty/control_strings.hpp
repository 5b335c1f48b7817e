#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "tty/capabilities.hpp"

namespace tty {

/// How one palette colour is selected: SGR parameters that can share one ESC[...m with others,
/// or, for a description with an unusual spelling, a whole sequence of its own.
struct ColorSelect {
  std::array<char, 24> text{};
  std::uint8_t length = 0;
  bool whole_sequence = false;
  std::string_view view() const { return {text.data(), length}; }
};

/// The control sequences the renderer may use on the probed terminal. Where the description has
/// a capability, its spelling is used; where it has none, the ANSI/xterm form stands in for the
/// essential ones (cursor address, cursor visibility, clearing) and the optional shortcuts are
/// simply not used. Without any description the terminal is taken to be xterm-like.
struct ControlStrings {
  std::string hide_cursor = "\x1b[?25l";
  std::string show_cursor = "\x1b[?25h";
  /// Erases the screen and leaves the cursor at the top left.
  std::string clear_screen = "\x1b[H\x1b[2J";
  /// The description's own cursor address when it is not spelled ESC[row;colH.
  std::optional<TerminfoDescription> unusual_cursor_address;
  bool carriage_return = true;    // CR
  bool line_feed = true;          // LF moves one row down
  bool backspace = true;          // BS moves one column left
  bool cursor_forward = true;     // ESC[nC
  bool cursor_backward = true;    // ESC[nD
  bool cursor_down = true;        // ESC[nB
  bool cursor_up = true;          // ESC[nA
  bool column_address = true;     // ESC[nG
  bool erase_characters = true;   // ESC[nX
  bool erase_line = true;         // ESC[K
  bool insert_characters = true;  // ESC[n@
  bool delete_characters = true;  // ESC[nP
  bool repeat = false;            // ESC[nb repeats the symbol just written n more times
  /// Writing the last column wraps at once (auto margins without the pending-wrap state), so the
  /// bottom-right cell cannot be written without scrolling.
  bool eager_wrap = false;
  std::array<ColorSelect, 256> foreground{};
  std::array<ColorSelect, 256> background{};
};

/// The sequences for the probed capabilities.
ControlStrings control_strings_for(const Capabilities& capabilities);

}  // namespace tty
