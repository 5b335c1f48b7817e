// Cursor motion: the cheapest way from where the cursor is to the next cell.

#include <algorithm>

#include "tty/renderer.hpp"
#include "tty/renderer_sequences.hpp"
#include "tui/utf8.hpp"

namespace tty {

using namespace sequences;

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
        tui::append_utf8(
            displayable(
                screen.at(static_cast<std::uint16_t>(x), static_cast<std::uint16_t>(row)).symbol),
            out);
      }
      break;
  }
}

}  // namespace tty
