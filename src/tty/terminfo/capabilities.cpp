#include "tty/terminfo/capabilities.hpp"

namespace tty {

Capabilities probe_capabilities(const Environment& environment) {
  const auto term = environment.text("TERM");
  if (!term) return {};
  return {TerminfoDescription::find(*term, environment)};
}

}  // namespace tty
