#include "tty/posix/device.hpp"

#include <errno.h>
#include <fcntl.h>

#include <algorithm>
#include <string>

#include "tty/posix/interrupted.hpp"
#include "tty/posix/os_error.hpp"

namespace tty {

namespace {

// Far above any real screen (an 8K monitor with a tiny font is about 1000 x 300 cells), and few
// enough that the screen's two buffers and the canvas stay within about 100 MB.
constexpr std::uint32_t kMostCells = std::uint32_t{1} << 22;

}  // namespace

// The way out of the alternate screen is added to the release text once the size is known.
Device::Device(SystemCalls& calls, const DeviceTexts& texts)
    : calls_(calls),
      modes_on_(texts.modes_on),
      enter_alternate_screen_(texts.enter_alternate_screen),
      release_text_(texts.show_cursor + texts.modes_off),
      take_again_text_(modes_on_ + enter_alternate_screen_ + texts.hide_cursor) {}

std::expected<std::unique_ptr<Device>, tui::Error> Device::acquire(SystemCalls& calls,
                                                                   const DeviceTexts& texts) {
  std::unique_ptr<Device> device(new Device(calls, texts));
  if (auto opened = device->open_terminal(); !opened) return std::unexpected(opened.error());
  // From here on a failure is undone by the full release.
  device->release_armed_ = true;
  if (auto taken = device->take_over(texts); !taken) return std::unexpected(taken.error());
  // Sent with the first frame, so that the screen is switched and drawn in one go.
  device->output_ += device->enter_alternate_screen_;
  device->alternate_screen_ = AlternateScreen::Pending;
  return device;
}

std::expected<void, tui::Error> Device::open_terminal() {
  auto opened = calls_.open("/dev/tty", O_RDWR);
  if (!opened) return std::unexpected(os_error(opened.error()));
  const OwnedFd original(calls_, *opened);
  auto reading = calls_.duplicate(original.get());
  if (!reading) return std::unexpected(os_error(reading.error()));
  read_ = OwnedFd(calls_, *reading);
  auto writing = calls_.duplicate(original.get());
  if (!writing) return std::unexpected(os_error(writing.error()));
  write_ = OwnedFd(calls_, *writing);

  if (!calls_.get_attributes(read_.get(), saved_)) {
    return std::unexpected(tui::Error("get_termios failed"));
  }
  // Blocking mode belongs to the open terminal, so this holds for the writing side as well.
  if (!calls_.set_nonblocking(read_.get(), false)) {
    return std::unexpected(tui::Error("failed to change non-blocking mode"));
  }
  return {};
}

std::expected<void, tui::Error> Device::take_over(const DeviceTexts& texts) {
  const auto measured = measure_window();
  if (!measured)
    return std::unexpected(os_error(measured.error(), "failed to ioctl(TIOCGWINSZ): "));
  size_ = *measured;
  if (std::uint32_t{size_.width} * size_.height > kMostCells) {
    return std::unexpected(tui::Error("terminal too large to draw: " + std::to_string(size_.width) +
                                      " x " + std::to_string(size_.height) +
                                      " cells (the most is " + std::to_string(kMostCells) + ")"));
  }
  const std::size_t before_leaving = release_text_.size();
  if (size_.height > 0) texts.to_row_start(size_.height - 1, release_text_);
  release_text_ += texts.leave_alternate_screen;
  leave_length_ = release_text_.size() - before_leaving;

  termios current{};
  if (!calls_.get_attributes(read_.get(), current)) {
    return std::unexpected(tui::Error("get_termios failed"));
  }
  termios raw = current;
  ::cfmakeraw(&raw);
  signals_ = TerminalSignals::install(
      calls_, SignalTexts{.fd = write_.get(),
                          .give_back = release_text_,
                          .give_back_before_screen = release_text_.size() - leave_length_,
                          .take_again = take_again_text_,
                          .take_again_before_screen = modes_on_.size(),
                          .saved = saved_,
                          .raw = raw});
  // TCSAFLUSH: after the output has drained, dropping input that was never read.
  if (!retrying_interrupted([&] { return calls_.set_attributes(read_.get(), TCSAFLUSH, raw); })) {
    return std::unexpected(tui::Error("failed to set raw mode"));
  }
  // Nothing reads the terminal's input, so no mouse reports or key encodings are asked for:
  // they would only garble what the next reader of the terminal gets.
  output_ += modes_on_;
  return flush();
}

std::expected<void, tui::Error> Device::flush() {
  std::string_view unwritten = output_;
  std::expected<void, int> written;
  {
    const TerminalSignals::Deferred deferred;
    written = write_all(calls_, write_.get(), unwritten);
    if (alternate_screen_ == AlternateScreen::Pending &&
        output_.size() - unwritten.size() >= enter_alternate_screen_.size()) {
      alternate_screen_ = AlternateScreen::Entered;
      if (signals_) signals_->screen_entered();
    }
  }
  output_.clear();
  if (alternate_screen_ == AlternateScreen::Pending) output_ += enter_alternate_screen_;
  // A write that took nothing without an error is an input/output error of the terminal.
  if (!written) return std::unexpected(os_error(written.error() == 0 ? EIO : written.error()));
  if (!retrying_interrupted([&] { return calls_.drain(write_.get()); })) {
    return std::unexpected(tui::Error("tcdrain failed"));
  }
  return {};
}

void Device::release() noexcept {
  if (!release_armed_) return;
  release_armed_ = false;
  // A signal that comes meanwhile is acted on once the terminal is back, as it would have been
  // before the animation.
  const TerminalSignals::Deferred deferred;
  // Recorded but unsent changes are never sent now; only what gives the terminal back is. A
  // switch that never reached the terminal needs no way back.
  std::string_view text = release_text_;
  if (alternate_screen_ != AlternateScreen::Entered) text.remove_suffix(leave_length_);
  if (write_all(calls_, write_.get(), text)) {
    (void)retrying_interrupted([&] { return calls_.drain(write_.get()); });
  }
  // TCSANOW: keys typed during the animation stay queued for whoever reads next.
  (void)retrying_interrupted([&] { return calls_.set_attributes(read_.get(), TCSANOW, saved_); });
  signals_.reset();
}

std::expected<tui::Size, int> Device::measure_window() {
  winsize window{};
  if (auto measured = calls_.window_size(write_.get(), window); !measured) {
    return std::unexpected(measured.error());
  }
  return tui::Size{window.ws_col, window.ws_row};
}

Device::~Device() {
  release();
  // The descriptors close as the members go, after the signal handlers are put back.
}

}  // namespace tty
