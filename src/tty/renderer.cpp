// The renderer's frame: which rows to draw, with a shift or without.

#include "tty/renderer.hpp"

#include <algorithm>

namespace tty {

void Renderer::clear_screen(std::string& out) {
  known_ = State{};
  out += strings_.hide_cursor;
  cursor_visible_ = 0;
  // Erased cells take the selected colours: the default ones, whatever was selected before.
  select_colors(tui::Color::Reset, tui::Color::Reset, out);
  out += strings_.clear_screen;
  known_.cursor_x = known_.cursor_y = 0;
}

void Renderer::set_cursor_visible(bool visible, std::string& out) {
  if (cursor_visible_ == int{visible}) return;
  out += visible ? strings_.show_cursor : strings_.hide_cursor;
  cursor_visible_ = visible;
}

void Renderer::reset_colors(std::string& out) {
  if (known_.colors_known && known_.fg.is_reset() && known_.bg.is_reset()) return;
  out += strings_.reset_colors;
  known_.colors_known = true;
  known_.fg = known_.bg = tui::Color::Reset;
}

void Renderer::draw_all(const tui::Buffer& wanted, std::string& out) {
  start_frame(wanted);
  for (int y = 0; y < height_; ++y) {
    start_row(wanted, nullptr, y);
    for (int x = 0; x < width_; ++x) {
      if (!want_[x].is_blank()) pending_.push_back(x);
    }
    if (!pending_.empty()) draw_cells(order_row(pending_), out);
  }
}

void Renderer::draw_changes(const tui::Buffer& wanted, const tui::Buffer& shown,
                            std::span<const tui::CellUpdate> changes, std::string& out) {
  start_frame(wanted);
  if (width_ == 0) return;
  for (std::size_t first = 0; first < changes.size();) {
    const int y = changes[first].y;
    if (y >= height_) break;
    start_row(wanted, &shown, y);
    for (; first < changes.size() && changes[first].y == y; ++first) {
      if (changes[first].x < width_) pending_.push_back(changes[first].x);
    }
    if (pending_.empty()) continue;
    // Shifted sideways where the row's picture has merely moved, if that is shorter.
    const int shift = choose_shift(pending_.front(), pending_.back(), pending_.size());
    if (shift == 0) {
      draw_cells(order_row(pending_), out);
    } else {
      draw_shorter_of_both(shift, out);
    }
  }
}

void Renderer::start_frame(const tui::Buffer& wanted) {
  // The window's right and bottom edges are the terminal's, where they cut into the frame.
  stride_ = wanted.area().width;
  width_ = std::min<int>(stride_, window_.width);
  height_ = std::min<int>(wanted.area().height, window_.height);
  if (have_.size() == static_cast<std::size_t>(width_)) return;
  // A row never needs more than this, so later frames allocate nothing.
  have_.resize(width_);
  pending_.reserve(width_);
  shifted_.reserve(width_);
  ordered_.reserve(width_);
  segments_.reserve(width_);
  scratch_.reserve(std::size_t{32} * width_);
  // Room for any motion: an address as the description spells it, moves and overwrites.
  motion_.reserve(std::size_t{128} + height_);
  trial_.reserve(std::size_t{128} + height_);
}

void Renderer::start_row(const tui::Buffer& wanted, const tui::Buffer* shown, int y) {
  const std::size_t start = static_cast<std::size_t>(y) * stride_;
  row_y_ = y;
  want_ = wanted.cells().subspan(start, width_);
  if (shown != nullptr) {
    const auto row = shown->cells().subspan(start, width_);
    std::copy(row.begin(), row.end(), have_.begin());
  } else {
    std::fill(have_.begin(), have_.end(), tui::Cell{});
  }
  pending_.clear();
  row_end_ = -1;
}

void Renderer::draw_shorter_of_both(int shift, std::string& out) {
  const int lo = pending_.front();
  const int hi = pending_.back();
  const State start = known_;
  scratch_.clear();
  draw_cells(order_row(pending_), scratch_);
  const State plain = known_;
  known_ = start;
  const std::size_t mark = out.size();
  apply_shift(lo, hi, shift, out);
  shifted_.clear();
  for (int x = lo; x <= hi; ++x) {
    if (want_[x] != have_[x]) shifted_.push_back(x);
  }
  draw_cells(order_row(shifted_), out);
  if (scratch_.size() <= out.size() - mark) {
    out.resize(mark);
    out += scratch_;
    known_ = plain;
  }
}

}  // namespace tty
