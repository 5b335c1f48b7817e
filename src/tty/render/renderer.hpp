// The renderer: a frame's changed cells turned into the shortest control sequences it finds.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "tty/terminfo/control_strings.hpp"
#include "tui/backend.hpp"
#include "tui/buffer.hpp"
#include "tui/rect.hpp"

namespace tty {

/// Turns a frame into control sequences, appending to a caller's buffer. Every cell it draws
/// ends up with the cell's symbol and both its colours. A colour change costs many bytes (often
/// a dozen), a move to a nearby cell few (a line feed, a backspace), so a frame goes out pen by
/// pen rather than row by row:
///   1. Shifts. Rows whose picture has merely moved to the right are shifted with delete and
///      insert where that spares more than it costs: all the deletions top to bottom, then all
///      the insertions, so that the cursor mostly moves a row down.
///   2. Patches. The cells still to draw are gathered by pen (pair of colours) into patches,
///      each a pen's cells on consecutive rows.
///   3. Route. The patches are put in the order that costs least in colour changes and moves
///      between them, as far as a quick search finds.
///   4. Cells. Each patch is drawn top to bottom and left to right, each cell reached by the
///      cheapest motion, blanks erased where that is shorter.
/// It keeps what the terminal's cursor and pen (its selected colours) are known to be and the
/// frame it is drawing: what the screen shows is the caller's. Nothing is allocated once its
/// storage has grown to a frame's size.
class Renderer {
 public:
  explicit Renderer(ControlStrings strings) : strings_(std::move(strings)) {}

  /// The terminal's size from now on. It shows only the top-left cells of a larger frame: the
  /// others are never sent, and its right and bottom edges are those of the drawing, so nothing
  /// wraps or scrolls. A larger window leaves the screen beyond the frame as it is. Unlimited
  /// until set.
  void set_window(tui::Size window) {
    window_ = window;
    // The terminal may have moved the cursor as its window changed.
    record_cursor({});
  }
  /// Hides the cursor and erases the screen, the start of a full repaint. It assumes nothing
  /// about the cursor and colours before (output may not have arrived whole).
  void clear_screen(std::string& out);
  /// Shows or hides the cursor unless it is known to be so already.
  void set_cursor_visible(bool visible, std::string& out);
  /// Draws every cell of `wanted` that is not blank onto a blank screen. `wanted` must cover
  /// (0, 0, width, height) of the terminal.
  void draw_all(const tui::Buffer& wanted, std::string& out);
  /// Brings the terminal from showing `shown` to showing `wanted` (both as in `draw_all`), given
  /// every cell where they differ in row-major order.
  void draw_changes(const tui::Buffer& wanted, const tui::Buffer& shown,
                    std::span<const tui::CellUpdate> changes, std::string& out);
  /// Selects the default colours if they are not selected, so that nothing coloured is left
  /// behind should the process stop before the next frame.
  void reset_colors(std::string& out) { select_colors(tui::Color::Reset, tui::Color::Reset, out); }
  /// A frame as a backend sends it: whole on a cleared screen, or its changes; then the cursor
  /// as the frame wants it, and the default colours.
  void draw_frame(const tui::FrameToSend& frame, bool whole, std::string& out);

 private:
  /// Where the terminal's cursor is known to be. y < 0: unknown. A known row with x < 0 is the
  /// pending-wrap state after writing the row's last column.
  struct Cursor {
    int x = -1;
    int y = -1;
    friend bool operator==(const Cursor&, const Cursor&) = default;
  };
  /// The colours a written symbol or an erased cell takes, when known.
  struct Pen {
    bool known = false;
    tui::Color fg;
    tui::Color bg;
  };
  /// The row being drawn: what it is to show, and what the terminal showed there before the
  /// frame (empty when drawing onto a blank screen), both as far as the drawn width reaches.
  struct Row {
    int y = 0;
    std::span<const tui::Cell> want;
    std::span<const tui::Cell> shown;
  };
  /// The cheapest change of colours and its cost in bytes.
  struct ColorChange {
    int cost = 0;
    bool restart = false;
  };
  /// A stretch lo..hi of a row to be shifted `shift` columns to the right: by deleting at any
  /// column of delete_first..delete_last, then inserting at any of insert_first..lo.
  struct Shift {
    int y;
    int lo;
    int hi;
    int shift;
    int delete_first;
    int delete_last;
    int insert_first;
  };
  /// A cell still to draw, as one number that sorts by pen, then row, then column.
  using Stroke = std::uint64_t;
  /// The cells of one pen on consecutive rows still to draw: strokes [first, end), row by row.
  struct Patch {
    tui::Color fg;
    tui::Color bg;
    std::uint32_t first = 0;
    std::uint32_t end = 0;
  };
  enum class Horizontal : std::uint8_t { None, Forward, Backward, Backspaces, Column, Overwrite };
  static constexpr int kImpossible = INT_MAX / 4;
  // Beyond this many patches (scattered noise rather than pictures) they go in pen order: the
  // route's search costs the square of their number.
  static constexpr std::size_t kMostRoutedPatches = 64;
  // Colour codes: the palette's and the default.
  static constexpr std::uint64_t kColorCodes = 257;

