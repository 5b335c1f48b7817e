#pragma once

// The process's own command line, for `main()`, and quoting bytes for fault reports.

#include <string>
#include <string_view>
#include <vector>

namespace tavvik::python {

/// The process's start-up command line less its first element (the interpreter), copied afresh.
/// Throws std::runtime_error when any element, the first included, is not UTF-8: that is an
/// internal fault, reported before anything else happens.
std::vector<std::string> process_argument_list();

/// `bytes` in double quotes with quotes, backslashes and control characters escaped by a
/// backslash, and every byte that is not part of valid UTF-8 written as \xNN.
std::string quoted_bytes(std::string_view bytes);

}  // namespace tavvik::python
