// The terminfo parameter language, evaluated here rather than by unibi_run: unibilium 2.1.0
// traps on a division by zero and reads through a null pointer for %s of a number.

#include "tty/terminfo_parameters.hpp"

#include <algorithm>
#include <climits>
#include <cstdio>

namespace tty {

namespace {

// As deep as unibilium's, so that the two agree on every string it can run.
constexpr int kStackDepth = 123;
constexpr int kWidestField = 100;

/// The text so far: bytes past the caller's buffer are counted, not written.
class Output {
 public:
  Output(char* out, std::size_t size) : out_(out), size_(size) {}
  void put(char c) {
    if (length_ < size_) out_[length_] = c;
    ++length_;
  }
  void put(std::string_view text) {
    for (const char c : text) put(c);
  }
  std::size_t length() const { return length_; }

 private:
  char* out_;
  std::size_t size_;
  std::size_t length_ = 0;
};

/// Numbers only, as every parameter is one; a push onto a full stack is dropped.
class Stack {
 public:
  void push(int value) {
    if (depth_ < kStackDepth) values_[depth_++] = value;
  }
  int pop() { return depth_ > 0 ? values_[--depth_] : 0; }

 private:
  int values_[kStackDepth] = {};
  int depth_ = 0;
};

/// A printf-like field, %[[:]flags][width[.precision]]conversion.
struct Field {
  char flags[8] = {};
  int flag_count = 0;
  int width = -1;
  int precision = -1;
  char conversion = 0;
};

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

/// Reads digits from `at`, at most kWidestField in value.
int read_count(std::string_view format, std::size_t& at) {
  int count = 0;
  while (at < format.size() && is_digit(format[at])) {
    count = std::min(count * 10 + (format[at++] - '0'), kWidestField);
  }
  return count;
}

/// Parses a field starting just after its '%'; false, with `at` unmoved, when none starts there.
/// Without the ':' a '-' or '+' is the operator, not a flag.
bool parse_field(std::string_view format, std::size_t& at, Field& field) {
  std::size_t p = at;
  const bool colon = p < format.size() && format[p] == ':';
  if (colon) ++p;
  while (p < format.size()) {
    const char c = format[p];
    const bool flag = c == '#' || c == ' ' || c == '0' || (colon && (c == '-' || c == '+'));
    if (!flag) break;
    if (std::find(field.flags, field.flags + field.flag_count, c) ==
        field.flags + field.flag_count) {
      field.flags[field.flag_count++] = c;
    }
    ++p;
  }
  if (p < format.size() && is_digit(format[p])) field.width = read_count(format, p);
  if (p < format.size() && format[p] == '.') {
    if (++p >= format.size() || !is_digit(format[p])) return false;
    field.precision = read_count(format, p);
  }
  if (p >= format.size()) return false;
  const char conversion = format[p];
  if (conversion != 'd' && conversion != 'o' && conversion != 'x' && conversion != 'X' &&
      conversion != 's') {
    return false;
  }
  field.conversion = conversion;
  at = p + 1;
  return true;
}

void put_number(const Field& field, int value, Output& output) {
  char spec[32] = {'%'};
  int length = 1;
  for (int i = 0; i < field.flag_count; ++i) spec[length++] = field.flags[i];
  if (field.width >= 0) length += std::snprintf(spec + length, 8, "%d", field.width);
  if (field.precision >= 0) length += std::snprintf(spec + length, 8, ".%d", field.precision);
  spec[length] = field.conversion;
  char text[2 * kWidestField + 16];
  const int written = field.conversion == 'd'
                          ? std::snprintf(text, sizeof text, spec, value)
                          : std::snprintf(text, sizeof text, spec, static_cast<unsigned>(value));
  if (written > 0) output.put(std::string_view(text, std::min<std::size_t>(written, sizeof text)));
}

/// Past the %e (when `stop_at_else`) or the %; that closes the conditional the position is in.
std::size_t skip_branch(std::string_view format, std::size_t at, bool stop_at_else) {
  int depth = 0;
  while (at + 1 < format.size()) {
    if (format[at] != '%') {
      ++at;
      continue;
    }
    const char op = format[at + 1];
    at += 2;
    if (op == '\'' && at + 1 < format.size() && format[at + 1] == '\'') {
      at += 2;  // a character constant, which may itself be '%'
    } else if (op == '?') {
      ++depth;
    } else if (op == ';') {
      if (depth-- == 0) return at;
    } else if (op == 'e' && depth == 0 && stop_at_else) {
      return at;
    }
  }
  return format.size();
}

/// Padding, "$<" milliseconds (with at most one decimal) and then '*' or '/' at most once each,
/// closed by '>': its length, or 0 when none starts here.
std::size_t padding_length(std::string_view format, std::size_t at) {
  std::size_t p = at + 2;
  if (format.substr(at, 2) != "$<" || p >= format.size() || !is_digit(format[p])) return 0;
  while (p < format.size() && is_digit(format[p])) ++p;
  if (p < format.size() && format[p] == '.') ++p;
  if (p < format.size() && is_digit(format[p]) && format[p - 1] == '.') ++p;
  for (const char modifier : {'*', '/'}) {
    if (p < format.size() && format[p] == modifier) ++p;
  }
  if (p < format.size() && format[p] == '*' && format[p - 1] == '/') ++p;
  return p < format.size() && format[p] == '>' ? p + 1 - at : 0;
}

/// Wrapping where int arithmetic would overflow; a division fault gives 0 and marks `damaged`.
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

/// One evaluation: the parameters, variables and stack of a single expansion.
class Evaluator {
 public:
  Evaluator(std::string_view format, std::span<const int> parameters, char* out, std::size_t size)
      : format_(format), output_(out, size) {
    const std::size_t count = std::min<std::size_t>(parameters.size(), 9);
    std::copy_n(parameters.begin(), count, parameters_);
  }

