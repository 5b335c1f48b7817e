// A parameterised string and nine parameters -> the parameter language's text. Whatever the
// string holds: no trap, a text no longer than kMostPerByte bytes for each byte of the string,
// the same text however large the caller's buffer, and ncurses' text wherever ncurses defines
// one and reads the string as the terminfo manual does.
//
// Input: nine parameters, four bytes each (native order), then the string (up to a NUL, as a
// description's strings end at one).

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "ncurses_reference.hpp"
#include "reading_differences.hpp"
#include "tty/terminfo/parameters.hpp"

namespace {

// The widest field is a hundred columns and takes at least four bytes ("%99d"), a sign and all.
constexpr std::size_t kMostPerByte = 32;
constexpr std::size_t kHeadLength = 8;

void print_escaped(const char* label, std::string_view text) {
  std::fprintf(stderr, "%s \"", label);
  for (unsigned char c : text) {
    if (c >= 0x20 && c < 0x7f && c != '\\') {
      std::fputc(c, stderr);
    } else {
      std::fprintf(stderr, "\\%03o", c);
    }
  }
  std::fprintf(stderr, "\"\n");
}

[[noreturn]] void fail(const char* what, std::string_view format, std::string_view ours,
                       std::string_view theirs) {
  std::fprintf(stderr, "%s\n", what);
  print_escaped("format: ", format);
  print_escaped("ours:   ", ours);
  print_escaped("ncurses:", theirs);
  __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::array<int, 9> parameters{};
  const std::size_t taken = std::min(size, sizeof parameters);
  std::memcpy(parameters.data(), data, taken);
  const std::string format(reinterpret_cast<const char*>(data) + taken,
                           strnlen(reinterpret_cast<const char*>(data) + taken, size - taken));

  const auto measured = tty::expand_parameters(format, parameters, nullptr, 0);
  if (measured.length > kMostPerByte * format.size()) fail("text too long", format, "", "");
  std::string text(measured.length, '\0');
  const auto written = tty::expand_parameters(format, parameters, text.data(), text.size());
  char head[kHeadLength];
  const auto cut = tty::expand_parameters(format, parameters, head, sizeof head);
  if (written.length != measured.length || cut.length != measured.length ||
      written.damaged != measured.damaged || cut.damaged != measured.damaged ||
      text.compare(0, kHeadLength, head, std::min(cut.length, kHeadLength)) != 0) {
    fail("the text depends on the buffer", format, text, "");
  }

  // A damaged string is never sent (its capability counts as absent); ncurses' has no result
  // where it would take a parameter for a string.
  if (measured.damaged || !fuzz::read_alike(format, parameters)) return 0;
  const auto theirs = fuzz::ncurses_expansion(format.c_str(), parameters);
  if (theirs && !fuzz::same_text(text, *theirs)) fail("ncurses differs", format, text, *theirs);
  return 0;
}
