#pragma once

#include <cstdint>
#include <expected>
#include <memory>
#include <span>
#include <vector>

#include "tty/device.hpp"
#include "tty/environment.hpp"
#include "tty/renderer.hpp"
#include "tty/system_calls.hpp"
#include "tui/backend.hpp"
#include "tui/buffer.hpp"
#include "tui/error.hpp"

namespace tty {

/// The toolkit's backend over the controlling terminal. `draw` records cells in a screen model;
/// `flush` renders what was recorded (all of it for the first frame, which begins by hiding the
/// cursor and clearing the screen), writes it once and waits once for transmission. Whatever
/// is recorded after the last flush is never sent: destruction only gives the terminal back.
class DeviceBackend final : public tui::Backend {
 public:
  DeviceBackend(std::unique_ptr<Device> device, Renderer renderer);

  tui::Size size() const override { return device_->size(); }
  void draw(std::span<const tui::CellUpdate> cells) override;
  void hide_cursor() override { cursor_visible_ = false; }
  void show_cursor() override { cursor_visible_ = true; }
  void clear() override;
  std::expected<void, tui::Error> flush() override;

 private:
  std::unique_ptr<Device> device_;
  Renderer renderer_;
  /// What the screen shows once everything recorded has been sent.
  tui::Buffer screen_;
  /// Positions (y * width + x) recorded since the last send; kept between frames.
  std::vector<std::uint32_t> changed_;
  bool repaint_all_ = true;
  bool cursor_visible_ = true;
};

/// Takes over the controlling terminal (/dev/tty) with the real system calls and environment;
/// the returned backend gives the terminal back, as it found it, when destroyed.
std::expected<std::unique_ptr<tui::Backend>, tui::Error> open_device_backend();

/// The same over any system calls (which must outlive the backend) and environment.
std::expected<std::unique_ptr<tui::Backend>, tui::Error> open_device_backend(
    SystemCalls& calls, const Environment& environment);

}  // namespace tty
