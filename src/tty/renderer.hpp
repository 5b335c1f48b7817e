#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "tty/control_strings.hpp"
#include "tui/buffer.hpp"

namespace tty {

/// Turns cells of a screen model into control sequences, appending to a caller's buffer. It
/// keeps a model of what the terminal shows, where its cursor is and which colours are
/// selected, so that it sends only cells that differ, a colour only when it changes, reaches
/// each cell by the shortest motion, and shifts a row's picture sideways where it has merely
/// moved. Every cell it draws ends up with the cell's symbol and both its colours. Nothing is
/// allocated once the output buffer has grown to a frame's size.
class Renderer {
 public:
  explicit Renderer(ControlStrings strings) : strings_(std::move(strings)) {}

  const ControlStrings& strings() const { return strings_; }

  /// The terminal's cursor, colours and contents are no longer known (after output that may
  /// not have arrived whole); the next output assumes nothing about them until the screen is
  /// cleared.
  void forget();
  /// Hides the cursor and erases the screen, the start of a full repaint.
  void clear_screen(std::string& out);
  /// Shows or hides the cursor unless it is known to be so already.
  void set_cursor_visible(bool visible, std::string& out);
  /// Brings the cells of `screen` at `positions` (indexes y * width + x, every cell changed
  /// since the last call) onto the terminal, row by row. The screen must cover
  /// (0, 0, width, height) of the terminal.
  void render(const tui::Buffer& screen, std::span<const std::uint32_t> positions,
              std::string& out);
  /// Selects the default colours if they are not selected, so that nothing coloured is left
  /// behind should the process stop before the next frame.
  void reset_colors(std::string& out);

 private:
  enum class Vertical : std::uint8_t { None, LineFeeds, Down, Up };
  enum class Horizontal : std::uint8_t { None, Forward, Backward, Backspaces, Column, Overwrite };
  /// One way of moving the cursor, and what it costs in bytes.
  struct Motion {
    bool absolute = true;
    bool carriage_return = false;
    Vertical vertical = Vertical::None;
    Horizontal horizontal = Horizontal::None;
    int cost = 0;
  };

  /// Draws the cells at `positions` (sorted, all differing from the terminal) in order.
  void draw_cells(const tui::Buffer& screen, std::span<const std::uint32_t> positions,
                  std::string& out);
  /// How far the stretch lo..hi of row y seems to have moved to the right (0: not at all, or
  /// it cannot be shifted).
  int choose_shift(const tui::Buffer& screen, int y, int lo, int hi, std::size_t differing) const;
  /// Shifts the stretch lo..hi of row y `shift` columns to the right, on the terminal and in
  /// the model of what it shows.
  void apply_shift(const tui::Buffer& screen, int y, int lo, int hi, int shift, std::string& out);
  /// What the terminal's cursor and colours are known to be, to try output both ways.
  struct State {
    int cursor_x = -1;
    int cursor_y = -1;
    bool colors_known = false;
    tui::Color fg;
    tui::Color bg;
  };
  State state() const { return {cursor_x_, cursor_y_, colors_known_, fg_, bg_}; }
  void set_state(const State& state) {
    cursor_x_ = state.cursor_x;
    cursor_y_ = state.cursor_y;
    colors_known_ = state.colors_known;
    fg_ = state.fg;
    bg_ = state.bg;
    cached_row_ = -1;
  }
  /// The order in which to draw a row's cells: left to right, or, where that is estimated to
  /// be shorter, stretches of the same colours gathered together.
  std::span<const std::uint32_t> order_row(const tui::Buffer& screen,
                                           std::span<const std::uint32_t> row);
  /// Bytes of the shortest colour change from one pair to another.
  int color_cost(tui::Color from_fg, tui::Color from_bg, tui::Color fg, tui::Color bg) const;
  void move_to(const tui::Buffer& screen, int x, int y, std::string& out);
  Motion plan_motion(const tui::Buffer& screen, int x, int y) const;
  int address_cost(int x, int y) const;
  int vertical_cost(int from, int to, Vertical& how) const;
  int horizontal_cost(const tui::Buffer& screen, int row, int from, int to, Horizontal& how) const;
  int overwrite_cost(const tui::Buffer& screen, int row, int from, int to) const;
  void emit_address(int x, int y, std::string& out) const;
  void emit_vertical(Vertical how, int from, int to, std::string& out) const;
  void emit_horizontal(const tui::Buffer& screen, Horizontal how, int row, int from, int to,
                       std::string& out);

  /// Selects the colours of a cell, both of them, whatever its symbol: erasing and spaces leave
  /// the selected foreground in the cell too.
  void select_colors(tui::Color fg, tui::Color bg, std::string& out);
  void write_cell(const tui::Buffer& screen, int x, int y, std::string& out);
  /// After the cell at positions[i] was written: repeats it over the identical cells that
  /// follow where that is shorter than writing them. Returns the index of the last position
  /// covered.
  std::size_t repeat_cell(const tui::Buffer& screen, std::span<const std::uint32_t> positions,
                          std::size_t i, std::string& out);
  /// One past the last non-blank cell of a row of the screen.
  int row_end(const tui::Buffer& screen, int row);

  ControlStrings strings_;
  // -1: unknown. A known row with an unknown column is the pending-wrap state after writing
  // the last column.
  int cursor_x_ = -1;
  int cursor_y_ = -1;
  bool colors_known_ = false;
  tui::Color fg_;
  tui::Color bg_;
  int cursor_visible_ = -1;  // -1 unknown, 0 hidden, 1 visible
  int cached_row_ = -1;
  int cached_row_end_ = 0;
  /// What the terminal shows, as far as this renderer's output has put it there; trusted only
  /// while `contents_known_`, from a clear of the screen on.
  tui::Buffer shown_;
  bool contents_known_ = false;
  // Kept between frames, so that steady frames allocate nothing.
  std::vector<std::uint32_t> sorted_;
  std::vector<std::uint32_t> pending_;
  /// A stretch [first, end) of a row's positions in the same colours.
  struct Segment {
    std::uint32_t first;
    std::uint32_t end;
    bool taken;
  };
  std::vector<Segment> segments_;
  std::vector<std::uint32_t> shifted_;
  std::vector<tui::Cell> row_backup_;
  std::string scratch_;
  std::vector<std::uint32_t> ordered_;
};

}  // namespace tty
