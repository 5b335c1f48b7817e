#include "tty/terminfo/control_strings.hpp"

#include <charconv>
#include <string_view>

#include "tty/terminfo/parameters.hpp"

namespace tty {

namespace {

/// Plain SGR parameters, gathered into one ESC[...m; a description's whole sequence goes out on
/// its own between them.
class SgrWriter {
 public:
  explicit SgrWriter(std::string& out) : out_(out) {}
  ~SgrWriter() {
    if (open_) out_ += 'm';
  }
  SgrWriter(const SgrWriter&) = delete;
  SgrWriter& operator=(const SgrWriter&) = delete;

  void parameter(std::string_view text) {
    out_ += open_ ? ";" : "\x1b[";
    open_ = true;
    out_ += text;
  }
  void color(tui::Color color, const std::array<ColorSelect, 256>& table,
             std::string_view default_parameter) {
    if (color.is_reset()) return parameter(default_parameter);
    const ColorSelect& select = table[color.index()];
    if (!select.whole_sequence) return parameter(select.view());
    if (open_) out_ += 'm', open_ = false;
    out_ += select.view();
  }

 private:
  std::string& out_;
  bool open_ = false;
};

}  // namespace

void append_number(int n, std::string& out) {
  char text[12];
  auto result = std::to_chars(text, text + sizeof text, n);
  out.append(text, result.ptr);
}

void append_counted(Counted what, int n, std::string& out) {
  out += "\x1b[";
  if (n != 1) append_number(n, out);
  out += static_cast<char>(what);
}

void ControlStrings::append_address(int x, int y, std::string& out) const {
  if (!unusual_cursor_address.empty()) {
    char text[64];
    const int parameters[] = {y, x};
    const ParameterExpansion expansion =
        expand_parameters(unusual_cursor_address, parameters, text, sizeof text);
    // One that does not fit, or is damaged at this cell, gives way to the standard form below.
    if (!expansion.damaged && expansion.length <= sizeof text) {
      out.append(text, expansion.length);
      return;
    }
  }
  out += "\x1b[";
  if (y != 0 || x != 0) append_number(y + 1, out);
  if (x != 0) {
    out += ';';
    append_number(x + 1, out);
  }
  out += 'H';
}

void ControlStrings::append_colors(bool restart, tui::Color from_fg, tui::Color from_bg,
                                   tui::Color fg, tui::Color bg, std::string& out) const {
  if (restart && fg.is_reset() && bg.is_reset()) {
    out += reset_colors;
    return;
  }
  SgrWriter sgr(out);
  if (restart) {
    sgr.parameter("0");
    if (!fg.is_reset()) sgr.color(fg, foreground, {});
    if (!bg.is_reset()) sgr.color(bg, background, {});
    return;
  }
  if (fg != from_fg) sgr.color(fg, foreground, "39");
  if (bg != from_bg) sgr.color(bg, background, "49");
}

}  // namespace tty
