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
#include "tui/buffer.hpp"
#include "tui/rect.hpp"

namespace tty {

/// Turns a frame into control sequences, appending to a caller's buffer. It reaches each cell by
/// the cheapest motion, changes colours the cheapest way, shifts a row's picture sideways where
/// that is shorter, and draws; every cell it draws ends up with the cell's symbol and both its
/// colours. It keeps only what the terminal's cursor and pen (its selected colours) are known to
/// be and the row it is drawing: what the screen shows is the caller's. Nothing is allocated
/// once the output buffer has grown to a frame's size.
class Renderer {
 public:
  explicit Renderer(ControlStrings strings) : strings_(std::move(strings)) {}

  /// The terminal's size from now on. It shows only the top-left cells of a larger frame: the
  /// others are never sent, and its right and bottom edges are those of the drawing, so nothing
  /// wraps or scrolls. A larger window leaves the screen beyond the frame as it is. Unlimited
  /// until set.
  void set_window(tui::Size window) { window_ = window; }
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
  /// The row being drawn: what it is to show and what the terminal shows there, both as far as
  /// the drawn width reaches, the columns still to draw and one past its last non-blank cell
  /// (-1: not yet known).
  struct Row {
    int y = 0;
    std::span<const tui::Cell> want;
    std::vector<tui::Cell> have;
    std::vector<int> pending;
    int end = -1;
  };
  /// The cheapest change of colours and its cost in bytes.
  struct ColorChange {
    int cost = 0;
    bool restart = false;
  };
  /// A stretch [first, end) of a row's positions in the same colours.
  struct Segment {
    std::uint32_t first;
    std::uint32_t end;
    bool taken;
  };
  enum class Horizontal : std::uint8_t { None, Forward, Backward, Backspaces, Column, Overwrite };
  static constexpr int kImpossible = INT_MAX / 4;

  // What the terminal is known to be in, each changed here only.
  void record_cursor(Cursor cursor) { cursor_ = cursor; }
  void record_pen(Pen pen) { pen_ = pen; }

  // The frame, row by row (renderer.cpp).
  /// Takes the drawn size, min(frame, window), and makes room for its rows.
  void start_frame(const tui::Buffer& wanted);
  /// Makes row y the one being drawn, as `shown` has it (nothing: blank), no columns pending.
  void start_row(const tui::Buffer& wanted, const tui::Buffer* shown, int y);
  /// Draws the pending columns as they are and after shifting them `shift` columns to the
  /// right, and keeps the shorter output.
  void draw_shorter_of_both(int shift, std::string& out);

  // Cells of the row (renderer.cpp).
  /// Draws the row's cells at `columns` (all differing from the terminal) in that order.
  void draw_cells(std::span<const int> columns, std::string& out);
  /// Blank cells from columns[i] on: erased where that is shorter than writing spaces. Returns
  /// the index of the last column covered.
  std::size_t draw_blanks(std::span<const int> columns, std::size_t i, std::string& out);
  void write_cell(int x, std::string& out);
  /// One past the last non-blank cell of the row.
  int row_end();

  // Shifts (renderer.cpp).
  /// How far the stretch lo..hi of the row seems to have moved to the right (0: not at all, or
  /// it cannot be shifted), `differing` being the cells that must be drawn without a shift.
  int choose_shift(int lo, int hi, std::size_t differing) const;
  /// Shifts the stretch lo..hi of the row `shift` columns to the right, on the terminal and in
  /// the row's `have`.
  void apply_shift(int lo, int hi, int shift, std::string& out);

  // Motion (renderer.cpp).
  void move_to(int x, std::string& out);
  /// Moves from the cursor, or from the row's start after a carriage return, into `trial_`,
  /// which replaces `motion_` when shorter.
  void try_relative_motion(bool carriage_return, int x, int y);
  /// The cheapest vertical or horizontal part of a motion; false when the terminal has none.
  bool append_vertical(int from, int to, std::string& out) const;
  bool append_horizontal(int from, int to, std::string& out);
  /// Moving right by writing the row's cells in between, into `overwrite_`; false unless they
  /// show on the terminal what they are to show, in the pen's colours.
  bool overwrite(int from, int to);

  // Colours (colors.cpp).
  ColorChange color_change(const Pen& from, tui::Color fg, tui::Color bg) const;
  /// Selects the colours of a cell, both of them, whatever its symbol: erasing and spaces leave
  /// the selected foreground in the cell too.
  void select_colors(tui::Color fg, tui::Color bg, std::string& out);
  /// The order in which to draw a row's columns: left to right, or, where that is estimated to
  /// be shorter, stretches of the same colours gathered together.
  std::span<const int> order_row(std::span<const int> columns);
  void find_segments(std::span<const int> columns);
  int cost_in_order(std::span<const int> columns) const;
  /// Takes the cheapest next stretch each time into `ordered_`; returns the estimated cost.
  int order_greedily(std::span<const int> columns);

  ControlStrings strings_;
  tui::Size window_{UINT16_MAX, UINT16_MAX};
  // The drawn size: the frame's, cut to the window.
  int width_ = 0;
  int height_ = 0;
  Cursor cursor_;
  Pen pen_;
  std::optional<bool> cursor_visible_;
  Row row_;
  // Kept between frames, so that steady frames allocate nothing.
  std::vector<int> shifted_;
  std::vector<int> ordered_;
  std::vector<Segment> segments_;
  std::string scratch_;
  std::string motion_;
  std::string trial_;
  std::string overwrite_;
};

}  // namespace tty
