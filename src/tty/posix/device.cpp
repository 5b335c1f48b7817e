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

Device::Device(SystemCalls& calls, const DeviceTexts& texts, AssumedSize assumed)
    : calls_(calls), assumed_(assumed), enter_alternate_screen_(texts.enter_alternate_screen) {}

std::expected<std::unique_ptr<Device>, tui::Error> Device::acquire(SystemCalls& calls,
                                                                   const DeviceTexts& texts,
                                                                   AssumedSize assumed) {
  std::unique_ptr<Device> device(new Device(calls, texts, assumed));
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
  // Built first, as releasing needs them; without the size only the part before the switch to
  // the alternate screen can ever be written, and that part needs no row.
  build_texts(texts, measured ? std::optional<int>(measured->height - 1) : std::nullopt);
  if (!measured)
    return std::unexpected(os_error(measured.error(), "failed to ioctl(TIOCGWINSZ): "));
  size_ = *measured;
  if (std::uint32_t{size_.width} * size_.height > kMostCells) {
    return std::unexpected(tui::Error("terminal too large to draw: " + std::to_string(size_.width) +
                                      " x " + std::to_string(size_.height) +
                                      " cells (the most is " + std::to_string(kMostCells) + ")"));
  }
  termios current{};
  if (!calls_.get_attributes(read_.get(), current)) {
    return std::unexpected(tui::Error("get_termios failed"));
  }
  signal_texts_.raw = current;
  ::cfmakeraw(&signal_texts_.raw);
  signals_ = TerminalSignals::install(calls_, signal_texts_);
  // TCSAFLUSH: after the output has drained, dropping input that was never read.
  if (!retrying_interrupted(
          [&] { return calls_.set_attributes(read_.get(), TCSAFLUSH, signal_texts_.raw); })) {
    return std::unexpected(tui::Error("failed to set raw mode"));
  }
  // Nothing reads the terminal's input, so no mouse reports or key encodings are asked for:
  // they would only garble what the next reader of the terminal gets.
  output_ += texts.modes_on;
  return flush();
}

void Device::build_texts(const DeviceTexts& texts, std::optional<int> last_row) {
  give_back_ = texts.show_cursor + texts.modes_off;
  const std::size_t give_back_before_screen = give_back_.size();
  if (last_row && *last_row >= 0) texts.to_row_start(*last_row, give_back_);
  give_back_ += texts.leave_alternate_screen;
  take_again_ = texts.modes_on + texts.enter_alternate_screen + texts.hide_cursor;
  signal_texts_ = SignalTexts{.fd = write_.get(),
                              .give_back = {give_back_, give_back_before_screen},
                              .take_again = {take_again_, texts.modes_on.size()},
                              .saved = saved_,
                              .raw = {}};
}

std::expected<void, tui::Error> Device::flush() {
  // A frame that changed nothing on the screen has nothing to write or to wait for.
  if (output_.empty()) return {};
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
  std::string_view text =
      signal_texts_.give_back.as_written(alternate_screen_ == AlternateScreen::Entered);
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
  return tui::Size{window.ws_col != 0 ? window.ws_col : assumed_.width,
                   window.ws_row != 0 ? window.ws_row : assumed_.height};
}

Device::~Device() {
  release();
  // The descriptors close as the members go, after the signal handlers are put back.
}

}  // namespace tty
