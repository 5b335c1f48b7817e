#include "svg_drawing.hpp"

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <optional>
#include <vector>

#include "pixel_screen.hpp"
#include "tui/utf8.hpp"

namespace tools {

namespace {

std::string hex(int red, int green, int blue) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02X%02X%02X", red, green, blue);
  return text;
}

/// Which sides of its cell a box-drawing character's lines reach.
struct Arms {
  bool left = false, right = false, up = false, down = false;
};

std::optional<Arms> arms_of(char32_t symbol) {
  switch (symbol) {
    case U'─':
      return Arms{true, true, false, false};
    case U'│':
      return Arms{false, false, true, true};
    case U'┌':
      return Arms{false, true, false, true};
    case U'┐':
      return Arms{true, false, false, true};
    case U'└':
      return Arms{false, true, true, false};
    case U'┘':
      return Arms{true, false, true, false};
    default:
      return std::nullopt;
  }
}

/// A straight line from `from` to `to` along one axis at `across` on the other.
struct Segment {
  double across, from, to;
  friend bool operator<(const Segment& a, const Segment& b) {
    return a.across != b.across ? a.across < b.across : a.from < b.from;
  }
};

/// `segments` as path data, touching segments on the same line joined into one.
std::string line_path(std::vector<Segment> segments, bool horizontal) {
  std::sort(segments.begin(), segments.end());
  std::vector<Segment> joined;
  for (const Segment& segment : segments) {
    if (!joined.empty() && joined.back().across == segment.across &&
        joined.back().to >= segment.from) {
      joined.back().to = std::max(joined.back().to, segment.to);
    } else {
      joined.push_back(segment);
    }
  }
  std::string d;
  for (const Segment& s : joined) {
    d += horizontal ? "M" + number(s.from) + " " + number(s.across) + "H" + number(s.to)
                    : "M" + number(s.across) + " " + number(s.from) + "V" + number(s.to);
  }
  return d;
}

std::string escaped(char32_t symbol) {
  switch (symbol) {
    case U'&':
      return "&amp;";
    case U'<':
      return "&lt;";
    case U'>':
      return "&gt;";
    default: {
      std::string text;
      tui::append_utf8(symbol, text);
      return text;
    }
  }
}

/// The box-drawing characters as lines, one path per colour.
std::string box_lines(std::span<const tui::Cell> cells, tui::Size size) {
  struct Lines {
    std::vector<Segment> horizontal, vertical;
  };
  std::map<std::string, Lines> lines;  // by colour
  for (int row = 0; row < size.height; ++row) {
    for (int column = 0; column < size.width; ++column) {
      const tui::Cell& cell = cells[static_cast<std::size_t>(row) * size.width + column];
      const std::optional<Arms> arms = is_pixel_cell(cell) ? std::nullopt : arms_of(cell.symbol);
      if (!arms) continue;
      Lines& in_colour = lines[rgb_of(cell.fg.code(), kScreenForeground)];
      const double middle_x = column + 0.5, middle_y = 2 * row + 1;
      if (arms->left || arms->right) {
        in_colour.horizontal.push_back(
            {middle_y, arms->left ? column : middle_x, arms->right ? column + 1 : middle_x});
      }
      if (arms->up || arms->down) {
        in_colour.vertical.push_back(
            {middle_x, arms->up ? 2.0 * row : middle_y, arms->down ? 2.0 * row + 2 : middle_y});
      }
    }
  }
  std::string svg;
  for (const auto& [colour, in_colour] : lines) {
    svg += "<path fill=\"none\" stroke=\"" + colour +
           "\" stroke-width=\"0.125\" stroke-linecap=\"square\" d=\"" +
           line_path(in_colour.horizontal, true) + line_path(in_colour.vertical, false) + "\"/>\n";
  }
  return svg;
}

/// Whether a cell shows a character that is written as text.
bool is_text(const tui::Cell& cell) {
  return !is_pixel_cell(cell) && !arms_of(cell.symbol);
}

/// The other characters as text: each run of them in the same colours is one text element,
/// stretched to exactly its cells, over its background when that is not the default.
std::string texts(std::span<const tui::Cell> cells, tui::Size size) {
  std::string backgrounds, texts;
  for (int row = 0; row < size.height; ++row) {
    const tui::Cell* line = cells.data() + static_cast<std::size_t>(row) * size.width;
    for (int column = 0; column < size.width; ++column) {
      const tui::Cell& cell = line[column];
      if (!is_text(cell)) continue;
      int length = 0;
      std::string text;
      while (column + length < size.width && is_text(line[column + length]) &&
             line[column + length].fg == cell.fg && line[column + length].bg == cell.bg) {
        text += escaped(line[column + length].symbol);
        ++length;
      }
      if (!cell.bg.is_reset()) {
        backgrounds += "<rect x=\"" + std::to_string(column) + "\" y=\"" + std::to_string(2 * row) +
                       "\" width=\"" + std::to_string(length) + "\" height=\"2\" fill=\"" +
                       rgb_of(cell.bg.code(), kScreenBackground) + "\"/>\n";
      }
      texts += "<text x=\"" + std::to_string(column) + "\" y=\"" + number(2 * row + 1.55) +
               "\" textLength=\"" + std::to_string(length) +
               "\" lengthAdjust=\"spacingAndGlyphs\" fill=\"" +
               rgb_of(cell.fg.code(), kScreenForeground) + "\">" + text + "</text>\n";
      column += length - 1;
    }
  }
  if (texts.empty()) return backgrounds;
  return backgrounds +
         "<g font-family=\"DejaVu Sans Mono,Menlo,Consolas,monospace\" font-size=\"1.6\">\n" +
         texts + "</g>\n";
}

}  // namespace

