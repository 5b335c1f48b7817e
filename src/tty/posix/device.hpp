#pragma once

// The controlling terminal, held raw for the animation and given back on every way out.

#include <termios.h>

#include <expected>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "tty/posix/owned_fd.hpp"
#include "tty/posix/system_calls.hpp"
#include "tty/posix/terminal_signals.hpp"
#include "tui/error.hpp"
#include "tui/rect.hpp"

namespace tty {

/// What the device writes, spelled for the terminal by whoever opens it.
struct DeviceTexts {
  std::string show_cursor;
  std::string hide_cursor;
  /// The modes kept on while the terminal is held, and what puts them back.
  std::string modes_on;
  std::string modes_off;
  std::string enter_alternate_screen;
  std::string leave_alternate_screen;
  /// Appends the move to the first column of row y (from 0); called during acquisition only.
  std::function<void(int y, std::string& out)> to_row_start;
};

/// The size to take for a dimension that the terminal reports as 0 cells (a pseudo-terminal
/// nobody sized, a serial line), as curses programs do.
using AssumedSize = tui::Size;

/// The controlling terminal "/dev/tty" held in raw mode with the mode sequences on, the switch
/// to the alternate screen waiting at the head of the output buffer. Destroying it gives the
/// terminal back: cursor shown, modes reset, cursor on the first column of the last row and the
/// alternate screen left (if it was entered), signal actions put back, saved attributes restored
/// at once; failures on the way are ignored, and nothing is allocated, so that the giving back
/// cannot stop halfway. Meanwhile the signals that end or stop the process give the terminal
/// back first, and a window change is noted (`TerminalSignals`).
class Device {
 public:
  /// Acquisition: open and duplicate, save the attributes, measure the size (refusing one too
  /// large to hold), signal handlers, raw mode, mode sequences (sent), alternate screen
  /// (buffered). A failure undoes what was done: before the size is measured by closing,
  /// afterwards by the full release.
  static std::expected<std::unique_ptr<Device>, tui::Error> acquire(SystemCalls& calls,
                                                                    const DeviceTexts& texts,
                                                                    AssumedSize assumed);
  ~Device();
  Device(const Device&) = delete;
  Device& operator=(const Device&) = delete;

  /// Columns and rows measured at acquisition.
  tui::Size size() const { return size_; }
  /// Where output collects until `flush`; kept between frames.
  std::string& output() { return output_; }
  /// Writes the output in one go and waits until the terminal has taken it; without output it
  /// does nothing. On failure the output is dropped, except a switch to the alternate screen
  /// that never went out.
  std::expected<void, tui::Error> flush();
  /// Whether a signal took the terminal back again since the last call (after a stop, say):
  /// what the screen shows is then unknown.
  bool taken_again() { return signals_ && signals_->taken_again(); }
  /// Whether the window changed since the last call (at the first call: since it was measured).
  bool window_changed() { return signals_ && signals_->window_changed(); }
  /// The window's size now, asked of the terminal (a dimension it reports as 0 assumed), or the
  /// error number when it cannot tell.
  std::expected<tui::Size, int> measure_window();

 private:
  Device(SystemCalls& calls, const DeviceTexts& texts, AssumedSize assumed);
  /// Opens the terminal and saves its attributes.
  std::expected<void, tui::Error> open_terminal();
  /// Measures the size, installs the signal handlers, enters raw mode and sends the modes.
  std::expected<void, tui::Error> take_over(const DeviceTexts& texts);
  /// Builds what gives the terminal back and takes it again, the way back ending on row
  /// `last_row` (none: the row is unknown), and what the signal handlers are given.
  void build_texts(const DeviceTexts& texts, std::optional<int> last_row);
  void release() noexcept;

  SystemCalls& calls_;
  OwnedFd read_;
  OwnedFd write_;
  termios saved_{};
  bool release_armed_ = false;
  AssumedSize assumed_;
  tui::Size size_;
  std::string output_;
  std::string enter_alternate_screen_;
  /// What gives the terminal back, built whole beforehand: the cursor shown, the modes reset and,
  /// last, the cursor on the last row and the alternate screen left. On a terminal without an
  /// alternate screen the prompt then comes below the picture.
  std::string give_back_;
  /// What takes the terminal again after a stop: the modes, the alternate screen, the cursor
  /// hidden.
  std::string take_again_;
  /// Both, cut at the screen switch, with what else the handlers need.
  SignalTexts signal_texts_;
  /// The switch to the alternate screen: not asked for, waiting at the head of the output,
  /// or written to the terminal.
  enum class AlternateScreen { Off, Pending, Entered } alternate_screen_ = AlternateScreen::Off;
  /// Last, so that it goes before the texts its handlers write.
  std::unique_ptr<TerminalSignals> signals_;
};

}  // namespace tty
