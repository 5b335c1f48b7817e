#include "reading_differences.hpp"

#include <algorithm>

#include "tty/terminfo/parameters.hpp"

namespace fuzz {

namespace {

// The program cuts wider fields to a hundred columns, so that no string makes a text slow;
// ncurses prints fields up to 10000 wide.
constexpr int kWidestField = 100;

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

bool is_letter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

/// Reads one operation after a '%' at `at`, as the manual writes them; false for anything else
/// (ncurses passes over such a sequence in silence, the program writes it out as it stands).
bool operation(std::string_view f, std::size_t& at) {
  auto next = [&] { return at < f.size() ? f[at] : '\0'; };
  const char op = next();
  ++at;
  if (std::string_view("%cl+-*/m&|^=<>AO!~i?te;").find(op) != std::string_view::npos) return true;
  if (op == 'p') {
    return is_digit(next()) && next() != '0' && ++at;
  }
  if (op == 'P' || op == 'g') {
    return is_letter(next()) && ++at;
  }
  if (op == '\'') {
    return at + 1 < f.size() && f[at + 1] == '\'' && (at += 2);
  }
  if (op == '{') {
    const std::size_t start = at;
    while (is_digit(next())) ++at;
    return at > start && next() == '}' && ++at;
  }
  // A field: [:][flags][width[.precision]] and d, o, x, X or s; the flags '#' and ' ', and '-'
  // after the ':' ('+' too in the manual, which ncurses takes for the operator).
  --at;
  const bool colon = next() == ':';
  if (colon) ++at;
  while (next() == '#' || next() == ' ' || (colon && next() == '-')) ++at;
  auto number = [&] {
    int value = 0;
    const std::size_t start = at;
    while (is_digit(next())) value = std::min(value * 10 + (f[at++] - '0'), 10 * kWidestField);
    return at > start ? value : -1;
  };
  const int width = number();
  int precision = -1;
  if (next() == '.') {
    ++at;
    precision = number();
    if (precision < 0) return false;
  }
  if (width > kWidestField || precision > kWidestField) return false;
  return std::string_view("doxXs").find(next()) != std::string_view::npos && next() && ++at;
}

}  // namespace

bool read_alike(std::string_view format, const std::array<int, 9>&) {
  // Padding that is not one in the string as written, the program writes out; tputs reads it
  // after the expansion, which may complete it ("$<2%p4%d>").
  for (std::size_t at = format.find("$<"); at != std::string_view::npos;
       at = format.find("$<", at + 1)) {
    if (tty::without_padding(format.substr(at)).starts_with("$<")) return false;
  }
  bool explicit_parameters = false;
  bool increments = false;
  bool operators = false;
  for (std::size_t at = 0; at < format.size();) {
    if (format[at++] != '%') continue;
    const char op = at < format.size() ? format[at] : '\0';
    explicit_parameters |= op == 'p';
    increments |= op == 'i';
    operators |= std::string_view("+-*/m&|^=<>AO!~?te;lPg'{").find(op) != std::string_view::npos;
    if (!operation(format, at)) return false;
  }
  // A termcap-style string (no %p) finds on ncurses' stack as many parameters (two at most) as
  // ncurses counts pops in it, and what %i increments is written into the bottom two places,
  // whichever parameters lie there (with two, swapped); only the plain form (fields and %c)
  // reads alike.
  return explicit_parameters || !(increments || operators);
}

bool same_text(std::string_view ours, std::string_view theirs) {
  for (std::size_t i = 0; i < ours.size(); ++i) {
    // %c of a multiple of 256 (but 0) ends ncurses' C string where ours has its NUL.
    if (i == theirs.size()) return ours[i] == '\0';
    if (ours[i] != theirs[i] && !(ours[i] == '\0' && theirs[i] == '\200')) return false;
  }
  return ours.size() == theirs.size();
}

}  // namespace fuzz
