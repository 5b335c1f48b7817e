#include "tui/terminal.hpp"

namespace tui {

namespace {
Rect full_screen(Size size) {
  return Rect{0, 0, size.width, size.height};
}
}  // namespace

Terminal::Terminal(std::unique_ptr<Backend> backend)
    : backend_(std::move(backend)), viewport_(full_screen(backend_->size())) {
  buffers_[0].resize(viewport_);
  buffers_[1].resize(viewport_);
}

Terminal::~Terminal() {
  // Only a failed frame leaves the cursor hidden here; the backend records the change and its
  // own teardown sends it.
  if (hidden_cursor_) {
    backend_->show_cursor();
    hidden_cursor_ = false;
  }
}

void Terminal::show_cursor() {
  backend_->show_cursor();
  hidden_cursor_ = false;
}

void Terminal::flush() {
  changes_.clear();
  buffers_[current_].diff(buffers_[1 - current_], changes_);
  backend_->draw(buffers_[current_], buffers_[1 - current_], changes_);
}

void Terminal::autoresize() {
  // The backend reports the size measured when the device was taken over, so this only acts
  // for a backend whose size can change.
  const Rect area = full_screen(backend_->size());
  if (area == viewport_) return;
  viewport_ = area;
  buffers_[0].resize(area);
  buffers_[1].resize(area);
  backend_->clear();
}

void Terminal::swap_buffers() {
  buffers_[1 - current_].reset();
  current_ = 1 - current_;
}

}  // namespace tui
