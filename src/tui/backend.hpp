#pragma once

// The toolkit's one way to the device: its size, and one call that sends a frame.

#include <expected>
#include <span>

#include "tui/buffer.hpp"
#include "tui/cell.hpp"
#include "tui/error.hpp"
#include "tui/rect.hpp"

namespace tui {

/// Everything a frame's send needs, lent for the length of that call only.
struct FrameToSend {
  /// The whole screen as it is to be.
  const Buffer& wanted;
  /// What the screen shows after the last successful send.
  const Buffer& shown;
  /// The cells where the two differ, in row-major order.
  std::span<const CellUpdate> changes;
  bool cursor_visible = false;
  /// `shown` is not to be trusted (nothing sent yet, or the last send failed): the frame is to
  /// go out whole on a cleared screen.
  bool whole = false;
};

/// The device behind the toolkit. It keeps nothing of a frame once `send` has returned; what the
/// device shows is the caller's to keep, and destroying the backend gives the device back.
class Backend {
 public:
  virtual ~Backend() = default;

  /// The screen's size in cells, as the backend knows it (no system call).
  virtual Size size() const = 0;
  /// Sends the frame and returns once the device has received it. The backend may send it whole
  /// for reasons of its own (the device changed under it).
  virtual std::expected<void, Error> send(const FrameToSend& frame) = 0;
};

}  // namespace tui
