#pragma once

#include <cstddef>
#include <cstdio>
#include <vector>

#include "pty_capture.hpp"
#include "tui/buffer.hpp"

struct screen;

namespace bench {

/// The reference: the same frames shown by ncurses on a pseudo-terminal (xterm-256color,
/// default colours for `Reset`, one doupdate per frame), counting the bytes it sends.
class NcursesScreen {
 public:
  explicit NcursesScreen(tui::Size size);
  ~NcursesScreen();
  NcursesScreen(const NcursesScreen&) = delete;
  NcursesScreen& operator=(const NcursesScreen&) = delete;

  /// Puts every cell of `frame` on ncurses's screen, updates the terminal once and returns the
  /// bytes that took.
  std::size_t present(const tui::Buffer& frame);

 private:
  int pair_for(tui::Color fg, tui::Color bg);

  PtyCapture pty_;
  std::FILE* out_ = nullptr;
  std::FILE* in_ = nullptr;
  ::screen* screen_ = nullptr;
  std::vector<int> pairs_;  // (fg code, bg code) -> pair number, 0 when not made yet
  int next_pair_ = 1;
};

}  // namespace bench
