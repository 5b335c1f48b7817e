// Colours: the cheapest change between two pairs, and drawing stretches of one pair together.

#include <algorithm>

#include "tty/render/renderer.hpp"

namespace tty {

namespace {

/// A rough cost of moving the cursor along a row; the real motion is planned when drawing.
int rough_motion(int from, int to) {
  if (from == to) return 0;
  if (from < 0) return 3 + digits(to + 1);
  return std::min(counted_cost(to > from ? to - from : from - to), 3 + digits(to + 1));
}

}  // namespace

Renderer::ColorChange Renderer::color_change(const Pen& from, tui::Color fg, tui::Color bg) const {
  if (from.known && fg == from.fg && bg == from.bg) return {};
  // Two spellings: change only what differs (39 or 49 for a default), or start over from the
  // reset and add the colours that are not default. With unknown colours only the second is
  // sure to leave nothing behind.
  int changing = -1;
  if (fg != from.fg) changing += 1 + ControlStrings::parameter_length(fg, strings_.foreground);
  if (bg != from.bg) changing += 1 + ControlStrings::parameter_length(bg, strings_.background);
  int restarting = fg.is_reset() && bg.is_reset() ? 0 : 1;
  if (!fg.is_reset()) restarting += 1 + ControlStrings::parameter_length(fg, strings_.foreground);
  if (!bg.is_reset()) restarting += 1 + ControlStrings::parameter_length(bg, strings_.background);
  const bool restart = !from.known || restarting <= changing;
  return {3 + (restart ? restarting : changing), restart};
}

void Renderer::select_colors(tui::Color fg, tui::Color bg, std::string& out) {
  const ColorChange change = color_change(pen_, fg, bg);
  if (change.cost == 0) return;
  strings_.append_colors(change.restart, pen_.fg, pen_.bg, fg, bg, out);
  record_pen({true, fg, bg});
}

std::span<const int> Renderer::order_row(std::span<const int> columns) {
  if (columns.size() < 3 || !pen_.known) return columns;
  find_segments(columns);
  if (segments_.size() < 3) return columns;
  return order_greedily(columns) < cost_in_order(columns) ? std::span<const int>(ordered_)
                                                          : columns;
}

void Renderer::find_segments(std::span<const int> columns) {
  segments_.clear();
  for (std::size_t i = 0; i < columns.size();) {
    const tui::Cell& first = row_.want[columns[i]];
    std::size_t end = i + 1;
    while (end < columns.size() && columns[end] == columns[end - 1] + 1 &&
           row_.want[columns[end]].fg == first.fg && row_.want[columns[end]].bg == first.bg) {
      ++end;
    }
    segments_.push_back({static_cast<std::uint32_t>(i), static_cast<std::uint32_t>(end), false});
    i = end;
  }
}

int Renderer::cost_in_order(std::span<const int> columns) const {
  int cost = 0;
  // Where the cursor and the pen would be after each stretch.
  int x = cursor_.x;
  Pen pen = pen_;
  for (const Segment& segment : segments_) {
    const tui::Cell& cell = row_.want[columns[segment.first]];
    cost += rough_motion(x, columns[segment.first]) + color_change(pen, cell.fg, cell.bg).cost;
    pen.fg = cell.fg, pen.bg = cell.bg, x = columns[segment.end - 1] + 1;
  }
  return cost;
}

int Renderer::order_greedily(std::span<const int> columns) {
  int cost = 0;
  int x = cursor_.x;
  Pen pen = pen_;
  ordered_.clear();
  for (std::size_t taken = 0; taken < segments_.size(); ++taken) {
    Segment* best = nullptr;
    int best_cost = kImpossible;
    for (Segment& segment : segments_) {
      if (segment.taken) continue;
      const tui::Cell& cell = row_.want[columns[segment.first]];
      const int next =
          rough_motion(x, columns[segment.first]) + color_change(pen, cell.fg, cell.bg).cost;
      if (best == nullptr || next < best_cost) best = &segment, best_cost = next;
    }
    // Each round leaves an untaken stretch, so this only guards against a broken count.
    if (best == nullptr) return kImpossible;
    best->taken = true;
    cost += best_cost;
    const tui::Cell& cell = row_.want[columns[best->first]];
    pen.fg = cell.fg, pen.bg = cell.bg, x = columns[best->end - 1] + 1;
    ordered_.insert(ordered_.end(), columns.begin() + best->first, columns.begin() + best->end);
  }
  return cost;
}

}  // namespace tty
