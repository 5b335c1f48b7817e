#include "python/process_arguments.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <optional>
#include <stdexcept>

#include "tui/utf8.hpp"

namespace tavvik::python {

namespace {

constexpr std::string_view kUpperHexDigits = "0123456789ABCDEF";

// glibc hands argc/argv/envp to the initialisers of every shared object it loads, dlopen
// included. The interpreter may rewrite sys.argv, but this is the vector the process got. Written
// once, by the loader's call below.
// NOLINTBEGIN(cppcoreguidelines-avoid-non-const-global-variables)
int startup_argc = 0;
char** startup_argv = nullptr;
// NOLINTEND(cppcoreguidelines-avoid-non-const-global-variables)

void remember_startup_arguments(int argc, char** argv, char** /*envp*/) {
  startup_argc = argc;
  startup_argv = argv;
}

// Only the loader reads it, from .init_array.
// NOLINTNEXTLINE(cppcoreguidelines-avoid-non-const-global-variables)
[[gnu::used, gnu::section(".init_array")]] void (*remember_startup_arguments_hook)(
    int, char**, char**) = &remember_startup_arguments;

// The characters written as a backslash and one more character.
struct ShortEscape {
  char32_t code_point;
  std::string_view text;
};
constexpr std::array<ShortEscape, 6> kShortEscapes{
    {{'"', "\\\""}, {'\\', "\\\\"}, {'\t', "\\t"}, {'\r', "\\r"}, {'\n', "\\n"}, {'\0', "\\0"}}};

void append_escaped(std::string& out, char32_t code_point, std::string_view encoded) {
  const auto* const escape = std::ranges::find(kShortEscapes, code_point, &ShortEscape::code_point);
  if (escape != kShortEscapes.end()) {
    out += escape->text;
    return;
  }
  const bool control = code_point < 0x20 || (code_point >= 0x7F && code_point < 0xA0);
  if (control) {
    std::array<char, 8> digits{};
    const auto converted = std::to_chars(digits.data(), digits.data() + digits.size(),
                                         static_cast<unsigned>(code_point), 16);
    out += "\\u{";
    out.append(digits.data(), converted.ptr);
    out += '}';
    return;
  }
  out += encoded;
}

}  // namespace

std::string quoted_bytes(std::string_view bytes) {
  std::string out = "\"";
  while (!bytes.empty()) {
    if (const auto decoded = tui::decode_utf8(bytes)) {
      append_escaped(out, decoded->code_point, bytes.substr(0, decoded->length));
      bytes.remove_prefix(decoded->length);
      continue;
    }
    // Bytes of a broken sequence are never the start of a valid one, so one at a time is
    // the same as taking the whole broken sequence.
    const auto byte = static_cast<std::uint8_t>(bytes[0]);
    out += "\\x";
    out += kUpperHexDigits[byte >> 4];
    out += kUpperHexDigits[byte & 0xF];
    bytes.remove_prefix(1);
  }
  out += '"';
  return out;
}

std::vector<std::string> process_argument_list() {
  std::vector<std::string> list;
  if (startup_argv == nullptr) return list;
  list.reserve(startup_argc > 1 ? static_cast<std::size_t>(startup_argc - 1) : 0);
  for (int i = 0; i < startup_argc && startup_argv[i] != nullptr; ++i) {
    const std::string_view argument(startup_argv[i]);
    if (!tui::is_valid_utf8(argument)) {
      std::string message = "process argument is not valid UTF-8: ";
      message += quoted_bytes(argument);
      throw std::runtime_error(message);
    }
    if (i > 0) list.emplace_back(argument);
  }
  return list;
}

}  // namespace tavvik::python
