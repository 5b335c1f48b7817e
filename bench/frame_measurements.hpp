#pragma once

#include <cstddef>

#include "frame_sequence.hpp"
#include "tty/terminfo/environment.hpp"
#include "tui/rect.hpp"

namespace bench {

/// Average bytes per frame of one kind, for one way of rendering.
struct BytesByKind {
  double first = 0;
  double walking = 0;
  double carrying = 0;  // the arrival frame counts as carrying
};

/// What one terminal size costs over the real frame sequence.
struct FrameMeasurements {
  BytesByKind ours;
  BytesByKind lower_bound;  // UTF-8 bytes of the changed cells' symbols
  BytesByKind ncurses;
  double allocations_per_steady_frame = 0;
  std::size_t walking_frames = 0;
  std::size_t carrying_frames = 0;
};

/// The terminal our renderer is measured on: the one TERM names, xterm-256color without it
/// (ncurses is always measured on xterm-256color).
const tty::MapEnvironment& measured_terminal();

/// Plays the sequence through the real terminal path onto a pseudo-terminal, and through
/// ncurses onto another, counting bytes, and counts heap allocations in steady frames.
FrameMeasurements measure(tui::Size size);

/// Peak resident memory, in KiB, of a child process that plays the sequence at `size`.
long peak_resident_kib(tui::Size size);

}  // namespace bench
