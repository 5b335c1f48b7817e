#pragma once

#include <expected>
#include <memory>
#include <span>

#include "tty/posix/device.hpp"
#include "tty/posix/system_calls.hpp"
#include "tty/render/renderer.hpp"
#include "tty/terminfo/environment.hpp"
#include "tui/backend.hpp"
#include "tui/error.hpp"

namespace tty {

/// The toolkit's backend over the controlling terminal. Each frame is rendered against what the
/// screen shows, or whole on a cleared screen when the caller asks, after the terminal was taken
/// again, and after a window change (then within the window as it is now); it is written once,
/// and waited for once.
class DeviceBackend final : public tui::Backend {
 public:
  DeviceBackend(std::unique_ptr<Device> device, Renderer renderer);

  tui::Size size() const override { return device_->size(); }
  std::expected<void, tui::Error> send(const tui::FrameToSend& frame) override;

 private:
  std::unique_ptr<Device> device_;
  Renderer renderer_;
};

/// Takes over the controlling terminal (/dev/tty) with the real system calls and environment;
/// the returned backend gives the terminal back, as it found it, when destroyed.
std::expected<std::unique_ptr<tui::Backend>, tui::Error> open_device_backend();

/// The same over any system calls (which must outlive the backend) and environment.
std::expected<std::unique_ptr<tui::Backend>, tui::Error> open_device_backend(
    SystemCalls& calls, const Environment& environment);

}  // namespace tty
