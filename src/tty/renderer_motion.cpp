// Cursor motion: the cheapest way from where the cursor is to the next cell of the row.

#include "tty/renderer.hpp"
#include "tty/renderer_rules.hpp"
#include "tui/utf8.hpp"

namespace tty {

using namespace rules;

void Renderer::move_to(int x, std::string& out) {
  const int y = row_y_;
  if (known_.cursor_x == x && known_.cursor_y == y) return;
  const Motion motion = plan_motion(x, y);
  if (motion.absolute) {
    strings_.append_address(x, y, out);
  } else {
    int from_x = known_.cursor_x;
    if (motion.carriage_return) out += '\r', from_x = 0;
    if (motion.horizontal == Horizontal::Column) {
      // An absolute column first also ends a pending wrap before any vertical motion.
      emit_horizontal(motion.horizontal, from_x, x, out);
      emit_vertical(motion.vertical, known_.cursor_y, y, out);
    } else {
      emit_vertical(motion.vertical, known_.cursor_y, y, out);
      emit_horizontal(motion.horizontal, from_x, x, out);
    }
  }
  known_.cursor_x = x;
  known_.cursor_y = y;
}

Renderer::Motion Renderer::plan_motion(int x, int y) const {
  Motion best;
  best.cost = strings_.address_cost(x, y);
  if (known_.cursor_y < 0) return best;
  auto consider = [&](bool carriage_return, int from_x) {
    Motion candidate;
    candidate.absolute = false;
    candidate.carriage_return = carriage_return;
    const int vertical = vertical_cost(known_.cursor_y, y, candidate.vertical);
    int horizontal = kImpossible;
    if (from_x >= 0) {
      horizontal = horizontal_cost(from_x, x, candidate.horizontal);
    } else if (strings_.column_address) {
      candidate.horizontal = Horizontal::Column;
      horizontal = counted_cost(x + 1);
    }
    candidate.cost = (carriage_return ? 1 : 0) + vertical + horizontal;
    if (candidate.cost < best.cost) best = candidate;
  };
  consider(false, known_.cursor_x);
  if (strings_.carriage_return) consider(true, 0);
  return best;
}

int Renderer::vertical_cost(int from, int to, Vertical& how) const {
  how = Vertical::None;
  if (from == to) return 0;
  int best = kImpossible;
  if (to > from) {
    const int rows = to - from;
    if (strings_.cursor_down) best = counted_cost(rows), how = Vertical::Down;
    if (strings_.line_feed && rows < best) best = rows, how = Vertical::LineFeeds;
  } else if (strings_.cursor_up) {
    best = counted_cost(from - to), how = Vertical::Up;
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
      append_counted(Counted::CursorDown, to - from, out);
      break;
    case Vertical::Up:
      append_counted(Counted::CursorUp, from - to, out);
      break;
  }
}

int Renderer::horizontal_cost(int from, int to, Horizontal& how) const {
  how = Horizontal::None;
  if (from == to) return 0;
  int best = kImpossible;
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
  return best;
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

void Renderer::emit_horizontal(Horizontal how, int from, int to, std::string& out) const {
  switch (how) {
    case Horizontal::None:
      break;
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
}

}  // namespace tty
