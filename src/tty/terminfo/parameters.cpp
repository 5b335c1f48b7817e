// The terminfo parameter language, with the same text as ncurses' tiparm on every description
// ncurses ships, and safe whatever a string holds (unibilium's unibi_run traps on a division by
// zero, and spends seconds on a field a billion columns wide).

#include "tty/terminfo/parameters.hpp"

#include <algorithm>
#include <climits>
#include <cstdio>

namespace tty {

namespace {

// As deep as ncurses' (a push past it is lost there too); no description goes near it.
constexpr int kStackDepth = 20;
constexpr int kParameters = 9;
// A termcap-style string takes two parameters at most, as ncurses reads one (cm: row, column).
constexpr int kTermcapParameters = 2;
// Wider fields are cut to this width, so that no string makes an expansion slow.
constexpr int kWidestField = 100;

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

bool one_of(std::string_view set, char c) {
  return set.find(c) != std::string_view::npos;
}

/// The binary operators; where int would overflow they wrap, and a division or remainder by zero
/// (or INT_MIN / -1) gives 0 and marks the string `damaged`.
int arithmetic(char op, int left, int right, bool& damaged) {
  const auto l = static_cast<unsigned>(left);
  const auto r = static_cast<unsigned>(right);
  switch (op) {
    case '+':
      return static_cast<int>(l + r);
    case '-':
      return static_cast<int>(l - r);
    case '*':
      return static_cast<int>(l * r);
    case '/':
    case 'm':
      if (right == 0 || (left == INT_MIN && right == -1)) {
        damaged = true;
        return 0;
      }
      return op == '/' ? left / right : left % right;
    case '&':
      return left & right;
    case '|':
      return left | right;
    case '^':
      return left ^ right;
    case '=':
      return left == right ? 1 : 0;
    case '<':
      return left < right ? 1 : 0;
    case '>':
      return left > right ? 1 : 0;
    case 'A':
      return left != 0 && right != 0 ? 1 : 0;
    default:  // 'O'
      return left != 0 || right != 0 ? 1 : 0;
  }
}

/// Past the %e (when `stop_at_else`) or the %; that closes the conditional `at` is in.
std::size_t skip_branch(std::string_view format, std::size_t at, bool stop_at_else) {
  int depth = 0;
  while (at + 1 < format.size()) {
    if (format[at++] != '%') continue;
    const char op = format[at++];
    if (op == '\'' && at + 1 < format.size() && format[at + 1] == '\'') {
      at += 2;  // a character constant, which may itself be '%'
    } else if (op == '?') {
      ++depth;
    } else if ((op == ';' && depth-- == 0) || (op == 'e' && depth == 0 && stop_at_else)) {
      return at;
    }
  }
  return format.size();
}

/// Padding, "$<" milliseconds (a number with at most one decimal: "5", "5.", "2.5" or ".5") and
/// then '*' or '/' at most once each, closed by '>': its length, or 0 when none starts at `at`.
std::size_t padding_length(std::string_view format, std::size_t at) {
  if (format.substr(at, 2) != "$<") return 0;
  std::size_t p = at + 2;
  auto next_is = [&](char c) { return p < format.size() && format[p] == c; };
  auto digit_next = [&] { return p < format.size() && is_digit(format[p]); };
  const std::size_t whole = p;
  while (digit_next()) ++p;
  bool number = p > whole;
  if (next_is('.')) {
    ++p;
    if (digit_next()) ++p, number = true;
  }
  if (!number) return 0;
  if (next_is('*')) ++p;
  if (next_is('/')) ++p;
  if (next_is('*') && format[p - 1] == '/') ++p;
  return next_is('>') ? p + 1 - at : 0;
}

/// Whether the string pushes a parameter (%p1 to %p9) anywhere. One that never does is written
/// the termcap way: its operations pop the first two parameters in order (as ncurses reads such
/// strings, which some descriptions' status lines are).
bool pushes_parameters(std::string_view format) {
  for (std::size_t at = 0; at + 2 < format.size(); ++at) {
    if (format[at] != '%') continue;
    if (format[at + 1] == 'p' && format[at + 2] >= '1' && format[at + 2] <= '9') return true;
    if (format[at + 1] == '%') ++at;
  }
  return false;
}

/// One expansion: its parameters, variables, stack and text.
class Evaluator {
 public:
  Evaluator(std::string_view format, std::span<const int> parameters, char* out, std::size_t size)
      : format_(format), out_(out), size_(size), termcap_style_(!pushes_parameters(format)) {
    std::copy_n(parameters.begin(), std::min<std::size_t>(parameters.size(), kParameters),
                parameters_);
    // The first parameter on top, so that the first pop takes it.
    if (termcap_style_) {
      for (int i = kTermcapParameters - 1; i >= 0; --i) push(parameters_[i]);
    }
  }

  ParameterExpansion run() {
    while (at_ < format_.size()) {
      if (format_[at_] == '%' && at_ + 1 < format_.size()) {
        const std::size_t start = at_++;
        if (field() || operation()) continue;
        // A '%' and the character after it that start no operation stand for themselves.
        put(format_[start]);
        put(format_[start + 1]);
        at_ = start + 2;
      } else if (const std::size_t padding = padding_length(format_, at_)) {
        at_ += padding;
      } else {
        put(format_[at_++]);
      }
    }
    return {length_, damaged_};
  }

 private:
  void put(char c) {
    if (length_ < size_) out_[length_] = c;
    ++length_;
  }
  void push(int value) {
    if (depth_ < kStackDepth) stack_[depth_++] = value;
  }
  int pop() { return depth_ > 0 ? stack_[--depth_] : 0; }

