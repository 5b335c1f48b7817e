#pragma once

// A backend for the toolkit that keeps a log of what it was asked, and can pass it all on to
// another backend, such as the real device's.

#include <expected>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "tui/backend.hpp"

namespace support {

/// What a `FakeBackend` was asked, kept where the test can read it after the backend is gone.
struct BackendLog {
  /// Every call in order: "send", and "release" when the backend is destroyed.
  std::vector<std::string> events;
  /// The changed cells of each send.
  std::vector<std::vector<tui::CellUpdate>> draws;
  /// Whether each send asked to go out whole.
  std::vector<bool> whole;
  std::vector<bool> cursor_visible;
  int flushes = 0;
  /// The send (counted from 1) that fails with `kFlushFailure`; 0: none.
  int failing_flush = 0;

  static constexpr const char* kFlushFailure = "Input/output error (os error 5)";
};

class FakeBackend final : public tui::Backend {
 public:
  /// A screen of `size` cells that takes every frame.
  explicit FakeBackend(tui::Size size,
                       std::shared_ptr<BackendLog> log = std::make_shared<BackendLog>())
      : log_(std::move(log)), size_(size) {}
  /// Logs each call, then makes it on `next` too; the size is `next`'s.
  FakeBackend(std::unique_ptr<tui::Backend> next, std::shared_ptr<BackendLog> log)
      : log_(std::move(log)), next_(std::move(next)) {}
  ~FakeBackend() override { log_->events.push_back("release"); }

  const std::shared_ptr<BackendLog>& log() const { return log_; }

  tui::Size size() const override { return next_ ? next_->size() : size_; }
  std::expected<void, tui::Error> send(const tui::FrameToSend& frame) override {
    log_->events.push_back("send");
    log_->draws.emplace_back(frame.changes.begin(), frame.changes.end());
    log_->whole.push_back(frame.whole);
    log_->cursor_visible.push_back(frame.cursor_visible);
    if (++log_->flushes == log_->failing_flush) {
      return std::unexpected(tui::Error(BackendLog::kFlushFailure));
    }
    return next_ ? next_->send(frame) : std::expected<void, tui::Error>{};
  }

 private:
  std::shared_ptr<BackendLog> log_;
  std::unique_ptr<tui::Backend> next_;
  tui::Size size_{};
};

}  // namespace support
