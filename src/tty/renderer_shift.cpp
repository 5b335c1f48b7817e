// Shifting a row's picture sideways (delete and insert characters) instead of redrawing it.

#include <algorithm>

#include "tty/renderer.hpp"
#include "tty/renderer_sequences.hpp"

namespace tty {

using namespace sequences;

int Renderer::choose_shift(const tui::Buffer& screen, int y, int lo, int hi,
                           std::size_t differing) const {
  // Only a stretch moved to the right can be shifted without disturbing the rest of the row:
  // deleting at its right end and inserting at its left end leaves everything beyond in place.
  if (!strings_.insert_characters || !strings_.delete_characters || strings_.eager_wrap ||
      hi - lo < kShortestShiftedStretch) {
    return 0;
  }
  const int width = screen.area().width;
  const auto row = static_cast<std::uint16_t>(y);
  const tui::Cell blank{};
  int best = 0;
  // A shift must leave clearly less to draw to be worth trying.
  std::size_t best_differing = differing - std::min(differing, kLeastShiftSaving);
  for (int shift = 1; shift <= kLongestShift && hi - shift >= lo; ++shift) {
    std::size_t remaining = 0;
    for (int x = lo; x <= hi && remaining < best_differing; ++x) {
      const tui::Cell& moved =
          x < lo + shift ? blank : shown_.at(static_cast<std::uint16_t>(x - shift), row);
      if (screen.at(static_cast<std::uint16_t>(x), row) != moved) ++remaining;
    }
    if (remaining < best_differing) best = shift, best_differing = remaining;
  }
  if (best == 0) return 0;
  for (int x = lo; x < width; ++x) {
    if (!surely_narrow(displayable(shown_.at(static_cast<std::uint16_t>(x), row).symbol))) {
      return 0;
    }
  }
  return best;
}

void Renderer::apply_shift(const tui::Buffer& screen, int y, int lo, int hi, int shift,
                           std::string& out) {
  const auto row = static_cast<std::uint16_t>(y);
  move_to(screen, hi - shift + 1, y, out);
  // The cells that deleting pulls in at the row's end and the inserted ones take the selected
  // background on most terminals, so both are done in the default colours.
  select_colors(tui::Color::Reset, tui::Color::Reset, out);
  append_csi(shift, 'P', out);
  move_to(screen, lo, y, out);
  append_csi(shift, '@', out);
  for (int x = hi; x >= lo; --x) {
    tui::Cell& cell = shown_.at(static_cast<std::uint16_t>(x), row);
    cell = x < lo + shift ? tui::Cell{} : shown_.at(static_cast<std::uint16_t>(x - shift), row);
  }
}

}  // namespace tty