  // What the terminal is known to be in, each changed here only.
  void record_cursor(Cursor cursor) { cursor_ = cursor; }
  void record_pen(Pen pen) { pen_ = pen; }

  // The frame (renderer.cpp).
  /// Takes the drawn size, min(frame, window), and makes room for its cells.
  void start_frame(const tui::Buffer& wanted);
  /// Makes row y the one being drawn; `shown`: what the terminal showed before the frame.
  void enter_row(int y, const tui::Buffer* shown = nullptr);
  /// Adds the row's cells at `columns` to the cells still to draw, each in its own colours.
  void add_strokes(std::span<const int> columns);
  /// Records whether the terminal shows the row's cells at `columns` as the frame wants them
  /// (false) or not yet (true).
  void set_to_draw(std::span<const int> columns, bool to_draw);
  bool still_to_draw(int x) const { return to_draw_[cell_index(x)] != 0; }
  void mark_drawn(int x) { to_draw_[cell_index(x)] = 0; }
  std::size_t cell_index(int x) const {
    return static_cast<std::size_t>(row_.y) * static_cast<std::size_t>(width_) +
           static_cast<std::size_t>(x);
  }
  /// Draws every cell still to draw, patch by patch along the route.
  void draw_strokes(std::string& out);
  void draw_patch(const Patch& patch, std::string& out);
  // A stroke holds the pen in its top half, then the row and the column in fields this wide.
  static constexpr int kFieldBits = 16;
  static constexpr std::uint64_t kFieldMask = (std::uint64_t{1} << kFieldBits) - 1;
  static Stroke stroke(const tui::Cell& cell, int x, int y) {
    const std::uint64_t pen = std::uint64_t{cell.fg.code()} * kColorCodes + cell.bg.code();
    return (pen << kFieldBits | static_cast<std::uint64_t>(y)) << kFieldBits |
           static_cast<std::uint64_t>(x);
  }
  static std::uint32_t stroke_pen(Stroke s) {
    return static_cast<std::uint32_t>(s >> (2 * kFieldBits));
  }
  static int stroke_row(Stroke s) { return static_cast<int>(s >> kFieldBits & kFieldMask); }
  static int stroke_column(Stroke s) { return static_cast<int>(s & kFieldMask); }

  // Shifts (shifts.cpp).
  /// Plans to shift the changed stretch of the row sideways where its picture has merely moved
  /// and that costs less than drawing the cells it spares; the cells still differing after it
  /// are added as strokes. False where the row is not to be shifted.
  bool plan_shift(std::span<const int> columns);
  /// How far the stretch lo..hi of the row seems to have moved to the right (0: not at all, or
  /// it cannot be shifted), `differing` being the cells that must be drawn without a shift.
  int choose_shift(int lo, int hi, std::size_t differing) const;
  /// What the terminal shows at column x after shifting lo..hi `shift` columns to the right.
  tui::Cell shifted_cell(int x, int lo, int shift) const;
  /// A rough cost in bytes of drawing the row's cells at `columns`.
  int rough_drawing_cost(std::span<const int> columns) const;
  /// Sends the planned shifts, then records which cells of the shifted rows still differ.
  void apply_shifts(const tui::Buffer& shown, std::string& out);
  /// Calls apply(shift, column) for each planned shift, in row order, with the column of its
  /// deletion or of its insertion: for each run of rows whose ranges share columns, the shared
  /// column nearest the cursor, so that the cursor then only moves down.
  template <typename Apply>
  void for_each_shift_column(const tui::Buffer& shown, bool deleting, Apply apply);

