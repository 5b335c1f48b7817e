#pragma once

// The usage line, printed for any command but `run`.

namespace tavvik {

inline constexpr char USAGE_LINE[] = "Usage: tavvik run\n";

/// Writes the usage line straight to descriptor 1, past any buffering of the host interpreter.
/// A closed descriptor drops it silently; any other write error throws std::runtime_error
/// "failed printing to stdout: <error>", since there is no caller left to tell.
void print_usage();

}  // namespace tavvik