  ParameterExpansion run() {
    while (at_ < format_.size()) {
      const char c = format_[at_];
      if (c == '%' && at_ + 1 < format_.size()) {
        const std::size_t after = ++at_;
        // A '%' and the character after it that start no operation stand for themselves.
        if (!operation()) {
          output_.put(format_.substr(after - 1, 2));
          at_ = after + 1;
        }
      } else if (const std::size_t padding = padding_length(format_, at_)) {
        at_ += padding;
      } else {
        output_.put(c);
        ++at_;
      }
    }
    return {output_.length(), damaged_};
  }

 private:
  char next() { return at_ < format_.size() ? format_[at_++] : '\0'; }

  int* variable(char name) {
    if (name >= 'a' && name <= 'z') return &dynamic_[name - 'a'];
    if (name >= 'A' && name <= 'Z') return &static_[name - 'A'];
    return nullptr;
  }

  /// The operation after a '%'; false when there is none.
  bool operation() {
    Field field;
    if (parse_field(format_, at_, field)) {
      if (field.conversion == 's') {
        stack_.pop();
        damaged_ = true;
      } else {
        put_number(field, stack_.pop(), output_);
      }
      return true;
    }
    const char op = next();
    switch (op) {
      case '%':
        output_.put('%');
        break;
      case 'c':
        output_.put(static_cast<char>(stack_.pop()));
        break;
      case 'p': {
        const char index = next();
        if (index < '1' || index > '9') return false;
        stack_.push(parameters_[index - '1']);
        break;
      }
      case 'P':
      case 'g': {
        int* slot = variable(next());
        if (slot == nullptr) return false;
        if (op == 'P') {
          *slot = stack_.pop();
        } else {
          stack_.push(*slot);
        }
        break;
      }
      case '\'':
        if (at_ + 1 >= format_.size() || format_[at_ + 1] != '\'') return false;
        stack_.push(static_cast<unsigned char>(format_[at_]));
        at_ += 2;
        break;
      case '{':
        return constant();
      case 'l':
        stack_.pop();
        stack_.push(0);
        damaged_ = true;
        break;
      case 'i':
        parameters_[0] = arithmetic('+', parameters_[0], 1, damaged_);
        parameters_[1] = arithmetic('+', parameters_[1], 1, damaged_);
        break;
      case '!':
        stack_.push(stack_.pop() == 0 ? 1 : 0);
        break;
      case '~':
        stack_.push(~stack_.pop());
        break;
      case 't':
        if (stack_.pop() == 0) at_ = skip_branch(format_, at_, true);
        break;
      case 'e':
        at_ = skip_branch(format_, at_, false);
        break;
      case '?':
      case ';':
        break;
      default:
        return binary(op);
    }
    return true;
  }

  /// %{n}: a decimal constant, wrapping like the arithmetic.
  bool constant() {
    std::size_t p = at_;
    unsigned value = 0;
    while (p < format_.size() && is_digit(format_[p])) {
      value = value * 10 + static_cast<unsigned>(format_[p++] - '0');
    }
    if (p == at_ || p >= format_.size() || format_[p] != '}') return false;
    at_ = p + 1;
    stack_.push(static_cast<int>(value));
    return true;
  }

  /// The operators on two numbers.
  bool binary(char op) {
    if (std::string_view("+-*/m&|^=<>AO").find(op) == std::string_view::npos) return false;
    const int right = stack_.pop();
    const int left = stack_.pop();
    stack_.push(arithmetic(op, left, right, damaged_));
    return true;
  }

  std::string_view format_;
  std::size_t at_ = 0;
  Output output_;
  Stack stack_;
  int parameters_[9] = {};
  int dynamic_[26] = {};
  int static_[26] = {};
  bool damaged_ = false;
};

}  // namespace

ParameterExpansion expand_parameters(std::string_view format, std::span<const int> parameters,
                                     char* out, std::size_t size) {
  return Evaluator(format, parameters, out, size).run();
}

}  // namespace tty
