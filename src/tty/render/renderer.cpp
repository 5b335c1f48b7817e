// The renderer's frame: its cells gathered (and rows shifted) first, then drawn pen by pen.

#include "tty/render/renderer.hpp"

#include <algorithm>

namespace tty {

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

void Renderer::draw_frame(const tui::FrameToSend& frame, bool whole, std::string& out) {
  if (whole) {
    clear_screen(out);
    draw_all(frame.wanted, out);
  } else {
    if (!frame.cursor_visible) set_cursor_visible(false, out);
    draw_changes(frame.wanted, frame.shown, frame.changes, out);
  }
  if (frame.cursor_visible) set_cursor_visible(true, out);
  reset_colors(out);
}

void Renderer::draw_all(const tui::Buffer& wanted, std::string& out) {
  start_frame(wanted);
  for (int y = 0; y < height_; ++y) {
    enter_row(y);
    columns_.clear();
    for (int x = 0; x < width_; ++x) {
      if (!row_.want[x].is_blank()) columns_.push_back(x);
    }
    set_to_draw(columns_, true);
    add_strokes(columns_);
  }
  draw_strokes(out);
}

void Renderer::draw_changes(const tui::Buffer& wanted, const tui::Buffer& shown,
                            std::span<const tui::CellUpdate> changes, std::string& out) {
  start_frame(wanted);
  if (width_ == 0) return;
  shifts_.clear();
  for (std::size_t first = 0; first < changes.size();) {
    const int y = changes[first].y;
    // Rows and columns beyond the window are not on the terminal.
    if (y >= height_) break;
    enter_row(y, &shown);
    columns_.clear();
    for (; first < changes.size() && changes[first].y == y; ++first) {
      if (changes[first].x < width_) columns_.push_back(changes[first].x);
    }
    if (columns_.empty()) continue;
    set_to_draw(columns_, true);
    if (!plan_shift(columns_)) add_strokes(columns_);
  }
  apply_shifts(shown, out);
  draw_strokes(out);
}

void Renderer::start_frame(const tui::Buffer& wanted) {
  wanted_ = &wanted;
  width_ = std::min<int>(wanted.area().width, window_ ? window_->width : UINT16_MAX);
  height_ = std::min<int>(wanted.area().height, window_ ? window_->height : UINT16_MAX);
  strokes_.clear();
  row_ends_.assign(static_cast<std::size_t>(height_), -1);
  const std::size_t cells = static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_);
  if (to_draw_.size() == cells) return;
  // A frame never needs more than this, so later frames of the same size allocate nothing.
  to_draw_.assign(cells, 0);
  strokes_.reserve(cells);
  patches_.reserve(cells);
  route_.reserve(cells);
  route_costs_.reserve((kMostRoutedPatches + 1) * (kMostRoutedPatches + 1));
  columns_.reserve(static_cast<std::size_t>(width_));
  shifted_.reserve(static_cast<std::size_t>(width_));
  shifts_.reserve(static_cast<std::size_t>(height_));
  // Room for any motion: an address as the description spells it, moves and overwrites.
  motion_.reserve(std::size_t{128} + static_cast<std::size_t>(height_));
  trial_.reserve(std::size_t{128} + static_cast<std::size_t>(height_));
  overwrite_.reserve(std::size_t{128} + static_cast<std::size_t>(height_));
}

void Renderer::enter_row(int y, const tui::Buffer* shown) {
  // The buffers' rows are the frame's width apart, however much of them is drawn.
  const std::size_t start = static_cast<std::size_t>(y) * wanted_->area().width;
  const auto drawn = static_cast<std::size_t>(width_);
  row_.y = y;
  row_.want = wanted_->cells().subspan(start, drawn);
  row_.shown =
      shown != nullptr ? shown->cells().subspan(start, drawn) : std::span<const tui::Cell>{};
}

void Renderer::add_strokes(std::span<const int> columns) {
  for (const int x : columns) strokes_.push_back(stroke(row_.want[x], x, row_.y));
}

void Renderer::set_to_draw(std::span<const int> columns, bool to_draw) {
  for (const int x : columns) to_draw_[cell_index(x)] = to_draw ? 1 : 0;
}

void Renderer::draw_strokes(std::string& out) {
  make_patches();
  plan_route();
  for (const std::uint32_t patch : route_) draw_patch(patches_[patch], out);
}

void Renderer::draw_patch(const Patch& patch, std::string& out) {
  // Row by row, each row's cells of the patch from left to right.
  for (std::uint32_t first = patch.first; first < patch.end;) {
    const int y = stroke_row(strokes_[first]);
    enter_row(y);
    columns_.clear();
    for (; first < patch.end && stroke_row(strokes_[first]) == y; ++first) {
      columns_.push_back(stroke_column(strokes_[first]));
    }
    draw_cells(columns_, out);
  }
}

}  // namespace tty
