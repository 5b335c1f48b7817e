#include "tty/terminfo/capabilities.hpp"

namespace tty {

Capabilities probe_capabilities(const Environment& environment) {
  Capabilities found;
  found.term = environment.text("TERM");
  if (found.term) found.description = TerminfoDescription::find(*found.term, environment);
  return found;
}

}  // namespace tty
