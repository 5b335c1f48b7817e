#pragma once

// System calls that never reach the operating system: descriptors are numbers in a set, the
// terminal's attributes a variable, writes collect in a string. Any call can be made to fail.

#include <errno.h>

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tty/posix/system_calls.hpp"

namespace support {

class FakeSystemCalls final : public tty::SystemCalls {
 public:
  FakeSystemCalls() {
    attributes.c_lflag = ICANON | ECHO | ISIG;
    attributes.c_iflag = ICRNL;
    attributes.c_oflag = OPOST;
    attributes.c_cc[VMIN] = 1;
    window = winsize{24, 80, 0, 0};
  }

  /// Makes the `nth` (from 1) call named `call` fail with `error`.
  void fail(const std::string& call, int error, int nth = 1) { failures[call] = {nth, error}; }
  int count(const std::string& call) const {
    auto found = calls.find(call);
    return found == calls.end() ? 0 : found->second;
  }

  std::expected<int, int> open(const char*, int) override {
    if (int e = failing("open")) return std::unexpected(e);
    return take_fd();
  }
  std::expected<int, int> duplicate(int) override {
    if (int e = failing("duplicate")) return std::unexpected(e);
    return take_fd();
  }
  Result close(int fd) override {
    failing("close");
    if (open_fds.erase(fd) == 0) ++bad_closes;
    return {};
  }
  Result set_nonblocking(int, bool) override { return result("set_nonblocking"); }
  Result get_attributes(int, termios& out) override {
    if (int e = failing("get_attributes")) return std::unexpected(e);
    out = attributes;
    return {};
  }
  Result set_attributes(int, int when, const termios& in) override {
    if (int e = failing("set_attributes")) return std::unexpected(e);
    attributes = in;
    set_attribute_whens.push_back(when);
    return {};
  }
  Result drain(int) override {
    if (int e = failing("drain")) return std::unexpected(e);
    return {};
  }
  Result window_size(int, winsize& out) override {
    if (int e = failing("window_size")) return std::unexpected(e);
    out = window;
    return {};
  }
  std::expected<std::size_t, int> write(int, const char* data, std::size_t size) override {
    if (int e = failing("write")) return std::unexpected(e);
    if (short_writes && size > 1) size = size / 2;  // the terminal takes part of it
    if (record) written.append(data, size);
    return size;
  }
  Result signal_action(int signal, const struct sigaction* action,
                       struct sigaction* previous) override {
    if (int e = failing("signal_action")) return std::unexpected(e);
    if (previous != nullptr) *previous = actions[signal];
    if (action != nullptr) actions[signal] = *action;
    return {};
  }

  termios attributes{};
  winsize window{};
  std::map<int, struct sigaction> actions;  // absent: the default
  std::set<int> open_fds;
  int bad_closes = 0;
  std::string written;
  std::vector<int> set_attribute_whens;
  bool short_writes = false;
  bool record = true;  // off: writes are taken and forgotten, allocating nothing
  std::map<std::string, int> calls;

 private:
  int take_fd() {
    open_fds.insert(next_fd_);
    return next_fd_++;
  }
  int failing(const std::string& call) {
    const int n = ++calls[call];
    auto found = failures.find(call);
    if (found != failures.end() && found->second.first == n) return found->second.second;
    return 0;
  }
  Result result(const std::string& call) {
    if (int e = failing(call)) return std::unexpected(e);
    return {};
  }

  std::map<std::string, std::pair<int, int>> failures;
  int next_fd_ = 100;
};

}  // namespace support