std::string number(double value, int digits) {
  char text[48];
  std::snprintf(text, sizeof text, "%.*f", digits, value);
  std::string out = text;
  while (out.back() == '0') out.pop_back();
  if (out.back() == '.') out.pop_back();
  return out;
}

std::string rgb_of(std::uint16_t code, const char* default_rgb) {
  static constexpr std::array<const char*, 16> kSystem{
      "#000000", "#CD0000", "#00CD00", "#CDCD00", "#0000EE", "#CD00CD", "#00CDCD", "#E5E5E5",
      "#7F7F7F", "#FF0000", "#00FF00", "#FFFF00", "#5C5CFF", "#FF00FF", "#00FFFF", "#FFFFFF"};
  if (code > 255) return default_rgb;
  if (code < 16) return kSystem[code];
  if (code >= 232) {
    const int grey = 8 + 10 * (code - 232);
    return hex(grey, grey, grey);
  }
  const int cube = code - 16;
  auto level = [](int step) { return step == 0 ? 0 : 55 + 40 * step; };
  return hex(level(cube / 36), level(cube / 6 % 6), level(cube % 6));
}

std::string pixel_paths(int width, int height, const std::function<int(int, int)>& code_at) {
  std::vector<bool> done(static_cast<std::size_t>(width) * height);
  auto taken = [&](int x, int y) { return done[static_cast<std::size_t>(y) * width + x]; };
  std::map<int, std::string> data;  // colour code -> path data
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const int code = code_at(x, y);
      if (code < 0 || taken(x, y)) continue;
      int run = 1;
      while (x + run < width && !taken(x + run, y) && code_at(x + run, y) == code) ++run;
      int rows = 1;
      for (bool same = true; same && y + rows < height; rows += same ? 1 : 0) {
        for (int k = 0; k < run && same; ++k) {
          same = !taken(x + k, y + rows) && code_at(x + k, y + rows) == code;
        }
      }
      for (int r = 0; r < rows; ++r) {
        for (int k = 0; k < run; ++k) done[static_cast<std::size_t>(y + r) * width + x + k] = true;
      }
      data[code] += "M" + std::to_string(x) + " " + std::to_string(y) + "h" + std::to_string(run) +
                    "v" + std::to_string(rows) + "h-" + std::to_string(run) + "z";
    }
  }
  std::string paths;
  for (const auto& [code, d] : data) {
    paths += "<path fill=\"" + rgb_of(static_cast<std::uint16_t>(code), kScreenBackground) +
             "\" d=\"" + d + "\"/>\n";
  }
  return paths;
}

std::string character_cells(std::span<const tui::Cell> cells, tui::Size size) {
  return box_lines(cells, size) + texts(cells, size);
}

}  // namespace tools
