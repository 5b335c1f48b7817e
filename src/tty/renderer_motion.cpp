// Cursor motion: each way from where the cursor is to the next cell of the row is tried, and
// the shortest kept.

#include "tty/renderer.hpp"
#include "tty/renderer_rules.hpp"
#include "tui/utf8.hpp"

namespace tty {

using namespace rules;

void Renderer::move_to(int x, std::string& out) {
  const int y = row_y_;
  if (known_.cursor_x == x && known_.cursor_y == y) return;
  motion_.clear();
  strings_.append_address(x, y, motion_);
  if (known_.cursor_y >= 0) {
    try_relative_motion(false, x, y);
    if (strings_.carriage_return) try_relative_motion(true, x, y);
  }
  out += motion_;
  known_.cursor_x = x;
  known_.cursor_y = y;
}

void Renderer::try_relative_motion(bool carriage_return, int x, int y) {
  trial_.clear();
  int from_x = known_.cursor_x;
  if (carriage_return) trial_ += '\r', from_x = 0;
  bool possible = false;
  if (from_x >= 0) {
    possible = append_vertical(known_.cursor_y, y, trial_) && append_horizontal(from_x, x, trial_);
  } else if (strings_.column_address) {
    // An absolute column first also ends a pending wrap before any vertical motion.
    append_counted(Counted::Column, x + 1, trial_);
    possible = append_vertical(known_.cursor_y, y, trial_);
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

bool Renderer::append_horizontal(int from, int to, std::string& out) const {
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
    offer(overwrite_cost(from, to), Horizontal::Overwrite);
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
      for (int x = from; x < to; ++x) tui::append_utf8(displayable(want_[x].symbol), out);
      break;
  }
  return true;
}

int Renderer::overwrite_cost(int from, int to) const {
  if (!known_.colors_known || to - from > kLongestOverwrite) return kImpossible;
  int cost = 0;
  for (int x = from; x < to; ++x) {
    const tui::Cell& cell = want_[x];
    const char32_t symbol = displayable(cell.symbol);
    if (!surely_narrow(symbol) || cell.bg != known_.bg || cell.fg != known_.fg ||
        cell != have_[x]) {
      return kImpossible;
    }
    cost += utf8_length(symbol);
  }
  return cost;
}

}  // namespace tty
