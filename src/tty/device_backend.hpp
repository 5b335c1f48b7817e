#pragma once

#include <expected>
#include <memory>
#include <span>

#include "tty/device.hpp"
#include "tty/environment.hpp"
#include "tty/renderer.hpp"
#include "tty/system_calls.hpp"
#include "tui/backend.hpp"
#include "tui/error.hpp"

namespace tty {

/// The toolkit's backend over the controlling terminal. `draw` records the frame it is handed;
/// `flush` renders it (against what the screen shows while that is trusted, otherwise whole on
/// a cleared screen, as for the first frame and after the terminal was taken again), writes it once
/// and waits once for transmission. Whatever is recorded after the last flush is never sent:
/// destruction only gives the terminal back.
class DeviceBackend final : public tui::Backend {
 public:
  DeviceBackend(std::unique_ptr<Device> device, Renderer renderer);

  tui::Size size() const override { return device_->size(); }
  void draw(const tui::Buffer& wanted, const tui::Buffer& shown,
            std::span<const tui::CellUpdate> changes) override;
  void hide_cursor() override { cursor_visible_ = false; }
  void show_cursor() override { cursor_visible_ = true; }
  void clear() override { shown_trusted_ = false; }
  std::expected<void, tui::Error> flush() override;

 private:
  std::unique_ptr<Device> device_;
  Renderer renderer_;
  // The frame recorded by `draw`, all of it the caller's; nothing when none was recorded.
  const tui::Buffer* wanted_ = nullptr;
  const tui::Buffer* shown_ = nullptr;
  std::span<const tui::CellUpdate> changes_;
  /// Whether the terminal shows what the caller says: only after a successful flush.
  bool shown_trusted_ = false;
  bool cursor_visible_ = true;
};

/// Takes over the controlling terminal (/dev/tty) with the real system calls and environment;
/// the returned backend gives the terminal back, as it found it, when destroyed.
std::expected<std::unique_ptr<tui::Backend>, tui::Error> open_device_backend();

/// The same over any system calls (which must outlive the backend) and environment.
std::expected<std::unique_ptr<tui::Backend>, tui::Error> open_device_backend(
    SystemCalls& calls, const Environment& environment);

}  // namespace tty
