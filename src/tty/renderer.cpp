// The renderer's frame: which cells to draw, in what order, and writing them.

#include "tty/renderer.hpp"

#include <algorithm>

#include "tty/renderer_sequences.hpp"
#include "tui/utf8.hpp"

namespace tty {

using namespace sequences;

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
  tui::append_utf8(symbol, out);
  if (!surely_narrow(symbol)) {
    cursor_x_ = cursor_y_ = -1;
  } else if (x == width - 1) {
    cursor_x_ = -1;  // pending wrap: the next symbol would go to the next row
    if (strings_.eager_wrap) cursor_y_ = -1;
  } else {
    cursor_x_ = x + 1;
  }
}

}  // namespace tty
