// Cells of a row: writing them, repeating them and erasing blank runs.

#include <algorithm>

#include "tty/renderer.hpp"
#include "tty/renderer_rules.hpp"
#include "tui/utf8.hpp"

namespace tty {

using namespace rules;

void Renderer::draw_cells(std::span<const int> columns, std::string& out) {
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (want_[columns[i]].is_blank()) {
      i = draw_blanks(columns, i, out);
      continue;
    }
    write_cell(columns[i], out);
    i = repeat_cell(columns, i, out);
  }
}

std::size_t Renderer::draw_blanks(std::span<const int> columns, std::size_t i, std::string& out) {
  const int x = columns[i];
  // The run of adjacent blank cells, and the columns after it that lie further right.
  std::size_t run = 1;
  while (i + run < columns.size() && columns[i + run] == x + static_cast<int>(run) &&
         want_[columns[i + run]].is_blank()) {
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
  return repeat_cell(columns, i, out);
}

void Renderer::write_cell(int x, std::string& out) {
  // With eager wrapping the bottom-right cell would scroll the whole screen up.
  if (strings_.eager_wrap && x == width_ - 1 && row_y_ == height_ - 1) return;
  const tui::Cell& cell = want_[x];
  move_to(x, out);
  const char32_t symbol = displayable(cell.symbol);
  select_colors(cell.fg, cell.bg, out);
  tui::append_utf8(symbol, out);
  if (!surely_narrow(symbol)) {
    known_.cursor_x = known_.cursor_y = -1;
  } else if (x == width_ - 1) {
    known_.cursor_x = -1;  // pending wrap: the next symbol would go to the next row
    if (strings_.eager_wrap) known_.cursor_y = -1;
  } else {
    known_.cursor_x = x + 1;
  }
}

std::size_t Renderer::repeat_cell(std::span<const int> columns, std::size_t i, std::string& out) {
  const int x = columns[i];
  if (!strings_.repeat || known_.cursor_y != row_y_ || known_.cursor_x != x + 1) return i;
  const tui::Cell& cell = want_[x];
  // Only a plain ASCII symbol is repeated: some terminals (tmux among them) remember nothing
  // else as the symbol to repeat and would leave the cells as they were.
  if (cell.symbol < 0x20 || cell.symbol >= 0x7F) return i;
  // The copies run over identical cells, changed ones and short stretches of unchanged ones,
  // and stop two columns short of the right edge: some emulators (libvterm) treat a repeat
  // that ends next to the last column as if it had filled it, and wrap the next symbol.
  int copies = 0;
  std::size_t next = i + 1;
  int separate_cost = 0;  // writing the changed cells one by one instead, one byte each
  int unchanged = 0;
  for (int k = 1; x + k < width_ - 2 && unchanged <= kLongestOverwrite; ++k) {
    if (want_[x + k] != cell) break;
    if (next < columns.size() && columns[next] == x + k) {
      if (unchanged > 0) separate_cost += std::min(unchanged, counted_cost(unchanged));
      separate_cost += 1;
      unchanged = 0;
      copies = k;
      ++next;
    } else {
      ++unchanged;
    }
  }
  if (copies == 0 || counted_cost(copies) >= separate_cost) return i;
  append_counted(Counted::Repeat, copies, out);
  known_.cursor_x = x + 1 + copies;
  return next - 1;
}

int Renderer::row_end() {
  if (row_end_ >= 0) return row_end_;
  int end = width_;
  while (end > 0 && want_[end - 1].is_blank()) --end;
  row_end_ = end;
  return end;
}

}  // namespace tty