  // The route (route.cpp).
  /// Sorts the strokes by pen, row and column, and makes the patches.
  void make_patches();
  /// Puts the patches in order into `route_`.
  void plan_route();
  /// Fills `route_costs_` with the cost of going from the end of each patch to the start of
  /// each other, and from the frame's start and to its end.
  void estimate_route_costs();
  int route_cost(std::size_t from, std::size_t to) const {
    return route_costs_[from * (patches_.size() + 1) + to];
  }
  /// Moves single patches of the route to where they cost less; false when none does.
  bool improve_route();
  /// A rough cost in bytes of moving the cursor from `from` to (x, y).
  int rough_motion(Cursor from, int x, int y) const;

  // Cells of a row (cells.cpp).
  /// Draws the row's cells at `columns` (all differing from the terminal) in that order.
  void draw_cells(std::span<const int> columns, std::string& out);
  /// Blank cells from columns[i] on: erased where that is shorter than writing spaces. Returns
  /// the index of the last column covered.
  std::size_t draw_blanks(std::span<const int> columns, std::size_t i, std::string& out);
  void write_cell(int x, std::string& out);
  /// Writes `cell` at column x of the row, reached by the cheapest motion.
  void write_symbol(int x, const tui::Cell& cell, std::string& out);
  /// Whether writing the cell at column x of the row would scroll the whole screen up: the
  /// screen's bottom-right cell, with eager wrapping.
  bool scrolls_when_written(int x) const;
  /// Draws that cell, and its left neighbour, by inserting the neighbour before it, as curses
  /// does; where the terminal cannot insert the cell is left as it is.
  void write_last_corner(std::string& out);
  /// One past the last non-blank cell of the row.
  int row_end();

  // Motion (motion.cpp).
  void move_to(int x, std::string& out);
  /// Whether a symbol written now lands at column x of the row by the pending wrap alone.
  bool wraps_onto(int x) const;
  /// Whether the drawing's right edge is the terminal's, so that writing its last column leaves
  /// the cursor pending there.
  bool right_edge_is_window() const { return window_ && width_ == window_->width; }
  /// Moves from the cursor, or from the row's start after a carriage return, into `trial_`,
  /// which replaces `motion_` when shorter.
  void try_relative_motion(bool carriage_return, int x, int y);
  /// The cheapest vertical or horizontal part of a motion; false when the terminal has none.
  bool append_vertical(int from, int to, std::string& out) const;
  bool append_horizontal(int from, int to, std::string& out);
  /// Moving right by writing the row's cells in between, into `overwrite_`; false unless each
  /// either shows on the terminal what it is to show, in the pen's colours, or is still to draw.
  bool overwrite(int from, int to);

  // Colours (colors.cpp).
  ColorChange color_change(const Pen& from, tui::Color fg, tui::Color bg) const;
  /// Selects the colours of a cell, both of them, whatever its symbol: erasing and spaces leave
  /// the selected foreground in the cell too.
  void select_colors(tui::Color fg, tui::Color bg, std::string& out);

  ControlStrings strings_;
  std::optional<tui::Size> window_;
  // The drawn size: the frame's, cut to the window.
  int width_ = 0;
  int height_ = 0;
  Cursor cursor_;
  Pen pen_;
  std::optional<bool> cursor_visible_;
  const tui::Buffer* wanted_ = nullptr;
  Row row_;
  // The frame's cells still to draw; and by position, 1 where the terminal does not show yet
  // what the frame wants.
  std::vector<Stroke> strokes_;
  std::vector<std::uint8_t> to_draw_;
  // While shifts are sent: cells may yet move, so only cells that are right may be written over.
  bool shifting_ = false;
  std::vector<Shift> shifts_;
  std::vector<Patch> patches_;
  std::vector<std::uint32_t> route_;
  std::vector<int> route_costs_;
  // One past the last non-blank cell of each row, -1 until needed.
  std::vector<int> row_ends_;
  // Kept between frames, so that steady frames allocate nothing.
  std::vector<int> columns_;
  std::vector<int> shifted_;
  std::string motion_;
  std::string trial_;
  std::string overwrite_;
};

}  // namespace tty
