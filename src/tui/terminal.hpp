#pragma once

// The double-buffered terminal that draws frames over a backend.

#include <array>
#include <expected>
#include <memory>
#include <utility>
#include <vector>

#include "tui/backend.hpp"
#include "tui/buffer.hpp"

namespace tui {

/// What a drawing callback gets: the area to fill and a blank buffer over it.
class Frame {
 public:
  Frame(Rect area, Buffer& buffer) : area_(area), buffer_(buffer) {}
  Rect area() const { return area_; }
  Buffer& buffer() { return buffer_; }

 private:
  Rect area_;
  Buffer& buffer_;
};

/// A full-screen, double-buffered terminal: each frame is drawn into a blank buffer and sent
/// with the previous frame, the one model of what the device shows, and the cells where the two
/// differ. The size is taken from the backend once and kept. Destroying it sends nothing; the
/// backend then gives the device back.
class Terminal {
 public:
  explicit Terminal(std::unique_ptr<Backend> backend);
  Terminal(const Terminal&) = delete;
  Terminal& operator=(const Terminal&) = delete;
  ~Terminal() = default;

  /// One frame: callback, difference, hidden cursor, send, swap. Only the send can fail; its
  /// error is returned and the terminal stays usable.
  template <typename DrawFn>
  std::expected<void, Error> try_draw(DrawFn&& draw_frame) {
    Frame frame(area_, current());
    std::forward<DrawFn>(draw_frame)(frame);
    flush();
    cursor_visible_ = false;
    auto sent = backend_->send(FrameToSend{.wanted = current(),
                                           .shown = shown(),
                                           .changes = changes_,
                                           .cursor_visible = cursor_visible_,
                                           .whole = !shown_trusted_});
    // The frame is the model of the screen even when the send failed; the next then goes out
    // whole.
    shown_trusted_ = sent.has_value();
    swap_buffers();
    return sent;
  }

  /// Records that the cursor is visible again; nothing reaches the device until a send.
  void show_cursor() { cursor_visible_ = true; }
  /// Records the cells where the current buffer differs from what the device shows, for the
  /// next send; nothing reaches the device.
  void flush();

  Rect area() const { return area_; }

 private:
  Buffer& current() { return buffers_[current_]; }
  const Buffer& shown() const { return buffers_[1 - current_]; }
  void swap_buffers();

  std::unique_ptr<Backend> backend_;
  Rect area_;
  std::array<Buffer, 2> buffers_;
  int current_ = 0;
  bool cursor_visible_ = true;
  bool shown_trusted_ = false;
  std::vector<CellUpdate> changes_;  // reused every frame
};

}  // namespace tui
