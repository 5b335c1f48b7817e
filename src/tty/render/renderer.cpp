// The renderer's frame: which rows to draw, with a shift or without, their cells and the cursor
// motion between them.

#include "tty/render/renderer.hpp"

#include <algorithm>

#include "tui/utf8.hpp"

namespace tty {

namespace {

// Writing the cells in between beats a cursor motion only over short gaps; this bounds the scan.
constexpr int kLongestOverwrite = 8;
// Moves of a row's picture by up to this many columns are tried as a shift.
constexpr int kLongestShift = 6;
constexpr int kShortestShiftedStretch = 6;
// A shift that spares fewer cells than this cannot pay for its own sequences.
constexpr std::size_t kLeastShiftSaving = 2;

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

}  // namespace

void Renderer::clear_screen(std::string& out) {
  record_cursor({});
  record_pen({});
  cursor_visible_.reset();
  set_cursor_visible(false, out);
  // Erased cells take the selected colours: the default ones, whatever was selected before.
  select_colors(tui::Color::Reset, tui::Color::Reset, out);
  out += strings_.clear_screen;
  record_cursor({0, 0});
}

void Renderer::set_cursor_visible(bool visible, std::string& out) {
  if (cursor_visible_ == visible) return;
  out += visible ? strings_.show_cursor : strings_.hide_cursor;
  cursor_visible_ = visible;
}

void Renderer::draw_all(const tui::Buffer& wanted, std::string& out) {
  start_frame(wanted);
  for (int y = 0; y < height_; ++y) {
    start_row(wanted, nullptr, y);
    for (int x = 0; x < width_; ++x) {
      if (!row_.want[x].is_blank()) row_.pending.push_back(x);
    }
    if (!row_.pending.empty()) draw_cells(order_row(row_.pending), out);
  }
}

void Renderer::draw_changes(const tui::Buffer& wanted, const tui::Buffer& shown,
                            std::span<const tui::CellUpdate> changes, std::string& out) {
  start_frame(wanted);
  if (width_ == 0) return;
  for (std::size_t first = 0; first < changes.size();) {
    const int y = changes[first].y;
    // Rows and columns beyond the window are not on the terminal.
    if (y >= height_) return;
    start_row(wanted, &shown, y);
    for (; first < changes.size() && changes[first].y == y; ++first) {
      if (changes[first].x < width_) row_.pending.push_back(changes[first].x);
    }
    if (row_.pending.empty()) continue;
    // Shifted sideways where the row's picture has merely moved, if that is shorter.
    const int shift = choose_shift(row_.pending.front(), row_.pending.back(), row_.pending.size());
    if (shift == 0) {
      draw_cells(order_row(row_.pending), out);
    } else {
      draw_shorter_of_both(shift, out);
    }
  }
}

void Renderer::start_frame(const tui::Buffer& wanted) {
  width_ = std::min(wanted.area().width, window_.width);
  height_ = std::min(wanted.area().height, window_.height);
  if (row_.have.size() == static_cast<std::size_t>(width_)) return;
  // A row never needs more than this, so later frames allocate nothing.
  row_.have.resize(width_);
  row_.pending.reserve(width_);
  shifted_.reserve(width_);
  ordered_.reserve(width_);
  segments_.reserve(width_);
  scratch_.reserve(std::size_t{32} * width_);
  // Room for any motion: an address as the description spells it, moves and overwrites.
  motion_.reserve(std::size_t{128} + height_);
  trial_.reserve(std::size_t{128} + height_);
  overwrite_.reserve(std::size_t{4} * kLongestOverwrite);
}

void Renderer::start_row(const tui::Buffer& wanted, const tui::Buffer* shown, int y) {
  // The buffers' rows are the frame's width apart, however much of them is drawn.
  const std::size_t start = static_cast<std::size_t>(y) * wanted.area().width;
  row_.y = y;
  row_.want = wanted.cells().subspan(start, width_);
  if (shown != nullptr) {
    const auto cells = shown->cells().subspan(start, width_);
    std::copy(cells.begin(), cells.end(), row_.have.begin());
  } else {
    std::fill(row_.have.begin(), row_.have.end(), tui::Cell{});
  }
  row_.pending.clear();
  row_.end = -1;
}

void Renderer::draw_shorter_of_both(int shift, std::string& out) {
  const int lo = row_.pending.front();
  const int hi = row_.pending.back();
  const Cursor start_cursor = cursor_;
  const Pen start_pen = pen_;
  scratch_.clear();
  draw_cells(order_row(row_.pending), scratch_);
  const Cursor plain_cursor = cursor_;
  const Pen plain_pen = pen_;
  record_cursor(start_cursor);
  record_pen(start_pen);
  const std::size_t mark = out.size();
  apply_shift(lo, hi, shift, out);
  shifted_.clear();
  for (int x = lo; x <= hi; ++x) {
    if (row_.want[x] != row_.have[x]) shifted_.push_back(x);
  }
  draw_cells(order_row(shifted_), out);
  if (scratch_.size() <= out.size() - mark) {
    out.resize(mark);
    out += scratch_;
    record_cursor(plain_cursor);
    record_pen(plain_pen);
  }
}

void Renderer::draw_cells(std::span<const int> columns, std::string& out) {
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (row_.want[columns[i]].is_blank()) {
      i = draw_blanks(columns, i, out);
    } else {
      write_cell(columns[i], out);
    }
  }
}

