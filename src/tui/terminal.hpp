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

/// A full-screen, double-buffered terminal: each frame is drawn into a blank buffer and handed to
/// the backend with the previous frame, the one model of what the device shows, and the cells
/// where the two differ. The size is taken from the backend once and kept. Destroying it gives
/// the cursor back and then the backend, which restores the device.
class Terminal {
 public:
  explicit Terminal(std::unique_ptr<Backend> backend);
  ~Terminal();
  Terminal(const Terminal&) = delete;
  Terminal& operator=(const Terminal&) = delete;

  /// One frame: size check, callback, difference, hidden cursor, send, swap. Only the send can
  /// fail; its error is returned and the terminal stays usable.
  template <typename DrawFn>
  std::expected<void, Error> try_draw(DrawFn&& draw_frame) {
    autoresize();
    Frame frame(viewport_, current());
    std::forward<DrawFn>(draw_frame)(frame);
    flush();
    backend_->hide_cursor();
    hidden_cursor_ = true;
    auto sent = backend_->flush();
    // The frame is the model of the screen even when the send failed: the backend then no
    // longer trusts the model and sends the next frame whole.
    swap_buffers();
    if (!sent) return std::unexpected(std::move(sent.error()));
    return {};
  }

  /// Records that the cursor is visible again; nothing reaches the device until a send.
  void show_cursor();
  /// Hands the current buffer, the previous one and the cells where they differ to the backend.
  void flush();

  Rect area() const { return viewport_; }
  Backend& backend() { return *backend_; }

 private:
  Buffer& current() { return buffers_[current_]; }
  void autoresize();
  void swap_buffers();

  std::unique_ptr<Backend> backend_;
  Rect viewport_;
  std::array<Buffer, 2> buffers_;
  int current_ = 0;
  bool hidden_cursor_ = false;
  std::vector<CellUpdate> changes_;  // reused every frame
};

}  // namespace tui
