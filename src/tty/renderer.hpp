#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "tty/control_strings.hpp"
#include "tui/buffer.hpp"

namespace tty {

/// Turns a frame into control sequences, appending to a caller's buffer. It reaches each cell by
/// the cheapest motion, changes colours the cheapest way, repeats and shifts where that is
/// shorter, and draws; every cell it draws ends up with the cell's symbol and both its colours.
/// It keeps only what the terminal's cursor and colours are known to be and the row it is
/// drawing: what the screen shows is the caller's. Nothing is allocated once the output buffer
/// has grown to a frame's size.
class Renderer {
 public:
  explicit Renderer(ControlStrings strings) : strings_(std::move(strings)) {}

  /// Hides the cursor and erases the screen, the start of a full repaint. It assumes nothing
  /// about the cursor and colours before (output may not have arrived whole).
  void clear_screen(std::string& out);
  /// Shows or hides the cursor unless it is known to be so already.
  void set_cursor_visible(bool visible, std::string& out);
  /// From now on the terminal shows only the top-left `window` of each frame: nothing beyond it
  /// is sent, and its edges are where rows end. A larger window changes nothing.
  void set_window(tui::Size window) { window_ = window; }
  /// Draws every cell of `wanted` that is not blank onto a blank screen. `wanted` must cover
  /// (0, 0, width, height) of the terminal.
  void draw_all(const tui::Buffer& wanted, std::string& out);
  /// Brings the terminal from showing `shown` to showing `wanted` (both as in `draw_all`), given
  /// every cell where they differ in row-major order.
  void draw_changes(const tui::Buffer& wanted, const tui::Buffer& shown,
                    std::span<const tui::CellUpdate> changes, std::string& out);
  /// Selects the default colours if they are not selected, so that nothing coloured is left
  /// behind should the process stop before the next frame.
  void reset_colors(std::string& out);

 private:
  /// What the terminal's cursor and colours are known to be. -1: unknown. A known row with an
  /// unknown column is the pending-wrap state after writing the last column.
  struct State {
    int cursor_x = -1;
    int cursor_y = -1;
    bool colors_known = false;
    tui::Color fg;
    tui::Color bg;
  };
  enum class Horizontal : std::uint8_t { None, Forward, Backward, Backspaces, Column, Overwrite };
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

  // The frame, row by row (renderer.cpp).
  void start_frame(const tui::Buffer& wanted);
  /// Makes row y the one being drawn, as `shown` has it (nothing: blank), no columns pending.
  void start_row(const tui::Buffer& wanted, const tui::Buffer* shown, int y);
  /// Draws the pending columns as they are and after shifting them `shift` columns to the
  /// right, and keeps the shorter output.
  void draw_shorter_of_both(int shift, std::string& out);

  // Cells of the row (renderer_cells.cpp).
  /// Draws the row's cells at `columns` (all differing from the terminal) in that order.
  void draw_cells(std::span<const int> columns, std::string& out);
  /// Blank cells from columns[i] on: erased where that is shorter than writing spaces. Returns
  /// the index of the last column covered.
  std::size_t draw_blanks(std::span<const int> columns, std::size_t i, std::string& out);
  void write_cell(int x, std::string& out);
  /// After the cell at columns[i] was written: repeats it over the identical cells that follow
  /// where that is shorter than writing them. Returns the index of the last column covered.
  std::size_t repeat_cell(std::span<const int> columns, std::size_t i, std::string& out);
  /// One past the last non-blank cell of the row.
  int row_end();

  // Colours (renderer_colors.cpp).
  ColorChange color_change(const State& from, tui::Color fg, tui::Color bg) const;
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

  // Motion (renderer_motion.cpp).
  void move_to(int x, std::string& out);
  /// Moves from the cursor, or from the row's start after a carriage return, into `trial_`,
  /// which replaces `motion_` when shorter.
  void try_relative_motion(bool carriage_return, int x, int y);
  /// The cheapest vertical or horizontal part of a motion; false when the terminal has none.
  bool append_vertical(int from, int to, std::string& out) const;
  bool append_horizontal(int from, int to, std::string& out) const;
  /// Moving right by writing the row's cells in between, which must show on the terminal what
  /// they are to show, in the selected colours.
  int overwrite_cost(int from, int to) const;

  // Shifts (renderer_shift.cpp).
  /// How far the stretch lo..hi of the row seems to have moved to the right (0: not at all, or
  /// it cannot be shifted), `differing` being the cells that must be drawn without a shift.
  int choose_shift(int lo, int hi, std::size_t differing) const;
  /// Shifts the stretch lo..hi of the row `shift` columns to the right, on the terminal and in
  /// `have_`.
  void apply_shift(int lo, int hi, int shift, std::string& out);

  ControlStrings strings_;
  State known_;
  int cursor_visible_ = -1;  // -1 unknown, 0 hidden, 1 visible
  tui::Size window_{UINT16_MAX, UINT16_MAX};
  // The frame's width, and the part of it the terminal shows.
  int stride_ = 0;
  int width_ = 0;
  int height_ = 0;
  // The row being drawn: what it is to show, what the terminal shows there, its pending
  // columns and where its last non-blank cell ends (-1: not yet known).
  int row_y_ = 0;
  std::span<const tui::Cell> want_;
  std::vector<tui::Cell> have_;
  std::vector<int> pending_;
  int row_end_ = -1;
  // Kept between frames, so that steady frames allocate nothing.
  std::vector<int> shifted_;
  std::vector<int> ordered_;
  std::vector<Segment> segments_;
  std::string scratch_;
  std::string motion_;
  std::string trial_;
};

}  // namespace tty