std::size_t Renderer::draw_blanks(std::span<const int> columns, std::size_t i, std::string& out) {
  const int x = columns[i];
  // The run of adjacent blank cells, and the columns after it that lie further right.
  std::size_t run = 1;
  while (i + run < columns.size() && columns[i + run] == x + static_cast<int>(run) &&
         row_.want[columns[i + run]].is_blank()) {
    ++run;
  }
  std::size_t further_right = run;
  while (i + further_right < columns.size() && columns[i + further_right] > x) ++further_right;
  // Erasing fills with the selected background, hence the default colours first.
  if (strings_.erase_line && row_end() <= x && (further_right > run || run > 3)) {
    move_to(x, out);
    select_colors(tui::Color::Reset, tui::Color::Reset, out);
    out += strings_.erase_to_line_end;
    return i + further_right - 1;
  }
  const int count = static_cast<int>(run);
  const bool next_adjacent = i + run < columns.size() && columns[i + run] == x + count;
  const int threshold = next_adjacent ? 6 + 2 * digits(count) : 4 + digits(count);
  if (strings_.erase_characters && count > threshold) {
    move_to(x, out);
    select_colors(tui::Color::Reset, tui::Color::Reset, out);
    append_counted(Counted::EraseCharacters, count, out);
    return i + run - 1;
  }
  write_cell(x, out);
  return i;
}

void Renderer::write_cell(int x, std::string& out) {
  const bool last_column = x == width_ - 1;
  // With eager wrapping the bottom-right cell would scroll the whole screen up.
  if (strings_.eager_wrap && last_column && row_.y == height_ - 1) return;
  const tui::Cell& cell = row_.want[x];
  move_to(x, out);
  const char32_t symbol = displayable(cell.symbol);
  select_colors(cell.fg, cell.bg, out);
  tui::append_utf8(symbol, out);
  if (!surely_narrow(symbol)) {
    record_cursor({});
  } else if (last_column) {
    // Pending wrap: the next symbol would go to the next row, at once with eager wrapping.
    record_cursor({-1, strings_.eager_wrap ? -1 : row_.y});
  } else {
    record_cursor({x + 1, row_.y});
  }
}

int Renderer::row_end() {
  if (row_.end >= 0) return row_.end;
  int end = width_;
  while (end > 0 && row_.want[end - 1].is_blank()) --end;
  row_.end = end;
  return end;
}

int Renderer::choose_shift(int lo, int hi, std::size_t differing) const {
  // Only a stretch moved to the right can be shifted without disturbing the rest of the row:
  // deleting at its right end and inserting at its left end leaves everything beyond in place.
  if (!strings_.insert_characters || !strings_.delete_characters || strings_.eager_wrap ||
      hi - lo < kShortestShiftedStretch) {
    return 0;
  }
  const tui::Cell blank{};
  int best = 0;
  // A shift must leave clearly less to draw to be worth trying.
  std::size_t best_differing = differing - std::min(differing, kLeastShiftSaving);
  for (int shift = 1; shift <= kLongestShift && hi - shift >= lo; ++shift) {
    std::size_t remaining = 0;
    for (int x = lo; x <= hi && remaining < best_differing; ++x) {
      const tui::Cell& moved = x < lo + shift ? blank : row_.have[x - shift];
      if (row_.want[x] != moved) ++remaining;
    }
    if (remaining < best_differing) best = shift, best_differing = remaining;
  }
  if (best == 0) return 0;
  // Deleting and inserting move every cell up to the terminal's right edge.
  for (int x = lo; x < width_; ++x) {
    if (!surely_narrow(displayable(row_.have[x].symbol))) return 0;
  }
  return best;
}

