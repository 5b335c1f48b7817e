#pragma once

// Where terminal descriptions are looked for, and reading their files.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tty/terminfo/environment.hpp"

namespace tty {

/// The directories searched for terminal descriptions, in order: TERMINFO, the entries of
/// TERMINFO_DIRS (an empty entry stands for the system's directories), the user's ~/.terminfo
/// (HOME, else the user database), then /etc/terminfo, /lib/terminfo and /usr/share/terminfo.
std::vector<std::string> terminfo_directories(const Environment& environment);

/// Every file that may hold the description called `name`, in search order: in each directory
/// the first-letter form (x/xterm) and then the hexadecimal form (78/xterm). A name that is
/// empty, starts with '.' or holds '/' names no description, as in the common libraries.
std::vector<std::string> terminfo_candidates(std::string_view name, const Environment& environment);

/// The whole content of a regular file of at most `limit` bytes, or nothing; anything else (a
/// FIFO, a device, a directory) is not read, and opening it never blocks.
std::optional<std::string> read_small_file(const std::string& path, std::size_t limit);

}  // namespace tty
