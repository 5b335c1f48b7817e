// Shifting a row's picture sideways (delete and insert characters) instead of redrawing it.

#include <algorithm>

#include "tty/renderer.hpp"
#include "tty/renderer_rules.hpp"

namespace tty {

using namespace rules;

int Renderer::choose_shift(int lo, int hi, std::size_t differing) const {
  // Only a stretch moved to the right can be shifted without disturbing the rest of the row:
  // deleting at its right end and inserting at its left end leaves everything beyond in place.
  if (!strings_.insert_characters || !strings_.delete_characters || strings_.eager_wrap ||
      hi - lo < kShortestShiftedStretch) {
    return 0;
  }
  const tui::Cell blank{};
  int best = 0;
  // A shift must leave clearly less to draw to be worth trying.
  std::size_t best_differing = differing - std::min(differing, kLeastShiftSaving);
  for (int shift = 1; shift <= kLongestShift && hi - shift >= lo; ++shift) {
    std::size_t remaining = 0;
    for (int x = lo; x <= hi && remaining < best_differing; ++x) {
      const tui::Cell& moved = x < lo + shift ? blank : have_[x - shift];
      if (want_[x] != moved) ++remaining;
    }
    if (remaining < best_differing) best = shift, best_differing = remaining;
  }
  if (best == 0) return 0;
  for (int x = lo; x < width_; ++x) {
    if (!surely_narrow(displayable(have_[x].symbol))) return 0;
  }
  return best;
}

void Renderer::apply_shift(int lo, int hi, int shift, std::string& out) {
  move_to(hi - shift + 1, out);
  // The cells that deleting pulls in at the row's end and the inserted ones take the selected
  // background on most terminals, so both are done in the default colours.
  select_colors(tui::Color::Reset, tui::Color::Reset, out);
  append_counted(Counted::DeleteCharacters, shift, out);
  move_to(lo, out);
  append_counted(Counted::InsertCharacters, shift, out);
  for (int x = hi; x >= lo; --x) have_[x] = x < lo + shift ? tui::Cell{} : have_[x - shift];
}

}  // namespace tty