void Renderer::apply_shift(int lo, int hi, int shift, std::string& out) {
  move_to(hi - shift + 1, out);
  // The cells that deleting pulls in at the row's end and the inserted ones take the selected
  // background on most terminals, so both are done in the default colours.
  select_colors(tui::Color::Reset, tui::Color::Reset, out);
  append_counted(Counted::DeleteCharacters, shift, out);
  move_to(lo, out);
  append_counted(Counted::InsertCharacters, shift, out);
  for (int x = hi; x >= lo; --x) {
    row_.have[x] = x < lo + shift ? tui::Cell{} : row_.have[x - shift];
  }
}

void Renderer::move_to(int x, std::string& out) {
  const Cursor target{x, row_.y};
  if (cursor_ == target) return;
  motion_.clear();
  strings_.append_address(x, row_.y, motion_);
  if (cursor_.y >= 0) {
    try_relative_motion(false, x, row_.y);
    if (strings_.carriage_return) try_relative_motion(true, x, row_.y);
  }
  out += motion_;
  record_cursor(target);
}

void Renderer::try_relative_motion(bool carriage_return, int x, int y) {
  trial_.clear();
  int from_x = cursor_.x;
  if (carriage_return) trial_ += '\r', from_x = 0;
  bool possible = false;
  if (from_x >= 0) {
    possible = append_vertical(cursor_.y, y, trial_) && append_horizontal(from_x, x, trial_);
  } else if (strings_.column_address) {
    // An absolute column first also ends a pending wrap before any vertical motion.
    append_counted(Counted::Column, x + 1, trial_);
    possible = append_vertical(cursor_.y, y, trial_);
  }
  if (possible && trial_.size() < motion_.size()) motion_.swap(trial_);
}

bool Renderer::append_vertical(int from, int to, std::string& out) const {
  if (from == to) return true;
  if (to < from) {
    if (strings_.cursor_up) append_counted(Counted::CursorUp, from - to, out);
    return strings_.cursor_up;
  }
  const int rows = to - from;
  if (strings_.line_feed && (!strings_.cursor_down || rows < counted_cost(rows))) {
    out.append(static_cast<std::size_t>(rows), '\n');
  } else if (strings_.cursor_down) {
    append_counted(Counted::CursorDown, rows, out);
  }
  return strings_.line_feed || strings_.cursor_down;
}

bool Renderer::append_horizontal(int from, int to, std::string& out) {
  if (from == to) return true;
  Horizontal how = Horizontal::None;
  int best = kImpossible;
  // The cheapest of the ways the terminal has, the first of equals.
  auto offer = [&](int cost, Horizontal method) {
    if (cost < best) best = cost, how = method;
  };
  if (strings_.column_address) offer(counted_cost(to + 1), Horizontal::Column);
  if (to > from) {
    if (strings_.cursor_forward) offer(counted_cost(to - from), Horizontal::Forward);
    if (overwrite(from, to)) offer(static_cast<int>(overwrite_.size()), Horizontal::Overwrite);
  } else {
    if (strings_.cursor_backward) offer(counted_cost(from - to), Horizontal::Backward);
    if (strings_.backspace) offer(from - to, Horizontal::Backspaces);
  }
  switch (how) {
    case Horizontal::None:
      return false;
    case Horizontal::Forward:
      append_counted(Counted::CursorForward, to - from, out);
      break;
    case Horizontal::Backward:
      append_counted(Counted::CursorBackward, from - to, out);
      break;
    case Horizontal::Backspaces:
      out.append(static_cast<std::size_t>(from - to), '\b');
      break;
    case Horizontal::Column:
      append_counted(Counted::Column, to + 1, out);
      break;
    case Horizontal::Overwrite:
      out += overwrite_;
      break;
  }
  return true;
}

bool Renderer::overwrite(int from, int to) {
  if (!pen_.known || to - from > kLongestOverwrite) return false;
  overwrite_.clear();
  for (int x = from; x < to; ++x) {
    const tui::Cell& cell = row_.want[x];
    const char32_t symbol = displayable(cell.symbol);
    if (!surely_narrow(symbol) || cell.bg != pen_.bg || cell.fg != pen_.fg ||
        cell != row_.have[x]) {
      return false;
    }
    tui::append_utf8(symbol, overwrite_);
  }
  return true;
}

}  // namespace tty
