#include "tty/device_backend.hpp"

#include <string>

#include "tty/posix/device.hpp"
#include "tty/render/renderer.hpp"
#include "tty/terminfo/capabilities.hpp"
#include "tty/terminfo/control_strings.hpp"

namespace tty {

namespace {

/// The backend over the device, the one place that sees what the terminal understands, the
/// device and the renderer together.
class DeviceBackend final : public tui::Backend {
 public:
  DeviceBackend(std::unique_ptr<Device> device, Renderer renderer)
      : device_(std::move(device)), renderer_(std::move(renderer)) {}

  tui::Size size() const override { return device_->size(); }
  std::expected<void, tui::Error> send(const tui::FrameToSend& frame) override;

 private:
  std::unique_ptr<Device> device_;
  Renderer renderer_;
};

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
  renderer_.draw_frame(frame, whole, out);
  return device_->flush();
}

DeviceTexts device_texts(const ControlStrings& strings) {
  return {
      .show_cursor = strings.show_cursor,
      .hide_cursor = strings.hide_cursor,
      .modes_on = std::string(strings.bracketed_paste_on),
      .modes_off = std::string(strings.bracketed_paste_off),
      .enter_alternate_screen = std::string(strings.enter_alternate_screen),
      .leave_alternate_screen = std::string(strings.leave_alternate_screen),
      .to_row_start = [&strings](int y, std::string& out) { strings.append_address(0, y, out); }};
}

}  // namespace

std::expected<std::unique_ptr<tui::Backend>, tui::Error> open_device_backend(
    SystemCalls& calls, const Environment& environment) {
  const Capabilities capabilities = probe_capabilities(environment);
  // Refused before the terminal is touched: its screen would show every sequence as text.
  if (auto refusal = unusable_terminal(capabilities)) {
    return std::unexpected(tui::Error(std::move(*refusal)));
  }
  ControlStrings strings = control_strings_for(capabilities);
  auto device = Device::acquire(calls, device_texts(strings), capabilities.assumed_size);
  if (!device) return std::unexpected(std::move(device.error()));
  Renderer renderer(std::move(strings));
  // The drawing's edges are the window's until it changes.
  renderer.set_window((*device)->size());
  return std::make_unique<DeviceBackend>(std::move(*device), std::move(renderer));
}

std::expected<std::unique_ptr<tui::Backend>, tui::Error> open_device_backend() {
  static const ProcessEnvironment environment;
  return open_device_backend(real_system_calls(), environment);
}

}  // namespace tty
