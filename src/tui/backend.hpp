#pragma once

#include <expected>
#include <span>

#include "tui/buffer.hpp"
#include "tui/cell.hpp"
#include "tui/error.hpp"
#include "tui/rect.hpp"

namespace tui {

/// The toolkit's only way to the device. Everything but `flush` only records; `flush` sends
/// what was recorded and returns once the device has received it. What the device shows is
/// the caller's to keep: the backend is handed it with every frame.
class Backend {
 public:
  virtual ~Backend() = default;

  /// The screen's size in cells, as the backend knows it (no system call).
  virtual Size size() const = 0;
  /// Records the next frame: `wanted` is to replace `shown`, which is what the device shows
  /// after the last successful flush, and `changes` lists in row-major order the cells where the
  /// two differ. Both buffers cover the whole screen; all three are read at the next flush and
  /// must stay as they are until then. A later `draw` replaces the record.
  virtual void draw(const Buffer& wanted, const Buffer& shown,
                    std::span<const CellUpdate> changes) = 0;
  virtual void hide_cursor() = 0;
  virtual void show_cursor() = 0;
  /// Erases the whole screen (recorded, like `draw`).
  virtual void clear() = 0;
  /// Sends everything recorded since the last successful flush and waits for transmission. After
  /// a failure, or a `clear`, the backend no longer trusts `shown` and sends the next frame whole.
  virtual std::expected<void, Error> flush() = 0;
};

}  // namespace tui
