#include "tty/device_backend.hpp"

namespace tty {

std::expected<std::unique_ptr<tui::Backend>, tui::Error> open_device_backend() {
  return std::unexpected(tui::Error("terminal backend not built yet"));
}

}  // namespace tty
