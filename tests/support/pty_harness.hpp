#pragma once

// A child process in a session of its own whose controlling terminal is a fresh pseudo-terminal,
// with the parent holding the master side: everything the child writes to its terminal can be
// read, input can be typed, the terminal's attributes inspected. Every wait is bounded, and a
// child that overstays is killed, so no test hangs; whatever ends the test, every process of the
// child's session ends with it, those in process groups of their own included.

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace support {

/// The child's side: a line back to the parent and a way to wait for the parent's go-ahead.
class ChildChannel {
 public:
  ChildChannel(int to_parent, int from_parent) : to_parent_(to_parent), from_parent_(from_parent) {}
  /// Sends text to the parent, which collects it in `PtyChild::reports()`.
  void report(std::string_view text) const {
    while (!text.empty()) {
      const ssize_t written = ::write(to_parent_, text.data(), text.size());
      if (written <= 0) {
        if (written < 0 && errno == EINTR) continue;
        return;
      }
      text.remove_prefix(static_cast<std::size_t>(written));
    }
  }
  /// Waits for one `PtyChild::go_ahead()`, whatever signals come meanwhile; false after
  /// `timeout` without one.
  bool wait_for_parent(std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    pollfd entry{from_parent_, POLLIN, 0};
    for (;;) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      const int ready = ::poll(&entry, 1, static_cast<int>(std::max<long>(left.count(), 0)));
      if (ready > 0) break;
      if (ready == 0 || errno != EINTR) return false;
    }
    char byte;
    return ::read(from_parent_, &byte, 1) == 1;
  }

 private:
  int to_parent_;
  int from_parent_;
};

/// Whether two sets of terminal attributes have the same flags and control characters.
inline bool same_attributes(const termios& a, const termios& b) {
  return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
         a.c_lflag == b.c_lflag && std::equal(std::begin(a.c_cc), std::end(a.c_cc), b.c_cc);
}

/// A process as /proc tells of it: its state ('T': stopped, 'Z': dead; 0 once it is gone) and
/// its session.
struct ProcessState {
  char state = 0;
  pid_t session = 0;
};
inline ProcessState state_of(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  std::getline(stat, line);
  // pid (name) state parent group session ...; the name may hold anything, even ')'.
  const std::size_t end_of_name = line.rfind(')');
  ProcessState found;
  if (end_of_name == std::string::npos ||
      std::sscanf(line.c_str() + end_of_name + 1, " %c %*d %*d %d", &found.state, &found.session) !=
          2) {
    return {};
  }
  return found;
}

/// Sends SIGKILL to every process of `session`: a test's child has it to itself, so that is
/// the child and every process it started, in whatever process group, stopped or not. Returns
/// once none is left but the dead (a process may fork while it is looked for).
inline void kill_session(pid_t session) {
  bool found = true;
  for (int round = 0; found && round < 1000; ++round) {
    found = false;
    DIR* processes = ::opendir("/proc");
    if (processes == nullptr) return;
    while (const dirent* entry = ::readdir(processes)) {
      const pid_t pid = static_cast<pid_t>(std::atoi(entry->d_name));
      if (pid <= 0) continue;
      const ProcessState process = state_of(pid);
      if (process.session == session && process.state != 'Z' && process.state != 'X') {
        ::kill(pid, SIGKILL);
        found = true;
      }
    }
    ::closedir(processes);
    if (found) ::poll(nullptr, 0, 1);
  }
}

/// The body run in the child; its result is the child's exit code.
using ChildBody = std::function<int(ChildChannel&)>;

/// How the child's session is set up.
enum class ChildTerminal {
  Pty,   ///< a fresh pseudo-terminal is the controlling terminal
  None,  ///< a new session without any controlling terminal
};

/// The parent's handle on a child started by `start_child`.
class PtyChild {
 public:
  PtyChild(const PtyChild&) = delete;
  PtyChild& operator=(const PtyChild&) = delete;
  PtyChild(PtyChild&& other) noexcept { *this = std::move(other); }
  PtyChild& operator=(PtyChild&& other) noexcept {
    std::swap(pid_, other.pid_);
    std::swap(session_, other.session_);
    std::swap(master_, other.master_);
    std::swap(reports_in_, other.reports_in_);
    std::swap(go_out_, other.go_out_);
    output_ = std::move(other.output_);
    reports_ = std::move(other.reports_);
    exit_code_ = other.exit_code_;
    return *this;
  }
  ~PtyChild() {
    // Killed first, the child cannot start more; it may not have its own session yet.
    if (pid_ > 0) ::kill(pid_, SIGKILL);
    if (session_ > 0) kill_session(session_);
    if (pid_ > 0) ::waitpid(pid_, nullptr, 0);
    for (int fd : {master_, reports_in_, go_out_}) {
      if (fd >= 0) ::close(fd);
    }
  }

