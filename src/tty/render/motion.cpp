// Cursor motion: the cheapest way the terminal has from where the cursor is to a cell.

#include "tty/render/renderer.hpp"
#include "tty/render/symbols.hpp"
#include "tui/utf8.hpp"

namespace tty {

namespace {

// Writing the cells in between beats a cursor motion only over short gaps; this bounds the scan.
constexpr int kLongestOverwrite = 8;
// What moving right writes over a cell that is drawn later anyway.
constexpr char kFiller = ' ';

}  // namespace

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

bool Renderer::wraps_onto(int x) const {
  // Only where the description says so: automatic margins that leave the cursor pending at the
  // last column (the newline glitch). The pending row is above another of the drawing, so the
  // wrap never scrolls.
  return strings_.deferred_wrap && right_edge_is_window() && x == 0 && row_.y > 0 &&
         cursor_ == Cursor{-1, row_.y - 1};
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
    // A cell still to draw is drawn later in its own pen: until then anything may stand there,
    // unless a shift is yet to move it elsewhere.
    if (still_to_draw(x)) {
      if (shifting_) return false;
      overwrite_ += kFiller;
      continue;
    }
    const tui::Cell& cell = row_.want[x];
    const char32_t symbol = displayable(cell.symbol);
    if (!surely_narrow(symbol) || cell.bg != pen_.bg || cell.fg != pen_.fg) return false;
    tui::append_utf8(symbol, overwrite_);
  }
  return true;
}

}  // namespace tty
