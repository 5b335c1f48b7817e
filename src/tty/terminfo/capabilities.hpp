#pragma once

// What the terminal is known to understand, probed from the environment.

#include <optional>
#include <string>

#include "tty/terminfo/control_strings.hpp"
#include "tty/terminfo/description.hpp"
#include "tty/terminfo/environment.hpp"
#include "tui/rect.hpp"

namespace tty {

/// What the terminal is known to understand, probed once from the environment and the
/// description named by TERM. Probing never fails: what cannot be learnt takes its default.
struct Capabilities {
  /// TERM as set; empty when it is unset.
  std::string term;
  std::optional<TerminfoDescription> description;
  /// The size to take for a dimension the terminal reports as 0 cells: COLUMNS and LINES where
  /// they are positive numbers, else the description's columns and lines, else 80 x 24, as
  /// curses programs do.
  tui::Size assumed_size;
};

/// TERM names the description; unset and non-UTF-8 variables count as absent.
Capabilities probe_capabilities(const Environment& environment);

/// Why the animation cannot be shown on this terminal at all, as the user is to read it, or
/// nothing. A description without cursor addressing (dumb, the printing terminals) says that
/// the terminal shows control sequences as text; TERM unset or naming no installed description
/// leaves the terminal taken to be xterm-like.
std::optional<std::string> unusable_terminal(const Capabilities& capabilities);

/// The control sequences for the probed capabilities.
ControlStrings control_strings_for(const Capabilities& capabilities);

}  // namespace tty
