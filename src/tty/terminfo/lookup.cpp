#include "tty/terminfo/lookup.hpp"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "tty/posix/interrupted.hpp"

namespace tty {

namespace {

constexpr std::string_view kSystemDirectories[] = {"/etc/terminfo", "/lib/terminfo",
                                                   "/usr/share/terminfo"};

void add_system_directories(std::vector<std::string>& directories) {
  for (auto directory : kSystemDirectories) directories.emplace_back(directory);
}

/// HOME, or when that is unset or empty, the home directory the user database gives.
std::optional<std::string> home_directory(const Environment& environment) {
  if (auto home = environment.raw("HOME"); home && !home->empty()) return home;
  passwd entry{};
  passwd* found = nullptr;
  char scratch[4096];
  if (::getpwuid_r(::getuid(), &entry, scratch, sizeof scratch, &found) != 0 || found == nullptr ||
      found->pw_dir == nullptr || found->pw_dir[0] == '\0') {
    return std::nullopt;
  }
  return std::string(found->pw_dir);
}

}  // namespace

std::vector<std::string> terminfo_directories(const Environment& environment) {
  std::vector<std::string> directories;
  if (auto terminfo = environment.raw("TERMINFO"); terminfo && !terminfo->empty()) {
    directories.push_back(*terminfo);
  }
  if (auto list = environment.raw("TERMINFO_DIRS")) {
    std::string_view rest = *list;
    while (true) {
      const auto colon = rest.find(':');
      const std::string_view entry = rest.substr(0, colon);
      // As with ncurses, an empty entry means "the usual places here".
      if (entry.empty()) {
        add_system_directories(directories);
      } else {
        directories.emplace_back(entry);
      }
      if (colon == std::string_view::npos) break;
      rest.remove_prefix(colon + 1);
    }
  }
  if (auto home = home_directory(environment)) directories.push_back(*home + "/.terminfo");
  add_system_directories(directories);
  return directories;
}

std::vector<std::string> terminfo_candidates(std::string_view name,
                                             const Environment& environment) {
  std::vector<std::string> candidates;
  if (name.empty() || name.front() == '.' || name.find('/') != std::string_view::npos) {
    return candidates;
  }
  constexpr std::string_view kHexDigits = "0123456789abcdef";
  const auto lead = static_cast<unsigned char>(name.front());
  const char hex_high = kHexDigits[lead >> 4];
  const char hex_low = kHexDigits[lead & 0xF];
  for (const auto& directory : terminfo_directories(environment)) {
    candidates.push_back(directory + '/' + name.front() + '/' + std::string(name));
    candidates.push_back(directory + '/' + hex_high + hex_low + '/' + std::string(name));
  }
  return candidates;
}

std::optional<std::string> read_small_file(const std::string& path, std::size_t limit) {
  // Without O_NONBLOCK, opening a FIFO would wait for a writer forever.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd == -1) return std::nullopt;
  std::optional<std::string> content;
  // statx rather than fstat: fstat is a symbol of glibc 2.33, statx one of 2.28, which keeps
  // the module loadable on older systems (the wheels' manylinux_2_28 tag). The same facts, and
  // the same one system call on any kernel from 4.11 on (glibc falls back to fstat before).
  struct statx status {};
  if (::statx(fd, "", AT_EMPTY_PATH, STATX_TYPE | STATX_SIZE, &status) == 0 &&
      S_ISREG(status.stx_mode) && status.stx_size <= limit) {
    std::string bytes;
    // One byte more than the file claims, to notice a file that grew while being read.
    bytes.resize(static_cast<std::size_t>(status.stx_size) + 1);
    std::size_t used = 0;
    bool failed = false;
    while (used <= limit) {
      if (used == bytes.size()) bytes.resize(std::min(bytes.size() * 2, limit + 1));
      const ssize_t got = retrying_interrupted(
          [&] { return ::read(fd, bytes.data() + used, bytes.size() - used); });
      if (got == 0) break;
      if (got < 0) {
        failed = true;
        break;
      }
      used += static_cast<std::size_t>(got);
    }
    // A file that grew past the limit while being read is refused like a large one.
    if (!failed && used <= limit) {
      bytes.resize(used);
      content = std::move(bytes);
    }
  }
  ::close(fd);
  return content;
}

}  // namespace tty
