#include "tty/device.hpp"

#include <errno.h>
#include <fcntl.h>

#include <algorithm>

#include "tty/os_error.hpp"

namespace tty {

namespace {

constexpr std::string_view kEnterAlternateScreen = "\x1b[?1049h";
constexpr std::string_view kLeaveAlternateScreen = "\x1b[?1049l";

/// Raw mode exactly as cfmakeraw makes it.
termios raw_from(termios attributes) {
  attributes.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON);
  attributes.c_oflag &= ~OPOST;
  attributes.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  attributes.c_cflag &= ~(CSIZE | PARENB);
  attributes.c_cflag |= CS8;
  attributes.c_cc[VMIN] = 1;
  attributes.c_cc[VTIME] = 0;
  return attributes;
}

/// Makes `call` again while a signal interrupts it. A window resize arrives as a signal, and
/// waiting for the output to drain (tcdrain, or setting attributes after the drain) is cut
/// short by it even where handlers restart calls; that is no failure of the terminal.
template <typename Call>
SystemCalls::Result retrying_interrupted(Call call) {
  SystemCalls::Result result = call();
  while (!result && result.error() == EINTR) result = call();
  return result;
}

}  // namespace

Device::Device(SystemCalls& calls, const Capabilities& capabilities, std::string show_cursor)
    : calls_(calls),
      bracketed_paste_(capabilities.bracketed_paste),
      show_cursor_(std::move(show_cursor)) {}

std::expected<std::unique_ptr<Device>, tui::Error> Device::acquire(SystemCalls& calls,
                                                                   const Capabilities& capabilities,
                                                                   std::string show_cursor) {
  std::unique_ptr<Device> device(new Device(calls, capabilities, std::move(show_cursor)));

  auto opened = calls.open("/dev/tty", O_RDWR);
  if (!opened) return std::unexpected(os_error(opened.error()));
  OwnedFd original(calls, *opened);
  auto reading = calls.duplicate(original.get());
  if (!reading) return std::unexpected(os_error(reading.error()));
  device->read_ = OwnedFd(calls, *reading);
  auto writing = calls.duplicate(original.get());
  if (!writing) return std::unexpected(os_error(writing.error()));
  device->write_ = OwnedFd(calls, *writing);

  if (!calls.get_attributes(device->read_.get(), device->saved_)) {
    return std::unexpected(tui::Error("get_termios failed"));
  }

  auto winch = WinchNotifier::install(calls);
  if (!winch) return std::unexpected(std::move(winch.error()));
  device->winch_ = std::move(*winch);
  // Blocking mode belongs to the open terminal, so this holds for the writing side as well.
  if (!calls.set_nonblocking(device->read_.get(), false)) {
    return std::unexpected(tui::Error("failed to change non-blocking mode"));
  }
  original.reset();

  // From here on a failure is undone by the full release.
  device->release_armed_ = true;
  winsize window{};
  if (auto measured = calls.window_size(device->write_.get(), window); !measured) {
    return std::unexpected(os_error(measured.error(), "failed to ioctl(TIOCGWINSZ): "));
  }
  device->size_ = tui::Size{window.ws_col, window.ws_row};

  termios current{};
  if (!calls.get_attributes(device->read_.get(), current)) {
    return std::unexpected(tui::Error("get_termios failed"));
  }
  // TCSAFLUSH: after the output has drained, dropping input that was never read.
  if (!retrying_interrupted([&] {
        return calls.set_attributes(device->read_.get(), TCSAFLUSH, raw_from(current));
      })) {
    return std::unexpected(tui::Error("failed to set raw mode"));
  }

  // Nothing reads the terminal's input, so no mouse reports or key encodings are asked for:
  // they would only garble what the next reader of the terminal gets.
  if (device->bracketed_paste_) device->output_ += "\x1b[?2004h";
  if (auto sent = device->flush(); !sent) return std::unexpected(std::move(sent.error()));

  // Sent with the first frame, so that the screen is switched and drawn in one go.
  device->output_ += kEnterAlternateScreen;
  device->alternate_screen_ = AlternateScreen::Pending;
  return device;
}

std::expected<void, tui::Error> Device::flush() {
  std::size_t written = 0;
  int failure = 0;
  while (written < output_.size()) {
    auto wrote = calls_.write(write_.get(), output_.data() + written, output_.size() - written);
    if (!wrote) {
      if (wrote.error() == EINTR) continue;
      failure = wrote.error();
      break;
    }
    if (*wrote == 0) {
      failure = EIO;  // a terminal that takes nothing and says nothing would spin this loop
      break;
    }
    written += *wrote;
  }
  const bool switch_at_head = alternate_screen_ == AlternateScreen::Pending;
  if (switch_at_head && written >= kEnterAlternateScreen.size()) {
    alternate_screen_ = AlternateScreen::Entered;
  }
  output_.clear();
  if (alternate_screen_ == AlternateScreen::Pending) output_ += kEnterAlternateScreen;
  if (failure != 0) return std::unexpected(os_error(failure));
  if (!retrying_interrupted([&] { return calls_.drain(write_.get()); })) {
    return std::unexpected(tui::Error("tcdrain failed"));
  }
  return {};
}

void Device::release() {
  if (!release_armed_) return;
  release_armed_ = false;
  // Recorded but unsent changes are never sent now; only what gives the terminal back is.
  output_.clear();
  output_ += show_cursor_;
  if (bracketed_paste_) output_ += "\x1b[?2004l";
  // A switch that never reached the terminal needs no way back.
  if (alternate_screen_ == AlternateScreen::Entered) output_ += kLeaveAlternateScreen;
  alternate_screen_ = AlternateScreen::Off;
  (void)flush();
  if (winch_) winch_->remove_action();
  // TCSANOW: keys typed during the animation stay queued for whoever reads next.
  (void)retrying_interrupted([&] { return calls_.set_attributes(read_.get(), TCSANOW, saved_); });
}

Device::~Device() {
  release();
  // The descriptors and sockets close as the members go.
}

}  // namespace tty
