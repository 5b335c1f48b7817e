#pragma once

// The interpreter's signal handlers, run whenever the animation pauses.

#include <optional>

#include "python/py_error.hpp"

namespace tavvik::python {

/// The interpreter's own signal handling, given its turn whenever the animation pauses: the
/// Python handlers of signals caught meanwhile run, and the first exception one raises
/// (KeyboardInterrupt, or SystemExit from an application's handler) ends the animation and
/// then comes out of the call unchanged.
class PendingSignals {
 public:
  /// Runs the pending handlers; true when one raised. Not called again after that: the
  /// animation has ended.
  bool run_handlers();
  /// The exception a handler raised, taken from the interpreter; nothing when none did.
  std::optional<PyError> take_raised();

 private:
  bool raised_ = false;
  /// Under PyPy, Python code to enter, which runs the handlers its C-API check does not.
  PyRef python_code_;
};

}  // namespace tavvik::python
