// The cells of one row in one pen: written, or where they are blank, erased.

#include "tty/render/renderer.hpp"
#include "tty/render/symbols.hpp"
#include "tui/utf8.hpp"

namespace tty {

namespace {

// What spaces are worth over erasing the same cells, besides their length: they carry the
// cursor on towards the cells further right.
constexpr int kSpacesCarryTheCursor = 1;

}  // namespace

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
  const auto covered = [&](std::size_t count) {
    for (std::size_t k = i; k < i + count; ++k) mark_drawn(columns[k]);
    return i + count - 1;
  };
  // Erasing fills with the selected background, hence the default colours first. Erasing to
  // the row's end beats writing spaces when it reaches further cells to draw, or more spaces
  // than its own length.
  if (strings_.erase_line && row_end() <= x &&
      (further_right > run || run > strings_.erase_to_line_end.size())) {
    move_to(x, out);
    select_colors(tui::Color::Reset, tui::Color::Reset, out);
    out += strings_.erase_to_line_end;
    return covered(further_right);
  }
  // Erasing characters leaves the cursor where it was: when the next cell to draw follows the
  // run, the cursor must then be moved over it.
  const int count = static_cast<int>(run);
  const bool next_adjacent = i + run < columns.size() && columns[i + run] == x + count;
  const int erasing =
      counted_cost(count) + (next_adjacent ? counted_cost(count) : kSpacesCarryTheCursor);
  if (strings_.erase_characters && count > erasing) {
    move_to(x, out);
    select_colors(tui::Color::Reset, tui::Color::Reset, out);
    append_counted(Counted::EraseCharacters, count, out);
    return covered(run);
  }
  write_cell(x, out);
  return i;
}

void Renderer::write_cell(int x, std::string& out) {
  // The bottom-right cell's neighbour may have been drawn with it already.
  if (!still_to_draw(x)) return;
  mark_drawn(x);
  if (scrolls_when_written(x)) return write_last_corner(out);
  write_symbol(x, row_.want[x], out);
}

void Renderer::write_symbol(int x, const tui::Cell& cell, std::string& out) {
  // Right after the last column of the row above, the symbol goes to this row's start by itself.
  if (!wraps_onto(x)) move_to(x, out);
  const char32_t symbol = displayable(cell.symbol);
  select_colors(cell.fg, cell.bg, out);
  tui::append_utf8(symbol, out);
  if (!surely_narrow(symbol)) {
    record_cursor({});
  } else if (x == width_ - 1) {
    // Pending wrap: the next symbol would go to the next row, at once with eager wrapping.
    record_cursor({-1, strings_.eager_wrap ? -1 : row_.y});
  } else {
    record_cursor({x + 1, row_.y});
  }
}

void Renderer::write_last_corner(std::string& out) {
  const int x = width_ - 1;
  const bool inserts = !strings_.insert_blank.empty() || !strings_.insert_mode_on.empty();
  if (x == 0 || !inserts) return;
  const tui::Cell& left = row_.want[x - 1];
  // The corner's symbol is written one column to its left, and its neighbour is then inserted
  // before it, which pushes it into place: the cursor never writes the last column.
  write_symbol(x - 1, row_.want[x], out);
  move_to(x - 1, out);
  if (!strings_.insert_blank.empty()) {
    out += strings_.insert_blank;
    write_symbol(x - 1, left, out);
  } else {
    select_colors(left.fg, left.bg, out);
    out += strings_.insert_mode_on;
    write_symbol(x - 1, left, out);
    out += strings_.insert_mode_off;
  }
  mark_drawn(x - 1);
}

bool Renderer::scrolls_when_written(int x) const {
  // Only the screen's own bottom-right cell: elsewhere the wrap goes to a row below, or there is
  // none. An unknown window is taken to end where the drawing does.
  const bool screen_corner = !window_ || (width_ == window_->width && height_ == window_->height);
  return strings_.eager_wrap && x == width_ - 1 && row_.y == height_ - 1 && screen_corner;
}

int Renderer::row_end() {
  int& end = row_ends_[static_cast<std::size_t>(row_.y)];
  if (end >= 0) return end;
  end = width_;
  while (end > 0 && row_.want[end - 1].is_blank()) --end;
  return end;
}

}  // namespace tty
