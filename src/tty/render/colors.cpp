// Colours: the cheapest change between two pairs, and the order in which the pairs are drawn.

#include <algorithm>

#include "tty/render/renderer.hpp"

namespace tty {

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

void Renderer::group_by_pen() {
  std::sort(strokes_.begin(), strokes_.end());
  groups_.clear();
  for (std::uint32_t first = 0; first < strokes_.size();) {
    const std::uint32_t pen = stroke_pen(strokes_[first]);
    std::uint32_t end = first + 1;
    while (end < strokes_.size() && stroke_pen(strokes_[end]) == pen) ++end;
    const int x = stroke_column(strokes_[first]);
    const tui::Cell& cell = wanted_->at(static_cast<std::uint16_t>(x),
                                        static_cast<std::uint16_t>(stroke_row(strokes_[first])));
    groups_.push_back({cell.fg, cell.bg, first, end, false});
    first = end;
  }
}

Renderer::PenGroup* Renderer::next_group() {
  PenGroup* best = nullptr;
  int best_cost = kImpossible;
  for (PenGroup& group : groups_) {
    if (group.drawn) continue;
    const std::uint64_t first = strokes_[group.first];
    const int cost = color_change(pen_, group.fg, group.bg).cost +
                     rough_motion(cursor_, stroke_column(first), stroke_row(first));
    if (cost < best_cost) best = &group, best_cost = cost;
  }
  if (best != nullptr) best->drawn = true;
  return best;
}

}  // namespace tty
