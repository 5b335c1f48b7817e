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
// The cursor's moves to a shift's deletion and to its insertion: about four bytes each on
// average, mostly a line feed and now and then a longer move between the rows.
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
  // Shifting cells onto equal ones changes nothing: the deletion may also be made further right
  // where the row repeats itself `shift` columns on, and the insertion further left over blank
  // cells, wherever the cursor reaches them cheapest.
  int delete_last = hi - shift + 1;
  while (delete_last + shift < width_ &&
         row_.shown[delete_last + shift] == row_.shown[delete_last]) {
    ++delete_last;
  }
  int insert_first = lo;
  while (insert_first > 0 && row_.shown[insert_first - 1].is_blank()) --insert_first;
  shifts_.push_back({row_.y, lo, hi, shift, hi - shift + 1, delete_last, insert_first});
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
  if (shifts_.empty()) return;
  // Deleting at the stretch's right end and then inserting at its left end leaves the rest of
  // the row in place: the cells that deleting pulls in at the terminal's edge are pushed out
  // again. The inserted cells take the selected background on most terminals, hence the
  // default colours. Until all are done, the cells left to draw are those of the frame's
  // changes: the moves between the rows write over no cell that a shift then moves.
  shifting_ = true;
  for_each_shift_column(shown, true, [&](const Shift& planned, int x) {
    move_to(x, out);
    append_counted(Counted::DeleteCharacters, planned.shift, out);
  });
  select_colors(tui::Color::Reset, tui::Color::Reset, out);
  for_each_shift_column(shown, false, [&](const Shift& planned, int x) {
    move_to(x, out);
    append_counted(Counted::InsertCharacters, planned.shift, out);
  });
  shifting_ = false;
  for (const Shift& planned : shifts_) {
    enter_row(planned.y, &shown);
    for (int x = planned.lo; x <= planned.hi; ++x) {
      to_draw_[cell_index(x)] = row_.want[x] != shifted_cell(x, planned.lo, planned.shift);
    }
  }
}

template <typename Apply>
void Renderer::for_each_shift_column(const tui::Buffer& shown, bool deleting, Apply apply) {
  auto columns = [deleting](const Shift& planned) {
    return deleting ? std::pair{planned.delete_first, planned.delete_last}
                    : std::pair{planned.insert_first, planned.lo};
  };
  // Rows in turn, each run of rows whose ranges share a column at that column, the one nearest
  // the cursor: from row to row the cursor then only moves down.
  for (std::size_t first = 0; first < shifts_.size();) {
    auto [low, high] = columns(shifts_[first]);
    std::size_t end = first + 1;
    for (; end < shifts_.size(); ++end) {
      const auto [next_low, next_high] = columns(shifts_[end]);
      if (std::max(low, next_low) > std::min(high, next_high)) break;
      low = std::max(low, next_low), high = std::min(high, next_high);
    }
    const int x = cursor_.x < 0 ? low : std::clamp(cursor_.x, low, high);
    for (; first < end; ++first) {
      enter_row(shifts_[first].y, &shown);
      apply(shifts_[first], x);
    }
  }
}

}  // namespace tty
