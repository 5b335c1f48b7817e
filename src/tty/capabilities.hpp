#pragma once

#include <optional>
#include <string>

#include "tty/environment.hpp"
#include "tty/terminfo_description.hpp"

namespace tty {

/// How many colours the terminal is taken to show.
enum class ColorLevel { Sixteen, TwoFiftySix, TrueColor };

/// What the terminal is known to understand, probed once from the environment and the
/// description named by TERM. Probing never fails: what cannot be learnt takes its default.
struct Capabilities {
  std::optional<std::string> term;
  std::optional<std::string> colorterm;
  std::optional<std::string> term_program;
  std::optional<std::string> term_program_version;
  std::optional<TerminfoDescription> description;
  ColorLevel color_level = ColorLevel::Sixteen;
  /// Background colour erase: erasing fills with the current background.
  bool background_color_erase = false;
  bool bracketed_paste = true;
  bool mouse_reporting = true;
};

/// COLORTERM "truecolor" or "24bit" means true colour and any other COLORTERM 256 colours;
/// otherwise the description decides (Tc/RGB or colors >= 2^24: true colour; colors >= 256:
/// 256), and without one a TERM containing "256color" means 256 colours; else 16.
/// Unset and non-UTF-8 variables count as absent.
Capabilities probe_capabilities(const Environment& environment);

}  // namespace tty
