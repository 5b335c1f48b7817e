// Colours: the shortest change between two pairs, and drawing stretches of one pair together.

#include <algorithm>

#include "tty/renderer.hpp"
#include "tty/renderer_sequences.hpp"

namespace tty {

using namespace sequences;

int Renderer::color_cost(tui::Color from_fg, tui::Color from_bg, tui::Color fg,
                         tui::Color bg) const {
  if (fg == from_fg && bg == from_bg) return 0;
  auto parameter_length = [](tui::Color color, const std::array<ColorSelect, 256>& table) {
    return color.is_reset() ? 2 : static_cast<int>(table[color.index()].length);
  };
  int changing = -1;
  if (fg != from_fg) changing += 1 + parameter_length(fg, strings_.foreground);
  if (bg != from_bg) changing += 1 + parameter_length(bg, strings_.background);
  int restarting = fg.is_reset() && bg.is_reset() ? 0 : 1;
  if (!fg.is_reset()) restarting += 1 + parameter_length(fg, strings_.foreground);
  if (!bg.is_reset()) restarting += 1 + parameter_length(bg, strings_.background);
  return 3 + std::min(changing, restarting);
}

std::span<const std::uint32_t> Renderer::order_row(const tui::Buffer& screen,
                                                   std::span<const std::uint32_t> row) {
  if (row.size() < 3 || !colors_known_) return row;
  const int width = screen.area().width;
  const auto cells = screen.cells();
  // Stretches of adjacent cells in the same colours, left to right.
  segments_.clear();
  for (std::size_t i = 0; i < row.size();) {
    std::size_t end = i + 1;
    while (end < row.size() && row[end] == row[end - 1] + 1 &&
           cells[row[end]].fg == cells[row[i]].fg && cells[row[end]].bg == cells[row[i]].bg) {
      ++end;
    }
    segments_.push_back({static_cast<std::uint32_t>(i), static_cast<std::uint32_t>(end), false});
    i = end;
  }
  if (segments_.size() < 3) return row;
  // A rough motion cost; the real one is planned when the cells are drawn.
  auto motion = [](int from, int to) {
    if (from == to) return 0;
    if (from < 0) return 3 + digits(to + 1);
    return std::min(csi_cost(to > from ? to - from : from - to), 3 + digits(to + 1));
  };
  auto start_of = [&](const Segment& segment) {
    return static_cast<int>(row[segment.first] % width);
  };
  auto end_of = [&](const Segment& segment) {
    return static_cast<int>(row[segment.end - 1] % width) + 1;
  };
  // Left to right, as it comes.
  int in_order = 0;
  {
    tui::Color fg = fg_, bg = bg_;
    int x = cursor_x_;
    for (const Segment& segment : segments_) {
      const tui::Cell& cell = cells[row[segment.first]];
      in_order += motion(x, start_of(segment)) + color_cost(fg, bg, cell.fg, cell.bg);
      fg = cell.fg, bg = cell.bg, x = end_of(segment);
    }
  }
  // Greedily the cheapest next stretch, which gathers stretches of the same colours.
  int greedy = 0;
  ordered_.clear();
  {
    tui::Color fg = fg_, bg = bg_;
    int x = cursor_x_;
    for (std::size_t taken = 0; taken < segments_.size(); ++taken) {
      Segment* best = nullptr;
      int best_cost = kImpossible;
      for (Segment& segment : segments_) {
        if (segment.taken) continue;
        const tui::Cell& cell = cells[row[segment.first]];
        const int cost = motion(x, start_of(segment)) + color_cost(fg, bg, cell.fg, cell.bg);
        if (best == nullptr || cost < best_cost) best = &segment, best_cost = cost;
      }
      // Each round leaves an untaken stretch, so this only guards against a broken count.
      if (best == nullptr) return row;
      best->taken = true;
      greedy += best_cost;
      const tui::Cell& cell = cells[row[best->first]];
      fg = cell.fg, bg = cell.bg, x = end_of(*best);
      ordered_.insert(ordered_.end(), row.begin() + best->first, row.begin() + best->end);
    }
  }
  if (greedy >= in_order) return row;
  return ordered_;
}

void Renderer::select_colors(tui::Color fg, tui::Color bg, std::string& out) {
  if (colors_known_ && fg == fg_ && bg == bg_) return;
  auto parameter_length = [](tui::Color color, const std::array<ColorSelect, 256>& table) {
    return color.is_reset() ? 2 : static_cast<int>(table[color.index()].length);
  };
  // Two spellings: change only what differs (39 or 49 for a default), or start over from the
  // reset "0" and add the colours that are not default. With unknown colours only the second
  // is sure to leave nothing behind.
  int changing = -1;
  if (fg != fg_) changing += 1 + parameter_length(fg, strings_.foreground);
  if (bg != bg_) changing += 1 + parameter_length(bg, strings_.background);
  int restarting = 1;
  if (!fg.is_reset()) restarting += 1 + parameter_length(fg, strings_.foreground);
  if (!bg.is_reset()) restarting += 1 + parameter_length(bg, strings_.background);
  const bool restart = !colors_known_ || restarting <= changing;

  // Plain parameters share one ESC[...m; a description's own spelling goes on its own.
  bool open = false;
  auto parameter = [&](std::string_view text) {
    out += open ? ";" : "\x1b[";
    open = true;
    out += text;
  };
  auto add = [&](tui::Color color, const std::array<ColorSelect, 256>& table,
                 std::string_view reset) {
    if (color.is_reset()) return parameter(reset);
    const ColorSelect& select = table[color.index()];
    if (!select.whole_sequence) return parameter(select.view());
    if (open) out += 'm', open = false;
    out += select.view();
  };
  if (restart && fg.is_reset() && bg.is_reset()) {
    out += "\x1b[m";
  } else if (restart) {
    parameter("0");
    if (!fg.is_reset()) add(fg, strings_.foreground, {});
    if (!bg.is_reset()) add(bg, strings_.background, {});
  } else {
    if (fg != fg_) add(fg, strings_.foreground, "39");
    if (bg != bg_) add(bg, strings_.background, "49");
  }
  if (open) out += 'm';
  colors_known_ = true;
  fg_ = fg;
  bg_ = bg;
}

}  // namespace tty
