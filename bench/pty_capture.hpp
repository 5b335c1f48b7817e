#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>

#include "tui/rect.hpp"

namespace bench {

/// A pseudo-terminal whose output is drained and counted by a background reader, so writers on
/// the terminal side never block. `mark()` tells how many bytes arrived since the last mark.
class PtyCapture {
 public:
  explicit PtyCapture(tui::Size size);
  ~PtyCapture();
  PtyCapture(const PtyCapture&) = delete;
  PtyCapture& operator=(const PtyCapture&) = delete;

  /// The terminal side, in raw mode with the given window size.
  int terminal_fd() const { return slave_; }
  /// Bytes written to the terminal side since the previous mark. Waits until the reader has
  /// seen everything written before the call.
  std::size_t mark();

 private:
  void drain();

  int master_ = -1;
  int slave_ = -1;
  std::thread reader_;
  std::mutex mutex_;
  std::condition_variable marked_;
  std::size_t counted_ = 0;  // bytes since the last sentinel, sentinel excluded
  std::size_t marks_seen_ = 0;
  std::size_t last_mark_bytes_ = 0;
};

}  // namespace bench
