#include "pty_capture.hpp"

#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <stdexcept>
#include <string_view>

namespace bench {

namespace {
// Bytes no renderer emits in this order: they delimit the frames in the stream.
constexpr std::string_view kSentinel = "\x01\x02\x03\x04\x05\x06";
}  // namespace

PtyCapture::PtyCapture(tui::Size size) {
  winsize window{};
  window.ws_col = size.width;
  window.ws_row = size.height;
  termios raw{};
  ::cfmakeraw(&raw);
  if (::openpty(&master_, &slave_, nullptr, &raw, &window) != 0) {
    throw std::runtime_error("openpty failed");
  }
  reader_ = std::thread([this] { drain(); });
}

PtyCapture::~PtyCapture() {
  ::close(slave_);
  reader_.join();  // the reader stops at end of file or EIO once the terminal side is closed
  ::close(master_);
}

std::size_t PtyCapture::mark() {
  std::unique_lock lock(mutex_);
  const std::size_t wanted = marks_seen_ + 1;
  lock.unlock();
  std::size_t left = kSentinel.size();
  const char* data = kSentinel.data();
  while (left > 0) {
    const ssize_t n = ::write(slave_, data, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw std::runtime_error("sentinel write failed");
    data += n;
    left -= static_cast<std::size_t>(n);
  }
  lock.lock();
  marked_.wait(lock, [&] { return marks_seen_ >= wanted; });
  return last_mark_bytes_;
}

void PtyCapture::drain() {
  std::array<char, 1 << 16> chunk;
  std::size_t matched = 0;  // sentinel bytes matched so far
  while (true) {
    const ssize_t n = ::read(master_, chunk.data(), chunk.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    std::lock_guard lock(mutex_);
    for (ssize_t i = 0; i < n; ++i) {
      if (chunk[i] == kSentinel[matched]) {
        if (++matched == kSentinel.size()) {
          last_mark_bytes_ = counted_;
          counted_ = 0;
          matched = 0;
          ++marks_seen_;
          marked_.notify_all();
        }
        continue;
      }
      counted_ += matched + 1;  // a partial match was ordinary output after all
      matched = chunk[i] == kSentinel[0] ? 1 : 0;
      if (matched) --counted_;
    }
  }
}

}  // namespace bench
