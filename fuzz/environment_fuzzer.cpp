// The environment (TERM, COLORTERM, TERMINFO, TERMINFO_DIRS and HOME) -> the search for the
// description and the capabilities probed. Run in a directory of descriptions made here, with
// each kind of file the search meets: a description under its first letter and under its
// hexadecimal name, a damaged one, an empty one, a FIFO, a directory, a link to itself and a file
// over the size limit; the system's directories are searched too.
// No trap, no hang, no file descriptor left open.
//
// Input: the five values in that order, each ended by a NUL (a missing one is unset).

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>

#include "tty/terminfo/capabilities.hpp"
#include "tty/terminfo/lookup.hpp"

namespace {

namespace fs = std::filesystem;

constexpr const char* kVariables[] = {"TERM", "COLORTERM", "TERMINFO", "TERMINFO_DIRS", "HOME"};

void write_file(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

/// The input's variables; any other is unset.
class InputEnvironment final : public tty::Environment {
 public:
  std::optional<std::string> raw(const char* name) const override {
    const auto found = variables.find(name);
    if (found == variables.end()) return std::nullopt;
    return found->second;
  }
  std::map<std::string, std::string> variables;
};

/// Makes the directory of descriptions and enters it, so that relative paths in the input (".",
/// "t", "home") reach it.
void make_descriptions() {
  std::string pattern = (fs::temp_directory_path() / "tavvik-fuzz-XXXXXX").string();
  const fs::path root = ::mkdtemp(pattern.data());
  // A real description, from wherever the system keeps it; the target is no test without one.
  std::string xterm;
  for (const auto& path : tty::terminfo_candidates("xterm-256color", tty::MapEnvironment{})) {
    if (auto bytes = tty::read_small_file(path, 1 << 20)) {
      xterm = std::move(*bytes);
      break;
    }
  }
  if (xterm.empty()) std::abort();
  const fs::path t = root / "t";
  write_file(t / "x" / "xterm", xterm);
  write_file(t / "6d" / "mine", xterm);
  write_file(t / "d" / "damaged", xterm.substr(0, xterm.size() / 2));
  write_file(t / "e" / "empty", "");
  write_file(root / "home" / ".terminfo" / "h" / "home", xterm);
  fs::create_directories(t / "s" / "sub");
  fs::create_directories(t / "f");
  ::mkfifo((t / "f" / "fifo").c_str(), 0600);
  fs::create_directories(t / "l");
  fs::create_symlink("loop", t / "l" / "loop");
  write_file(t / "b" / "big", "");
  fs::resize_file(t / "b" / "big", (1 << 20) + 1);
  fs::current_path(root);
  static const fs::path made = root;
  std::atexit([] { fs::remove_all(made); });
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  make_descriptions();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  InputEnvironment environment;
  const char* at = reinterpret_cast<const char*>(data);
  const char* end = at + size;
  for (const char* name : kVariables) {
    const char* nul = static_cast<const char*>(std::memchr(at, '\0', end - at));
    if (nul == nullptr) break;
    environment.variables[name] = std::string(at, nul);
    at = nul + 1;
  }
  // The lowest free descriptor before and after: the search closes every file it opens.
  const int before = ::fcntl(0, F_DUPFD, 0);
  ::close(before);
  (void)tty::terminfo_directories(environment);
  if (auto term = environment.text("TERM")) (void)tty::terminfo_candidates(*term, environment);
  const tty::Capabilities capabilities = tty::probe_capabilities(environment);
  if (capabilities.description) {
    (void)capabilities.description->number(unibi_max_colors);
    (void)capabilities.description->expand(unibi_cursor_address, {0, 0});
    (void)capabilities.description->has_extended("RGB");
  }
  const int after = ::fcntl(0, F_DUPFD, 0);
  ::close(after);
  if (after != before) __builtin_trap();
  return 0;
}
