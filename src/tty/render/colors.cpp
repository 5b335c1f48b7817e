// Colours: the cheapest change between two pairs.

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

}  // namespace tty
