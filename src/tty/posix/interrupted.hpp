// The one way a system call is made again after a signal cut it short.
#pragma once

#include <errno.h>

#include <expected>

namespace tty {

/// Whether a call failed only because a signal interrupted it: it returned -1 with errno EINTR,
/// or the error number EINTR.
inline bool interrupted(long result) {
  return result == -1 && errno == EINTR;
}
template <typename T>
bool interrupted(const std::expected<T, int>& result) {
  return !result && result.error() == EINTR;
}

/// Makes `call` again while a signal interrupts it, which is no failure of the terminal: a window
/// change arrives as a signal, and waiting for output to drain (tcdrain, or setting attributes
/// after the drain) is cut short by it even where handlers restart calls. Async-signal-safe
/// when `call` is.
template <typename Call>
auto retrying_interrupted(Call call) {
  auto result = call();
  while (interrupted(result)) result = call();
  return result;
}

}  // namespace tty
