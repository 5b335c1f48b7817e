// The route: the cells still to draw gathered into patches of one pen, and the order in which
// the patches are drawn.
//
// Drawing a patch costs the same in any order; what the order changes is what it costs to go
// from one patch to the next: a colour change, unless both have the same pen, and a move from
// where the one ends to where the other starts. The route is the nearest patch first, each
// time, then improved by moving single patches to where they cost less.

#include <algorithm>

#include "tty/render/renderer.hpp"

namespace tty {

namespace {

// Rounds of moving single patches; on the animation's frames more find nothing.
constexpr int kMostImprovements = 4;

/// Bytes of ESC [ row ; column H.
int address_cost(int x, int y) {
  return 4 + digits(y + 1) + digits(x + 1);
}

}  // namespace

void Renderer::make_patches() {
  std::sort(strokes_.begin(), strokes_.end());
  patches_.clear();
  for (std::uint32_t first = 0; first < strokes_.size();) {
    std::uint32_t end = first + 1;
    // The same pen, on the same row or the next.
    while (end < strokes_.size() && stroke_pen(strokes_[end]) == stroke_pen(strokes_[first]) &&
           stroke_row(strokes_[end]) - stroke_row(strokes_[end - 1]) <= 1) {
      ++end;
    }
    const tui::Cell& cell = wanted_->at(static_cast<std::uint16_t>(stroke_column(strokes_[first])),
                                        static_cast<std::uint16_t>(stroke_row(strokes_[first])));
    patches_.push_back({cell.fg, cell.bg, first, end});
    first = end;
  }
}

void Renderer::plan_route() {
  const std::size_t count = patches_.size();
  route_.clear();
  if (count > kMostRoutedPatches) {
    for (std::uint32_t patch = 0; patch < count; ++patch) route_.push_back(patch);
    return;
  }
  estimate_route_costs();
  // `count` stands for the frame's start (and for its end); bit i of `taken`: patch i is routed.
  static_assert(kMostRoutedPatches <= 64, "a bit of `taken` for each patch");
  std::uint64_t taken = 0;
  for (std::size_t from = count; route_.size() < count;) {
    std::size_t next = count;
    for (std::size_t patch = 0; patch < count; ++patch) {
      if ((taken >> patch & 1) != 0) continue;
      if (next == count || route_cost(from, patch) < route_cost(from, next)) next = patch;
    }
    taken |= std::uint64_t{1} << next;
    route_.push_back(static_cast<std::uint32_t>(next));
    from = next;
  }
  for (int round = 0; round < kMostImprovements && improve_route(); ++round) {
  }
}

void Renderer::estimate_route_costs() {
  const std::size_t count = patches_.size();
  const std::size_t side = count + 1;
  route_costs_.assign(side * side, 0);
  for (std::size_t from = 0; from <= count; ++from) {
    Pen pen = pen_;
    Cursor at = cursor_;
    if (from < count) {
      const Patch& patch = patches_[from];
      pen = {true, patch.fg, patch.bg};
      // After its last cell, or pending at the right edge.
      const Stroke last = strokes_[patch.end - 1];
      const int x = stroke_column(last) + 1;
      at = {x == width_ ? -1 : x, stroke_row(last)};
    }
    for (std::size_t to = 0; to < count; ++to) {
      const Patch& patch = patches_[to];
      const Stroke first = strokes_[patch.first];
      route_costs_[from * side + to] = color_change(pen, patch.fg, patch.bg).cost +
                                       rough_motion(at, stroke_column(first), stroke_row(first));
    }
    // The frame ends in the default colours.
    if (from < count) {
      route_costs_[from * side + count] =
          color_change(pen, tui::Color::Reset, tui::Color::Reset).cost;
    }
  }
}

int Renderer::rough_motion(Cursor from, int x, int y) const {
  if (from == Cursor{x, y}) return 0;
  const int address = address_cost(x, y);
  if (from.y < 0 || from.x < 0) return address;
  const int down = y - from.y;
  int vertical = 0;
  if (down > 0) vertical = std::min(down, counted_cost(down));
  if (down < 0) vertical = counted_cost(-down);
  const int right = x - from.x;
  int horizontal = 0;
  if (right > 0) horizontal = counted_cost(right);
  if (right < 0) horizontal = std::min(-right, counted_cost(-right));
  return std::min(address, vertical + std::min(horizontal, counted_cost(x + 1)));
}

bool Renderer::improve_route() {
  const std::size_t count = route_.size();
  // The frame's start before the first patch and its end after the last.
  auto at = [&](std::size_t position) { return position < count ? route_[position] : count; };
  bool improved = false;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t patch = route_[i];
    const std::size_t before = i == 0 ? count : route_[i - 1];
    const std::size_t after = at(i + 1);
    const int saved =
        route_cost(before, patch) + route_cost(patch, after) - route_cost(before, after);
    // The cheapest place elsewhere: between the patches at k - 1 and k.
    int best = 0;
    std::size_t best_place = i;
    for (std::size_t k = 0; k <= count; ++k) {
      if (k == i || k == i + 1) continue;
      const std::size_t a = k == 0 ? count : route_[k - 1];
      const std::size_t b = at(k);
      const int change = route_cost(a, patch) + route_cost(patch, b) - route_cost(a, b) - saved;
      if (change < best) best = change, best_place = k;
    }
    if (best_place == i) continue;
    const auto position = route_.begin() + static_cast<std::ptrdiff_t>(i);
    const auto place = route_.begin() + static_cast<std::ptrdiff_t>(best_place);
    if (best_place > i) {
      std::rotate(position, position + 1, place);
    } else {
      std::rotate(place, position, position + 1);
    }
    improved = true;
  }
  return improved;
}

}  // namespace tty
