#include "tty/renderer.hpp"

#include <algorithm>
#include <charconv>
#include <climits>

namespace tty {

namespace {

constexpr int kImpossible = INT_MAX / 4;
// Writing the cells in between beats a cursor motion only over short gaps; this bounds the scan.
constexpr int kLongestOverwrite = 8;
// Moves of a row's picture by up to this many columns are tried as a shift.
constexpr int kLongestShift = 6;
constexpr int kShortestShiftedStretch = 6;
// A shift that spares fewer cells than this cannot pay for its own sequences.
constexpr std::size_t kLeastShiftSaving = 2;

int digits(int n) {
  int count = 1;
  while (n >= 10) n /= 10, ++count;
  return count;
}

void append_number(int n, std::string& out) {
  char text[12];
  auto result = std::to_chars(text, text + sizeof text, n);
  out.append(text, result.ptr);
}

/// ESC [ n final, leaving out a count of 1, which is the default.
void append_csi(int n, char final, std::string& out) {
  out += "\x1b[";
  if (n != 1) append_number(n, out);
  out += final;
}

int csi_cost(int n) {
  return n == 1 ? 3 : 3 + digits(n);
}

/// Symbols that would upset the terminal (controls, which could start sequences of their own)
/// or that are not characters at all are shown as U+FFFD.
char32_t displayable(char32_t c) {
  if (c < 0x20 || (c >= 0x7F && c < 0xA0) || (c >= 0xD800 && c < 0xE000) || c > 0x10FFFF) {
    return U'\uFFFD';
  }
  return c;
}

/// Symbols known to take exactly one column; after any other the cursor position is not trusted.
bool surely_narrow(char32_t c) {
  return (c >= 0x20 && c < 0x7F) || (c >= 0xA0 && c < 0x300) || (c >= 0x370 && c < 0x483) ||
         (c >= 0x2010 && c < 0x2028) || (c >= 0x2500 && c < 0x25FD) || c == 0xFFFD;
}

int utf8_length(char32_t c) {
  return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
}

}  // namespace

void Renderer::forget() {
  cursor_x_ = cursor_y_ = -1;
  colors_known_ = false;
  cursor_visible_ = -1;
  contents_known_ = false;
}

void Renderer::clear_screen(std::string& out) {
  shown_.reset();
  contents_known_ = true;
  out += strings_.hide_cursor;
  cursor_visible_ = 0;
  // Erased cells take the selected colours: the default ones, whatever was selected before.
  select_colors(tui::Color::Reset, tui::Color::Reset, out);
  out += strings_.clear_screen;
  cursor_x_ = cursor_y_ = 0;
}

void Renderer::set_cursor_visible(bool visible, std::string& out) {
  if (cursor_visible_ == int{visible}) return;
  out += visible ? strings_.show_cursor : strings_.hide_cursor;
  cursor_visible_ = visible;
}

void Renderer::reset_colors(std::string& out) {
  if (colors_known_ && fg_.is_reset() && bg_.is_reset()) return;
  out += "\x1b[m";
  colors_known_ = true;
  fg_ = bg_ = tui::Color::Reset;
}

void Renderer::render(const tui::Buffer& screen, std::span<const std::uint32_t> positions,
                      std::string& out) {
  const int width = screen.area().width;
  if (width == 0) return;
  if (shown_.area() != screen.area()) {
    shown_.resize(screen.area());
    // A row never needs more than this, so later frames allocate nothing.
    pending_.reserve(width);
    shifted_.reserve(width);
    row_backup_.reserve(width);
    scratch_.reserve(std::size_t{32} * width);
    ordered_.reserve(width);
    segments_.reserve(width);
  }
  if (!std::is_sorted(positions.begin(), positions.end())) {
    sorted_.assign(positions.begin(), positions.end());
    std::sort(sorted_.begin(), sorted_.end());
    sorted_.erase(std::unique(sorted_.begin(), sorted_.end()), sorted_.end());
    positions = sorted_;
  }
  // Row by row: shift the row's changed stretch sideways where the picture has merely moved,
  // then draw what still differs from the terminal.
  const auto want = screen.cells();
  const auto have = shown_.cells();
  const std::uint32_t corner = static_cast<std::uint32_t>(screen.area().height * width - 1);
  for (std::size_t first = 0; first < positions.size();) {
    const std::uint32_t row_start = positions[first] - positions[first] % width;
    std::size_t last = first;
    std::size_t differing = 0;
    while (last < positions.size() && positions[last] < row_start + width) {
      if (want[positions[last]] != have[positions[last]]) ++differing;
      ++last;
    }
    const int y = static_cast<int>(row_start / width);
    const int lo = static_cast<int>(positions[first] - row_start);
    const int hi = static_cast<int>(positions[last - 1] - row_start);
    // Drawn as it is, and, where the stretch looks moved, drawn after shifting it: the shorter
    // output is kept.
    pending_.clear();
    for (std::size_t i = first; i < last; ++i) {
      if (!contents_known_ || want[positions[i]] != have[positions[i]]) {
        pending_.push_back(positions[i]);
      }
    }
    std::span<const std::uint32_t> drawn = pending_;
    const int shift = contents_known_ ? choose_shift(screen, y, lo, hi, differing) : 0;
    if (shift == 0) {
      draw_cells(screen, order_row(screen, pending_), out);
    } else {
      const State start = state();
      scratch_.clear();
      draw_cells(screen, order_row(screen, pending_), scratch_);
      const State plain = state();
      set_state(start);
      const auto stretch = have.subspan(row_start + lo, static_cast<std::size_t>(hi - lo + 1));
      row_backup_.assign(stretch.begin(), stretch.end());
      const std::size_t mark = out.size();
      apply_shift(screen, y, lo, hi, shift, out);
      shifted_.clear();
      for (std::uint32_t p = row_start + lo; p <= row_start + hi; ++p) {
        if (want[p] != have[p]) shifted_.push_back(p);
      }
      draw_cells(screen, order_row(screen, shifted_), out);
      drawn = shifted_;
      if (scratch_.size() <= out.size() - mark) {
        out.resize(mark);
        out += scratch_;
        std::copy(row_backup_.begin(), row_backup_.end(), stretch.begin());
        set_state(plain);
        drawn = pending_;
      }
    }
    for (const std::uint32_t p : drawn) {
      // With eager wrapping the bottom-right cell is never written.
      if (strings_.eager_wrap && p == corner) continue;
      have[p] = want[p];
    }
    first = last;
  }
}

int Renderer::color_cost(tui::Color from_fg, tui::Color from_bg, tui::Color fg,
                         tui::Color bg) const {
  if (fg == from_fg && bg == from_bg) return 0;
  auto parameter_length = [](tui::Color color, const std::array<ColorSelect, 256>& table) {
    return color.is_reset() ? 2 : static_cast<int>(table[color.index()].length);
  };
  int changing = -1;
  if (fg != from_fg) changing += 1 + parameter_length(fg, strings_.foreground);
  if (bg != from_bg) changing += 1 + parameter_length(bg, strings_.background);
  int restarting = fg.is_reset() && bg.is_reset() ? 0 : 1;
  if (!fg.is_reset()) restarting += 1 + parameter_length(fg, strings_.foreground);
  if (!bg.is_reset()) restarting += 1 + parameter_length(bg, strings_.background);
  return 3 + std::min(changing, restarting);
}

std::span<const std::uint32_t> Renderer::order_row(const tui::Buffer& screen,
                                                   std::span<const std::uint32_t> row) {
  if (row.size() < 3 || !colors_known_) return row;
  const int width = screen.area().width;
  const auto cells = screen.cells();
  // Stretches of adjacent cells in the same colours, left to right.
  segments_.clear();
  for (std::size_t i = 0; i < row.size();) {
    std::size_t end = i + 1;
    while (end < row.size() && row[end] == row[end - 1] + 1 &&
           cells[row[end]].fg == cells[row[i]].fg && cells[row[end]].bg == cells[row[i]].bg) {
      ++end;
    }
    segments_.push_back({static_cast<std::uint32_t>(i), static_cast<std::uint32_t>(end), false});
    i = end;
  }
  if (segments_.size() < 3) return row;
  // A rough motion cost; the real one is planned when the cells are drawn.
  auto motion = [](int from, int to) {
    if (from == to) return 0;
    if (from < 0) return 3 + digits(to + 1);
    return std::min(csi_cost(to > from ? to - from : from - to), 3 + digits(to + 1));
  };
  auto start_of = [&](const Segment& segment) {
    return static_cast<int>(row[segment.first] % width);
  };
  auto end_of = [&](const Segment& segment) {
    return static_cast<int>(row[segment.end - 1] % width) + 1;
  };
  // Left to right, as it comes.
  int in_order = 0;
  {
    tui::Color fg = fg_, bg = bg_;
    int x = cursor_x_;
    for (const Segment& segment : segments_) {
      const tui::Cell& cell = cells[row[segment.first]];
      in_order += motion(x, start_of(segment)) + color_cost(fg, bg, cell.fg, cell.bg);
      fg = cell.fg, bg = cell.bg, x = end_of(segment);
    }
  }
  // Greedily the cheapest next stretch, which gathers stretches of the same colours.
  int greedy = 0;
  ordered_.clear();
  {
    tui::Color fg = fg_, bg = bg_;
    int x = cursor_x_;
    for (std::size_t taken = 0; taken < segments_.size(); ++taken) {
      Segment* best = nullptr;
      int best_cost = kImpossible;
      for (Segment& segment : segments_) {
        if (segment.taken) continue;
        const tui::Cell& cell = cells[row[segment.first]];
        const int cost = motion(x, start_of(segment)) + color_cost(fg, bg, cell.fg, cell.bg);
        if (cost < best_cost) best = &segment, best_cost = cost;
      }
      best->taken = true;
      greedy += best_cost;
      const tui::Cell& cell = cells[row[best->first]];
      fg = cell.fg, bg = cell.bg, x = end_of(*best);
      ordered_.insert(ordered_.end(), row.begin() + best->first, row.begin() + best->end);
    }
  }
  if (greedy >= in_order) return row;
  return ordered_;
}

int Renderer::choose_shift(const tui::Buffer& screen, int y, int lo, int hi,
                           std::size_t differing) const {
  // Only a stretch moved to the right can be shifted without disturbing the rest of the row:
  // deleting at its right end and inserting at its left end leaves everything beyond in place.
  if (!strings_.insert_characters || !strings_.delete_characters || strings_.eager_wrap ||
      hi - lo < kShortestShiftedStretch) {
    return 0;
  }
  const int width = screen.area().width;
  const auto row = static_cast<std::uint16_t>(y);
  const tui::Cell blank{};
  int best = 0;
  // A shift must leave clearly less to draw to be worth trying.
  std::size_t best_differing = differing - std::min(differing, kLeastShiftSaving);
  for (int shift = 1; shift <= kLongestShift && hi - shift >= lo; ++shift) {
    std::size_t remaining = 0;
    for (int x = lo; x <= hi && remaining < best_differing; ++x) {
      const tui::Cell& moved =
          x < lo + shift ? blank : shown_.at(static_cast<std::uint16_t>(x - shift), row);
      if (screen.at(static_cast<std::uint16_t>(x), row) != moved) ++remaining;
    }
    if (remaining < best_differing) best = shift, best_differing = remaining;
  }
  if (best == 0) return 0;
  for (int x = lo; x < width; ++x) {
    if (!surely_narrow(displayable(shown_.at(static_cast<std::uint16_t>(x), row).symbol))) {
      return 0;
    }
  }
  return best;
}

void Renderer::apply_shift(const tui::Buffer& screen, int y, int lo, int hi, int shift,
                           std::string& out) {
  const auto row = static_cast<std::uint16_t>(y);
  move_to(screen, hi - shift + 1, y, out);
  append_csi(shift, 'P', out);
  move_to(screen, lo, y, out);
  // Inserted cells take the selected colours.
  select_colors(tui::Color::Reset, tui::Color::Reset, out);
  append_csi(shift, '@', out);
  for (int x = hi; x >= lo; --x) {
    tui::Cell& cell = shown_.at(static_cast<std::uint16_t>(x), row);
    cell = x < lo + shift ? tui::Cell{} : shown_.at(static_cast<std::uint16_t>(x - shift), row);
  }
}

void Renderer::draw_cells(const tui::Buffer& screen, std::span<const std::uint32_t> positions,
                          std::string& out) {
  const int width = screen.area().width;
  cached_row_ = -1;
  for (std::size_t i = 0; i < positions.size(); ++i) {
    const int x = static_cast<int>(positions[i] % width);
    const int y = static_cast<int>(positions[i] / width);
    if (!screen.at(static_cast<std::uint16_t>(x), static_cast<std::uint16_t>(y)).is_blank()) {
      write_cell(screen, x, y, out);
      i = repeat_cell(screen, positions, i, out);
      continue;
    }
    // A run of changed cells that are now blank: erase rather than write spaces where that is
    // shorter. Erasing fills with the selected background, hence the default one first.
    std::size_t run = 1;
    while (
        i + run < positions.size() && positions[i + run] == positions[i] + run &&
        static_cast<int>(positions[i + run] / width) == y &&
        screen.at(static_cast<std::uint16_t>(x + run), static_cast<std::uint16_t>(y)).is_blank()) {
      ++run;
    }
    std::size_t in_row = run;
    while (i + in_row < positions.size() && static_cast<int>(positions[i + in_row] / width) == y &&
           static_cast<int>(positions[i + in_row] % width) > x) {
      ++in_row;
    }
    if (strings_.erase_line && row_end(screen, y) <= x && (in_row > run || run > 3)) {
      move_to(screen, x, y, out);
      select_colors(tui::Color::Reset, tui::Color::Reset, out);
      out += "\x1b[K";
      i += in_row - 1;
      continue;
    }
    const int count = static_cast<int>(run);
    const bool next_adjacent = i + run < positions.size() &&
                               static_cast<int>(positions[i + run] / width) == y &&
                               static_cast<int>(positions[i + run] % width) == x + count;
    const int threshold = next_adjacent ? 6 + 2 * digits(count) : 4 + digits(count);
    if (strings_.erase_characters && count > threshold) {
      move_to(screen, x, y, out);
      select_colors(tui::Color::Reset, tui::Color::Reset, out);
      append_csi(count, 'X', out);
      i += run - 1;
      continue;
    }
    write_cell(screen, x, y, out);
    i = repeat_cell(screen, positions, i, out);
  }
}

std::size_t Renderer::repeat_cell(const tui::Buffer& screen,
                                  std::span<const std::uint32_t> positions, std::size_t i,
                                  std::string& out) {
  const int width = screen.area().width;
  const int x = static_cast<int>(positions[i] % width);
  const int y = static_cast<int>(positions[i] / width);
  if (!strings_.repeat || cursor_y_ != y || cursor_x_ != x + 1) return i;
  const tui::Cell& cell = screen.at(static_cast<std::uint16_t>(x), static_cast<std::uint16_t>(y));
  // Only a plain ASCII symbol is repeated: some terminals (tmux among them) remember nothing
  // else as the symbol to repeat and would leave the cells as they were.
  if (cell.symbol < 0x20 || cell.symbol >= 0x7F) return i;
  const int symbol_length = 1;
  // The copies run over identical cells, changed ones and short stretches of unchanged ones,
  // and stop two columns short of the right edge: some emulators (libvterm) treat a repeat
  // that ends next to the last column as if it had filled it, and wrap the next symbol.
  int copies = 0;
  std::size_t next = i + 1;
  int separate_cost = 0;  // writing the changed cells one by one instead
  int unchanged = 0;
  for (int k = 1; x + k < width - 2 && unchanged <= kLongestOverwrite; ++k) {
    if (screen.at(static_cast<std::uint16_t>(x + k), static_cast<std::uint16_t>(y)) != cell) break;
    if (next < positions.size() &&
        positions[next] == positions[i] + static_cast<std::uint32_t>(k)) {
      if (unchanged > 0) separate_cost += std::min(unchanged * symbol_length, csi_cost(unchanged));
      separate_cost += symbol_length;
      unchanged = 0;
      copies = k;
      ++next;
    } else {
      ++unchanged;
    }
  }
  if (copies == 0 || csi_cost(copies) >= separate_cost) return i;
  append_csi(copies, 'b', out);
  cursor_x_ = x + 1 + copies;
  return next - 1;
}

int Renderer::row_end(const tui::Buffer& screen, int row) {
  if (row == cached_row_) return cached_row_end_;
  const int width = screen.area().width;
  int end = width;
  while (end > 0 && screen.at(static_cast<std::uint16_t>(end - 1), row).is_blank()) --end;
  cached_row_ = row;
  cached_row_end_ = end;
  return end;
}

void Renderer::write_cell(const tui::Buffer& screen, int x, int y, std::string& out) {
  const int width = screen.area().width;
  const int height = screen.area().height;
  // With eager wrapping the bottom-right cell would scroll the whole screen up.
  if (strings_.eager_wrap && x == width - 1 && y == height - 1) return;
  const tui::Cell& cell = screen.at(static_cast<std::uint16_t>(x), static_cast<std::uint16_t>(y));
  move_to(screen, x, y, out);
  const char32_t symbol = displayable(cell.symbol);
  select_colors(cell.fg, cell.bg, out);
  put_symbol(symbol, out);
  if (!surely_narrow(symbol)) {
    cursor_x_ = cursor_y_ = -1;
  } else if (x == width - 1) {
    cursor_x_ = -1;  // pending wrap: the next symbol would go to the next row
    if (strings_.eager_wrap) cursor_y_ = -1;
  } else {
    cursor_x_ = x + 1;
  }
}

void Renderer::put_symbol(char32_t c, std::string& out) const {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

void Renderer::select_colors(tui::Color fg, tui::Color bg, std::string& out) {
  if (colors_known_ && fg == fg_ && bg == bg_) return;
  auto parameter_length = [](tui::Color color, const std::array<ColorSelect, 256>& table) {
    return color.is_reset() ? 2 : static_cast<int>(table[color.index()].length);
  };
  // Two spellings: change only what differs (39 or 49 for a default), or start over from the
  // reset "0" and add the colours that are not default. With unknown colours only the second
  // is sure to leave nothing behind.
  int changing = -1;
  if (fg != fg_) changing += 1 + parameter_length(fg, strings_.foreground);
  if (bg != bg_) changing += 1 + parameter_length(bg, strings_.background);
  int restarting = 1;
  if (!fg.is_reset()) restarting += 1 + parameter_length(fg, strings_.foreground);
  if (!bg.is_reset()) restarting += 1 + parameter_length(bg, strings_.background);
  const bool restart = !colors_known_ || restarting <= changing;

  // Plain parameters share one ESC[...m; a description's own spelling goes on its own.
  bool open = false;
  auto parameter = [&](std::string_view text) {
    out += open ? ";" : "\x1b[";
    open = true;
    out += text;
  };
  auto add = [&](tui::Color color, const std::array<ColorSelect, 256>& table,
                 std::string_view reset) {
    if (color.is_reset()) return parameter(reset);
    const ColorSelect& select = table[color.index()];
    if (!select.whole_sequence) return parameter(select.view());
    if (open) out += 'm', open = false;
    out += select.view();
  };
  if (restart && fg.is_reset() && bg.is_reset()) {
    out += "\x1b[m";
  } else if (restart) {
    parameter("0");
    if (!fg.is_reset()) add(fg, strings_.foreground, {});
    if (!bg.is_reset()) add(bg, strings_.background, {});
  } else {
    if (fg != fg_) add(fg, strings_.foreground, "39");
    if (bg != bg_) add(bg, strings_.background, "49");
  }
  if (open) out += 'm';
  colors_known_ = true;
  fg_ = fg;
  bg_ = bg;
}

void Renderer::move_to(const tui::Buffer& screen, int x, int y, std::string& out) {
  if (cursor_x_ == x && cursor_y_ == y) return;
  const Motion motion = plan_motion(screen, x, y);
  if (motion.absolute) {
    emit_address(x, y, out);
  } else {
    int from_x = cursor_x_;
    if (motion.carriage_return) out += '\r', from_x = 0;
    if (motion.horizontal == Horizontal::Column) {
      // An absolute column first also ends a pending wrap before any vertical motion.
      emit_horizontal(screen, motion.horizontal, cursor_y_, from_x, x, out);
      emit_vertical(motion.vertical, cursor_y_, y, out);
    } else {
      emit_vertical(motion.vertical, cursor_y_, y, out);
      emit_horizontal(screen, motion.horizontal, y, from_x, x, out);
    }
  }
  cursor_x_ = x;
  cursor_y_ = y;
}

Renderer::Motion Renderer::plan_motion(const tui::Buffer& screen, int x, int y) const {
  Motion best;
  best.cost = address_cost(x, y);
  if (cursor_y_ < 0) return best;
  auto consider = [&](bool carriage_return, int from_x) {
    Motion candidate;
    candidate.absolute = false;
    candidate.carriage_return = carriage_return;
    const int vertical = vertical_cost(cursor_y_, y, candidate.vertical);
    int horizontal = kImpossible;
    if (from_x >= 0) {
      horizontal = horizontal_cost(screen, y, from_x, x, candidate.horizontal);
    } else if (strings_.column_address) {
      candidate.horizontal = Horizontal::Column;
      horizontal = csi_cost(x + 1);
    }
    candidate.cost = (carriage_return ? 1 : 0) + vertical + horizontal;
    if (candidate.cost < best.cost) best = candidate;
  };
  consider(false, cursor_x_);
  if (strings_.carriage_return) consider(true, 0);
  return best;
}

int Renderer::address_cost(int x, int y) const {
  if (strings_.unusual_cursor_address) {
    return static_cast<int>(
        strings_.unusual_cursor_address->expand_into(unibi_cursor_address, {y, x}, nullptr, 0));
  }
  if (x == 0) return y == 0 ? 3 : 3 + digits(y + 1);
  return 4 + digits(y + 1) + digits(x + 1);
}

void Renderer::emit_address(int x, int y, std::string& out) const {
  if (strings_.unusual_cursor_address) {
    char text[64];
    const std::size_t length = strings_.unusual_cursor_address->expand_into(
        unibi_cursor_address, {y, x}, text, sizeof text);
    out.append(text, std::min(length, sizeof text));
    return;
  }
  out += "\x1b[";
  if (y != 0 || x != 0) append_number(y + 1, out);
  if (x != 0) {
    out += ';';
    append_number(x + 1, out);
  }
  out += 'H';
}

int Renderer::vertical_cost(int from, int to, Vertical& how) const {
  how = Vertical::None;
  if (from == to) return 0;
  int best = kImpossible;
  if (to > from) {
    const int rows = to - from;
    if (strings_.cursor_down) best = csi_cost(rows), how = Vertical::Down;
    if (strings_.line_feed && rows < best) best = rows, how = Vertical::LineFeeds;
  } else if (strings_.cursor_up) {
    best = csi_cost(from - to), how = Vertical::Up;
  }
  return best;
}

void Renderer::emit_vertical(Vertical how, int from, int to, std::string& out) const {
  switch (how) {
    case Vertical::None:
      break;
    case Vertical::LineFeeds:
      out.append(static_cast<std::size_t>(to - from), '\n');
      break;
    case Vertical::Down:
      append_csi(to - from, 'B', out);
      break;
    case Vertical::Up:
      append_csi(from - to, 'A', out);
      break;
  }
}

int Renderer::horizontal_cost(const tui::Buffer& screen, int row, int from, int to,
                              Horizontal& how) const {
  how = Horizontal::None;
  if (from == to) return 0;
  int best = kImpossible;
  auto offer = [&](int cost, Horizontal method) {
    if (cost < best) best = cost, how = method;
  };
  if (strings_.column_address) offer(csi_cost(to + 1), Horizontal::Column);
  if (to > from) {
    if (strings_.cursor_forward) offer(csi_cost(to - from), Horizontal::Forward);
    offer(overwrite_cost(screen, row, from, to), Horizontal::Overwrite);
  } else {
    if (strings_.cursor_backward) offer(csi_cost(from - to), Horizontal::Backward);
    if (strings_.backspace) offer(from - to, Horizontal::Backspaces);
  }
  return best;
}

int Renderer::overwrite_cost(const tui::Buffer& screen, int row, int from, int to) const {
  if (!colors_known_ || !contents_known_ || to - from > kLongestOverwrite) return kImpossible;
  int cost = 0;
  for (int x = from; x < to; ++x) {
    const tui::Cell& cell =
        screen.at(static_cast<std::uint16_t>(x), static_cast<std::uint16_t>(row));
    const char32_t symbol = displayable(cell.symbol);
    if (!surely_narrow(symbol) || cell.bg != bg_ || cell.fg != fg_ ||
        cell != shown_.at(static_cast<std::uint16_t>(x), static_cast<std::uint16_t>(row))) {
      return kImpossible;
    }
    cost += utf8_length(symbol);
  }
  return cost;
}

void Renderer::emit_horizontal(const tui::Buffer& screen, Horizontal how, int row, int from, int to,
                               std::string& out) {
  switch (how) {
    case Horizontal::None:
      break;
    case Horizontal::Forward:
      append_csi(to - from, 'C', out);
      break;
    case Horizontal::Backward:
      append_csi(from - to, 'D', out);
      break;
    case Horizontal::Backspaces:
      out.append(static_cast<std::size_t>(from - to), '\b');
      break;
    case Horizontal::Column:
      append_csi(to + 1, 'G', out);
      break;
    case Horizontal::Overwrite:
      for (int x = from; x < to; ++x) {
        put_symbol(
            displayable(
                screen.at(static_cast<std::uint16_t>(x), static_cast<std::uint16_t>(row)).symbol),
            out);
      }
      break;
  }
}

}  // namespace tty
