#include "tty/device_backend.hpp"

#include "tty/terminfo/capabilities.hpp"
#include "tty/terminfo/control_strings.hpp"

namespace tty {

DeviceBackend::DeviceBackend(std::unique_ptr<Device> device, Renderer renderer)
    : device_(std::move(device)), renderer_(std::move(renderer)) {}

std::expected<void, tui::Error> DeviceBackend::send(const tui::FrameToSend& frame) {
  std::string& out = device_->output();
  // Whatever was shown while the process was stopped is unknown: the screen is drawn anew.
  bool whole = device_->taken_again() || frame.whole;
  // A terminal reflows, scrolls or clips its screen when its window changes, so the picture is
  // drawn anew too, within the window as it is now.
  if (device_->window_changed()) {
    if (const auto window = device_->measure_window()) renderer_.set_window(*window);
    whole = true;
  }
  if (whole) {
    renderer_.clear_screen(out);
    renderer_.draw_all(frame.wanted, out);
  } else {
    if (!frame.cursor_visible) renderer_.set_cursor_visible(false, out);
    renderer_.draw_changes(frame.wanted, frame.shown, frame.changes, out);
  }
  if (frame.cursor_visible) renderer_.set_cursor_visible(true, out);
  renderer_.reset_colors(out);
  return device_->flush();
}

std::expected<std::unique_ptr<tui::Backend>, tui::Error> open_device_backend(
    SystemCalls& calls, const Environment& environment) {
  const Capabilities capabilities = probe_capabilities(environment);
  ControlStrings strings = control_strings_for(capabilities);
  auto device = Device::acquire(calls, strings);
  if (!device) return std::unexpected(std::move(device.error()));
  return std::make_unique<DeviceBackend>(std::move(*device), Renderer(std::move(strings)));
}

std::expected<std::unique_ptr<tui::Backend>, tui::Error> open_device_backend() {
  static const ProcessEnvironment environment;
  return open_device_backend(real_system_calls(), environment);
}

}  // namespace tty