  /// Dynamic variables are named a-z, static ones A-Z; both start at 0 in every expansion.
  int* variable(char name) {
    if (name >= 'a' && name <= 'z') return &dynamic_[name - 'a'];
    if (name >= 'A' && name <= 'Z') return &static_[name - 'A'];
    return nullptr;
  }

  bool at_digit() const { return at_ < format_.size() && is_digit(format_[at_]); }

  /// Digits at the position, their value cut to kWidestField.
  int count() {
    int value = 0;
    while (at_digit()) value = std::min(value * 10 + (format_[at_++] - '0'), kWidestField);
    return value;
  }

  /// A printf-like field, %[[:]flags][width[.precision]]conversion (d, o, x, X or s), printed;
  /// false when none starts here. Without the ':' a '-' or '+' is the operator, not a flag.
  /// Only d, o, x and X reach snprintf, and only with flags C defines for them.
  bool field() {
    const std::size_t start = at_;
    char printf_format[32] = {'%'};
    int length = 1;
    const bool colon = format_[at_] == ':';
    if (colon) ++at_;
    for (; at_ < format_.size() && one_of(colon ? "-+# 0" : "# 0", format_[at_]); ++at_) {
      if (!one_of({printf_format, static_cast<std::size_t>(length)}, format_[at_])) {
        printf_format[length++] = format_[at_];
      }
    }
    if (at_digit()) length += std::snprintf(printf_format + length, 8, "%d", count());
    if (at_ < format_.size() && format_[at_] == '.') {
      ++at_;
      if (at_digit()) length += std::snprintf(printf_format + length, 8, ".%d", count());
    }
    if (at_ >= format_.size() || !one_of("doxXs", format_[at_]) || format_[at_ - 1] == '.') {
      at_ = start;
      return false;
    }
    const char conversion = printf_format[length] = format_[at_++];
    const int value = pop();
    if (conversion == 's') {
      damaged_ = true;  // every parameter is a number
      return true;
    }
    // C leaves '#' undefined for d; glibc prints such a field as if it were not there.
    if (conversion == 'd') *std::remove(printf_format, printf_format + length + 1, '#') = '\0';
    char text[2 * kWidestField + 16];
    const int written = conversion == 'd' ? std::snprintf(text, sizeof text, printf_format, value)
                                          : std::snprintf(text, sizeof text, printf_format,
                                                          static_cast<unsigned>(value));
    for (int i = 0; i < written; ++i) put(text[i]);
    return true;
  }

  /// The operation after a '%'; false when none starts there.
  bool operation() {
    const char op = format_[at_++];
    const char operand = at_ < format_.size() ? format_[at_] : '\0';
    if (op == '%' || op == 'c') {
      put(op == '%' ? '%' : static_cast<char>(pop()));
    } else if (op == 'p' && operand >= '1' && operand <= '9') {
      push(parameters_[operand - '1']);
      ++at_;
    } else if (int* slot = op == 'P' || op == 'g' ? variable(operand) : nullptr) {
      if (op == 'P') {
        *slot = pop();
      } else {
        push(*slot);
      }
      ++at_;
    } else if (op == '\'' && at_ + 1 < format_.size() && format_[at_ + 1] == '\'') {
      push(static_cast<unsigned char>(operand));
      at_ += 2;
    } else if (op == '{') {
      return constant();
    } else if (op == 'l') {
      pop();
      push(0);
      damaged_ = true;  // every parameter is a number
    } else if (op == 'i') {
      increment_first_two();
    } else if (op == '!' || op == '~') {
      const int value = pop();
      push(op == '!' ? (value == 0 ? 1 : 0) : ~value);
    } else if (op == 't' || op == 'e') {
      if (op == 'e' || pop() == 0) at_ = skip_branch(format_, at_, op == 't');
    } else if (one_of("+-*/m&|^=<>AO", op)) {
      const int right = pop();
      push(arithmetic(op, pop(), right, damaged_));
    } else if (op != '?' && op != ';') {
      return false;
    }
    return true;
  }

  /// %i: one more for the first two parameters, once however often it is written (a vt100-s
  /// scrolling region says it twice), in a termcap-style string where they lie on the stack too.
  void increment_first_two() {
    if (incremented_) return;
    incremented_ = true;
    for (int i = 0; i < 2; ++i) {
      parameters_[i] = arithmetic('+', parameters_[i], 1, damaged_);
      if (termcap_style_) stack_[kTermcapParameters - 1 - i] = parameters_[i];
    }
  }

  /// %{n}: a decimal constant, wrapping like the arithmetic.
  bool constant() {
    const std::size_t start = at_;
    unsigned value = 0;
    while (at_digit()) value = value * 10 + static_cast<unsigned>(format_[at_++] - '0');
    if (at_ == start || at_ >= format_.size() || format_[at_] != '}') return false;
    ++at_;
    push(static_cast<int>(value));
    return true;
  }

  std::string_view format_;
  std::size_t at_ = 0;
  char* out_;
  std::size_t size_;
  std::size_t length_ = 0;
  int stack_[kStackDepth] = {};
  int depth_ = 0;
  int parameters_[kParameters] = {};
  int dynamic_[26] = {};
  int static_[26] = {};
  bool damaged_ = false;
  bool termcap_style_;
  bool incremented_ = false;
};

}  // namespace

ParameterExpansion expand_parameters(std::string_view format, std::span<const int> parameters,
                                     char* out, std::size_t size) {
  return Evaluator(format, parameters, out, size).run();
}

std::string without_padding(std::string_view text) {
  std::string sent;
  for (std::size_t at = 0; at < text.size();) {
    if (const std::size_t padding = padding_length(text, at)) {
      at += padding;
    } else {
      sent += text[at++];
    }
  }
  return sent;
}

}  // namespace tty
