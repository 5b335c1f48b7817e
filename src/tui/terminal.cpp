#include "tui/terminal.hpp"

namespace tui {

Terminal::Terminal(std::unique_ptr<Backend> backend)
    : backend_(std::move(backend)), area_{0, 0, backend_->size().width, backend_->size().height} {
  buffers_[0].resize(area_);
  buffers_[1].resize(area_);
}

void Terminal::flush() {
  changes_.clear();
  buffers_[current_].diff(shown(), changes_);
}

void Terminal::swap_buffers() {
  buffers_[1 - current_].reset();
  current_ = 1 - current_;
}

}  // namespace tui
