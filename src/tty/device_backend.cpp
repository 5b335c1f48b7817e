#include "tty/device_backend.hpp"

#include "tty/capabilities.hpp"
#include "tty/control_strings.hpp"

namespace tty {

DeviceBackend::DeviceBackend(std::unique_ptr<Device> device, Renderer renderer)
    : device_(std::move(device)),
      renderer_(std::move(renderer)),
      screen_(tui::Rect{0, 0, device_->size().width, device_->size().height}) {}

void DeviceBackend::draw(std::span<const tui::CellUpdate> cells) {
  const std::uint32_t width = screen_.area().width;
  for (const auto& update : cells) {
    if (!screen_.contains(update.x, update.y)) continue;
    screen_.at(update.x, update.y) = update.cell;
    if (!repaint_all_) changed_.push_back(std::uint32_t{update.y} * width + update.x);
  }
  // Records piling up without a send cost more than painting everything afresh.
  if (changed_.size() > screen_.area().area()) {
    changed_.clear();
    repaint_all_ = true;
  }
}

void DeviceBackend::clear() {
  screen_.reset();
  changed_.clear();
  repaint_all_ = true;
}

std::expected<void, tui::Error> DeviceBackend::flush() {
  std::string& out = device_->output();
  if (repaint_all_) {
    renderer_.forget();
    renderer_.clear_screen(out);
    changed_.clear();
    const auto cells = screen_.cells();
    for (std::uint32_t i = 0; i < cells.size(); ++i) {
      if (!cells[i].is_blank()) changed_.push_back(i);
    }
  } else if (!cursor_visible_) {
    renderer_.set_cursor_visible(false, out);
  }
  renderer_.render(screen_, changed_, out);
  if (cursor_visible_) renderer_.set_cursor_visible(true, out);
  renderer_.reset_colors(out);
  changed_.clear();
  auto sent = device_->flush();
  if (!sent) {
    // Part of the frame may be on the screen: start over from what is known.
    renderer_.forget();
    repaint_all_ = true;
    return sent;
  }
  repaint_all_ = false;
  return {};
}

std::expected<std::unique_ptr<tui::Backend>, tui::Error> open_device_backend(
    SystemCalls& calls, const Environment& environment) {
  const Capabilities capabilities = probe_capabilities(environment);
  ControlStrings strings = control_strings_for(capabilities);
  auto device = Device::acquire(calls, capabilities, strings.show_cursor);
  if (!device) return std::unexpected(std::move(device.error()));
  return std::make_unique<DeviceBackend>(std::move(*device), Renderer(std::move(strings)));
}

std::expected<std::unique_ptr<tui::Backend>, tui::Error> open_device_backend() {
  static const ProcessEnvironment environment;
  return open_device_backend(real_system_calls(), environment);
}

}  // namespace tty
