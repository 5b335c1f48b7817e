#include "tty/device_backend.hpp"

#include "tty/capabilities.hpp"
#include "tty/control_strings.hpp"

namespace tty {

DeviceBackend::DeviceBackend(std::unique_ptr<Device> device, Renderer renderer)
    : device_(std::move(device)), renderer_(std::move(renderer)) {}

void DeviceBackend::draw(const tui::Buffer& wanted, const tui::Buffer& shown,
                         std::span<const tui::CellUpdate> changes) {
  wanted_ = &wanted;
  shown_ = &shown;
  changes_ = changes;
}

std::expected<void, tui::Error> DeviceBackend::flush() {
  std::string& out = device_->output();
  // Whatever was shown while the process was stopped is unknown: the screen is drawn anew.
  if (device_->taken_again()) shown_trusted_ = false;
  // A terminal reflows, scrolls or clips its screen when its window changes, so the picture is
  // drawn anew too, within the window as it is now.
  if (device_->window_changed()) {
    if (const auto window = device_->measure_window()) renderer_.set_window(*window);
    shown_trusted_ = false;
  }
  if (!shown_trusted_) {
    renderer_.clear_screen(out);
    if (wanted_ != nullptr) renderer_.draw_all(*wanted_, out);
  } else {
    if (!cursor_visible_) renderer_.set_cursor_visible(false, out);
    if (wanted_ != nullptr) renderer_.draw_changes(*wanted_, *shown_, changes_, out);
  }
  if (cursor_visible_) renderer_.set_cursor_visible(true, out);
  renderer_.reset_colors(out);
  wanted_ = shown_ = nullptr;
  changes_ = {};
  auto sent = device_->flush();
  // Part of the frame may be on the screen: the next starts over from a cleared one.
  shown_trusted_ = sent.has_value();
  return sent;
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