  /// Starts `body` in a child. With a pty, the terminal has `columns` x `rows` cells.
  static PtyChild start(ChildBody body, ChildTerminal terminal = ChildTerminal::Pty,
                        unsigned short columns = 80, unsigned short rows = 24) {
    PtyChild child;
    int reports[2];
    int go[2];
    if (::pipe2(reports, O_CLOEXEC) != 0 || ::pipe2(go, O_CLOEXEC) != 0) ::abort();
    std::string slave_name;
    if (terminal == ChildTerminal::Pty) {
      child.master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
      if (child.master_ < 0 || ::grantpt(child.master_) != 0 || ::unlockpt(child.master_) != 0) {
        ::abort();
      }
      slave_name = ::ptsname(child.master_);
      winsize size{rows, columns, 0, 0};
      ::ioctl(child.master_, TIOCSWINSZ, &size);
    }
    const pid_t pid = ::fork();
    if (pid < 0) ::abort();
    if (pid == 0) {
      ::close(reports[0]);
      ::close(go[1]);
      if (::setsid() < 0) ::_exit(120);
      if (terminal == ChildTerminal::Pty) {
        const int slave = ::open(slave_name.c_str(), O_RDWR);
        if (slave < 0 || ::ioctl(slave, TIOCSCTTY, 0) != 0) ::_exit(121);
        ::close(slave);
        // Only the parent may hold the master, or closing it would not hang the terminal up.
        ::close(child.master_);
      }
      // Standard streams point away from the terminal: whatever reaches it went to /dev/tty.
      const int null = ::open("/dev/null", O_RDWR);
      ::dup2(null, 0);
      ::dup2(null, 1);
      ::dup2(null, 2);
      ChildChannel channel(reports[1], go[0]);
      ::_exit(body(channel));
    }
    ::close(reports[1]);
    ::close(go[0]);
    child.pid_ = pid;
    child.session_ = pid;
    child.reports_in_ = reports[0];
    child.go_out_ = go[1];
    return child;
  }

  int master() const { return master_; }
  pid_t pid() const { return pid_; }
  /// Everything read from the terminal so far.
  const std::string& output() const { return output_; }
  /// Everything the child reported so far.
  const std::string& reports() const { return reports_; }

  /// Reads until `output()` contains `text` after position `from`, at most for `timeout`.
  bool read_until(std::string_view text, std::chrono::milliseconds timeout, std::size_t from = 0) {
    return pump_until(timeout, [&] { return output_.find(text, from) != std::string::npos; });
  }
  /// Reads until `reports()` contains `text`, at most for `timeout`.
  bool await_report(std::string_view text, std::chrono::milliseconds timeout) {
    return pump_until(timeout, [&] { return reports_.find(text) != std::string::npos; });
  }
  /// Keeps reading from the terminal and the report line until `found()`, which is asked at
  /// least every 20 ms, at most for `timeout`; whether it was found.
  template <typename Found>
  bool pump_until(std::chrono::milliseconds timeout, Found found) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!found()) {
      const auto now = std::chrono::steady_clock::now();
      if (now >= deadline) return false;
      pump(std::min(deadline, now + std::chrono::milliseconds(20)));
    }
    return true;
  }
  /// Lets the child's `wait_for_parent` return.
  void go_ahead() {
    const char byte = 1;
    (void)!::write(go_out_, &byte, 1);
  }
  /// Types bytes into the terminal, as from the keyboard.
  void type(std::string_view bytes) { (void)!::write(master_, bytes.data(), bytes.size()); }
  /// The terminal's current attributes (the master reports those of the terminal).
  std::optional<termios> attributes() const {
    termios attributes{};
    if (master_ < 0 || ::tcgetattr(master_, &attributes) != 0) return std::nullopt;
    return attributes;
  }
  /// Whether the terminal's attributes are now `want`, flag for flag.
  bool has_attributes(const termios& want) const {
    const auto now = attributes();
    return now && same_attributes(*now, want);
  }
  /// Closes the master side: to the child the terminal has gone away.
  void hang_up() {
    if (master_ >= 0) ::close(std::exchange(master_, -1));
  }

  /// Keeps reading until the child has ended (killed after `timeout`); its exit code, or
  /// -signal when a signal ended it, or nothing when it had to be killed.
  std::optional<int> finish(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (pid_ > 0) {
      int status = 0;
      const pid_t done = ::waitpid(pid_, &status, WNOHANG);
      if (done == pid_) {
        pid_ = -1;
        exit_code_ = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
        break;
      }
      if (std::chrono::steady_clock::now() >= deadline) {
        ::kill(pid_, SIGKILL);
        kill_session(session_);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
        return std::nullopt;
      }
      pump(std::min(deadline, std::chrono::steady_clock::now() + std::chrono::milliseconds(20)));
    }
    // What is still buffered on either line.
    const auto drain_deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
    while (pump(drain_deadline, true)) {
    }
    return exit_code_;
  }

 private:
  PtyChild() = default;

  /// One round of reading from the terminal and the report line; false once nothing more
  /// came before `deadline` (or, when `until_quiet`, as soon as a round brings nothing).
  bool pump(std::chrono::steady_clock::time_point deadline, bool until_quiet = false) {
    pollfd entries[2] = {{master_, POLLIN, 0}, {reports_in_, POLLIN, 0}};
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    const int ready = ::poll(entries, 2, until_quiet ? 20 : static_cast<int>(left.count()));
    if (ready <= 0) return false;
    bool got = false;
    char buffer[65536];
    if (master_ >= 0 && (entries[0].revents & (POLLIN | POLLHUP))) {
      const ssize_t n = ::read(master_, buffer, sizeof buffer);
      if (n > 0) output_.append(buffer, static_cast<std::size_t>(n)), got = true;
    }
    if (entries[1].revents & (POLLIN | POLLHUP)) {
      const ssize_t n = ::read(reports_in_, buffer, sizeof buffer);
      if (n > 0) reports_.append(buffer, static_cast<std::size_t>(n)), got = true;
    }
    // A hung-up line with nothing to read must not make the caller spin.
    if (!got && until_quiet) return false;
    if (!got) ::poll(nullptr, 0, 1);
    return true;
  }

  pid_t pid_ = -1;
  pid_t session_ = -1;  // the child's, kept once it is reaped for what it left behind
  int master_ = -1;
  int reports_in_ = -1;
  int go_out_ = -1;
  std::string output_;
  std::string reports_;
  int exit_code_ = -1;
};

}  // namespace support
