#pragma once

#include <expected>
#include <span>

#include "tui/cell.hpp"
#include "tui/error.hpp"
#include "tui/rect.hpp"

namespace tui {

/// The toolkit's only way to the device. Everything but `flush` only records; `flush` sends
/// what was recorded and returns once the device has received it.
class Backend {
 public:
  virtual ~Backend() = default;

  /// The screen's size in cells, as the backend knows it (no system call).
  virtual Size size() const = 0;
  /// Records cells to be shown, in the order given.
  virtual void draw(std::span<const CellUpdate> cells) = 0;
  virtual void hide_cursor() = 0;
  virtual void show_cursor() = 0;
  /// Erases the whole screen (recorded, like `draw`).
  virtual void clear() = 0;
  /// Sends everything recorded since the last successful flush and waits for transmission.
  virtual std::expected<void, Error> flush() = 0;
};

}  // namespace tui
