// Shifts: a row's picture moved sideways on the terminal with delete and insert, where that is
// cheaper than drawing its cells again.

#include <algorithm>

#include "tty/render/renderer.hpp"
#include "tty/render/symbols.hpp"
#include "tui/utf8.hpp"

namespace tty {

namespace {

// Moves of a row's picture by up to this many columns are tried as a shift.
constexpr int kLongestShift = 6;
constexpr int kShortestShiftedStretch = 6;
// A shift that spares fewer cells than this cannot pay for its own sequences.
constexpr std::size_t kLeastShiftSaving = 2;
// Drawing a stretch of adjacent cells of one pen costs, besides their symbols, about a short
// move to it and a share of a colour change.
constexpr int kStretchCost = 4;
// A shift moves the cursor twice: to the end of the stretch to delete, back to its start to
// insert; each about a column address.
constexpr int kShiftMovesCost = 2 * 4;

}  // namespace

bool Renderer::plan_shift(std::span<const int> columns) {
  const int lo = columns.front();
  const int hi = columns.back();
  const int shift = choose_shift(lo, hi, columns.size());
  if (shift == 0) return false;
  shifted_.clear();
  for (int x = lo; x <= hi; ++x) {
    if (row_.want[x] != shifted_cell(x, lo, shift)) shifted_.push_back(x);
  }
  const int shift_cost = kShiftMovesCost + 2 * counted_cost(shift);
  if (rough_drawing_cost(shifted_) + shift_cost >= rough_drawing_cost(columns)) return false;
  shifts_.push_back({row_.y, lo, hi, shift});
  add_strokes(shifted_);
  return true;
}

int Renderer::choose_shift(int lo, int hi, std::size_t differing) const {
  // Only a stretch moved to the right can be shifted without disturbing the rest of the row:
  // deleting at its right end and inserting at its left end leaves everything beyond in place.
  if (!strings_.insert_characters || !strings_.delete_characters || strings_.eager_wrap ||
      hi - lo < kShortestShiftedStretch) {
    return 0;
  }
  int best = 0;
  // A shift must leave clearly less to draw to be worth trying.
  std::size_t best_differing = differing - std::min(differing, kLeastShiftSaving);
  for (int shift = 1; shift <= kLongestShift && hi - shift >= lo; ++shift) {
    std::size_t remaining = 0;
    for (int x = lo; x <= hi && remaining < best_differing; ++x) {
      if (row_.want[x] != shifted_cell(x, lo, shift)) ++remaining;
    }
    if (remaining < best_differing) best = shift, best_differing = remaining;
  }
  if (best == 0) return 0;
  // Deleting and inserting move every cell up to the terminal's right edge.
  for (int x = lo; x < width_; ++x) {
    if (!surely_narrow(displayable(row_.shown[x].symbol))) return 0;
  }
  return best;
}

tui::Cell Renderer::shifted_cell(int x, int lo, int shift) const {
  return x < lo + shift ? tui::Cell{} : row_.shown[x - shift];
}

int Renderer::rough_drawing_cost(std::span<const int> columns) const {
  int cost = 0;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const tui::Cell& cell = row_.want[columns[i]];
    cost += static_cast<int>(tui::utf8_length(displayable(cell.symbol)));
    const tui::Cell* before =
        i > 0 && columns[i - 1] + 1 == columns[i] ? &row_.want[columns[i - 1]] : nullptr;
    if (before == nullptr || before->fg != cell.fg || before->bg != cell.bg) cost += kStretchCost;
  }
  return cost;
}

void Renderer::apply_shifts(const tui::Buffer& shown, std::string& out) {
  // Deleting at the stretch's right end and then inserting at its left end leaves the rest of
  // the row in place. The cells that deleting pulls in at the row's end and the inserted ones
  // take the selected background on most terminals, so both are done in the default colours.
  // Until all are done, the cells left to draw are those of the frame's changes: the moves
  // between the rows write over no cell that a shift then moves.
  shifting_ = true;
  for (const Shift& planned : shifts_) {
    enter_row(planned.y, &shown);
    move_to(planned.hi - planned.shift + 1, out);
    select_colors(tui::Color::Reset, tui::Color::Reset, out);
    append_counted(Counted::DeleteCharacters, planned.shift, out);
  }
  for (const Shift& planned : shifts_) {
    enter_row(planned.y, &shown);
    move_to(planned.lo, out);
    append_counted(Counted::InsertCharacters, planned.shift, out);
  }
  shifting_ = false;
  for (const Shift& planned : shifts_) {
    enter_row(planned.y, &shown);
    for (int x = planned.lo; x <= planned.hi; ++x) {
      to_draw_[cell_index(x)] = row_.want[x] != shifted_cell(x, planned.lo, planned.shift);
    }
  }
}

}  // namespace tty
