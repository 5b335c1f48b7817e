#pragma once

// What the terminal is known to understand, probed from the environment.

#include <optional>

#include "tty/terminfo/control_strings.hpp"
#include "tty/terminfo/description.hpp"
#include "tty/terminfo/environment.hpp"

namespace tty {

/// What the terminal is known to understand, probed once from the environment and the
/// description named by TERM. Probing never fails: what cannot be learnt takes its default.
struct Capabilities {
  std::optional<TerminfoDescription> description;
};

/// TERM names the description; unset and non-UTF-8 variables count as absent.
Capabilities probe_capabilities(const Environment& environment);

/// The control sequences for the probed capabilities.
ControlStrings control_strings_for(const Capabilities& capabilities);

}  // namespace tty
