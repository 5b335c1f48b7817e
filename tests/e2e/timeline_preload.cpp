// Preloaded (LD_PRELOAD) into a process under test, so that the installed, unmodified product
// can be driven through its whole timeline quickly and looked at on the way:
//
//   TAVVIK_TEST_VIRTUAL_CLOCK=1   the monotonic clock moves only when the process sleeps, and
//                                 sleeps return at once: 17 seconds of animation play in a
//                                 fraction of a second, with the frames a real run would have.
//   TAVVIK_TEST_PAUSE_DIR=dir     with TAVVIK_TEST_PAUSE_AT=1,5,90: at those sleeps (counted
//                                 from 1) write the count to dir/reached and wait until the
//                                 file dir/resume-<count> exists, so a test can capture the
//                                 screen a known frame left behind.
//   TAVVIK_TEST_THROW_AT_TCDRAIN=n  the n-th tcdrain throws a C++ exception: an internal
//                                 fault in the middle of sending a frame.
//
// Sleeps that are not the process's own pauses (there are none in the product) would be
// shortened too; nothing else is changed.

#include <dlfcn.h>
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace {

template <typename Function>
Function next_definition(const char* name) {
  return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

// The C library's own definitions, looked up once: clock_gettime is called for every frame.
int real_clock_gettime(clockid_t clock, timespec* time) {
  static const auto real = next_definition<int (*)(clockid_t, timespec*)>("clock_gettime");
  return real(clock, time);
}
int real_nanosleep(const timespec* request, timespec* remaining) {
  static const auto real = next_definition<int (*)(const timespec*, timespec*)>("nanosleep");
  return real(request, remaining);
}
int real_clock_nanosleep(clockid_t clock, int flags, const timespec* request, timespec* remaining) {
  static const auto real =
      next_definition<int (*)(clockid_t, int, const timespec*, timespec*)>("clock_nanosleep");
  return real(clock, flags, request, remaining);
}
int real_tcdrain(int fd) {
  static const auto real = next_definition<int (*)(int)>("tcdrain");
  return real(fd);
}

constexpr std::int64_t kNanosecondsPerSecond = 1'000'000'000;

std::int64_t to_nanoseconds(const timespec& time) {
  return std::int64_t{time.tv_sec} * kNanosecondsPerSecond + time.tv_nsec;
}

timespec to_timespec(std::int64_t nanoseconds) {
  return timespec{static_cast<time_t>(nanoseconds / kNanosecondsPerSecond),
                  static_cast<long>(nanoseconds % kNanosecondsPerSecond)};
}

bool virtual_clock() {
  static const bool enabled = getenv("TAVVIK_TEST_VIRTUAL_CLOCK") != nullptr;
  return enabled;
}

std::atomic<std::int64_t> slept_nanoseconds{0};
std::atomic<std::int64_t> sleep_count{0};
std::atomic<std::int64_t> tcdrain_count{0};

bool is_monotonic(clockid_t clock) {
  return clock == CLOCK_MONOTONIC || clock == CLOCK_MONOTONIC_RAW || clock == CLOCK_BOOTTIME;
}

// The real reading at the first look, plus everything slept since.
std::int64_t virtual_now() {
  static const std::int64_t start = [] {
    timespec now{};
    real_clock_gettime(CLOCK_MONOTONIC, &now);
    return to_nanoseconds(now);
  }();
  return start + slept_nanoseconds.load();
}

bool listed(const char* list, std::int64_t count) {
  const std::string wanted = std::to_string(count);
  std::string entry;
  for (const char* p = list;; ++p) {
    if (*p == ',' || *p == '\0') {
      if (entry == wanted) return true;
      entry.clear();
      if (*p == '\0') return false;
    } else {
      entry += *p;
    }
  }
}

// Waits (in real time, at most a minute) for the test to look at the screen.
void pause_if_asked(std::int64_t count) {
  const char* dir = getenv("TAVVIK_TEST_PAUSE_DIR");
  const char* at = getenv("TAVVIK_TEST_PAUSE_AT");
  if (dir == nullptr || at == nullptr || !listed(at, count)) return;
  const std::string base(dir);
  const std::string temporary = base + "/reached.tmp";
  if (FILE* file = fopen(temporary.c_str(), "w")) {
    fprintf(file, "%lld\n", static_cast<long long>(count));
    fclose(file);
    rename(temporary.c_str(), (base + "/reached").c_str());
  }
  const std::string resume = base + "/resume-" + std::to_string(count);
  const timespec step{0, 2'000'000};
  for (int waited = 0; waited < 30'000 && access(resume.c_str(), F_OK) != 0; ++waited) {
    real_nanosleep(&step, nullptr);
  }
}

int sleep_virtually(std::int64_t nanoseconds) {
  if (nanoseconds > 0) slept_nanoseconds += nanoseconds;
  pause_if_asked(++sleep_count);
  return 0;
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) int clock_gettime(clockid_t clock, timespec* time) {
  if (virtual_clock() && is_monotonic(clock)) {
    *time = to_timespec(virtual_now());
    return 0;
  }
  return real_clock_gettime(clock, time);
}

__attribute__((visibility("default"))) int nanosleep(const timespec* request, timespec* remaining) {
  if (!virtual_clock()) return real_nanosleep(request, remaining);
  if (request->tv_nsec < 0 || request->tv_nsec >= kNanosecondsPerSecond) {
    errno = EINVAL;
    return -1;
  }
  return sleep_virtually(to_nanoseconds(*request));
}

__attribute__((visibility("default"))) int clock_nanosleep(clockid_t clock, int flags,
                                                           const timespec* request,
                                                           timespec* remaining) {
  if (!virtual_clock() || !is_monotonic(clock)) {
    return real_clock_nanosleep(clock, flags, request, remaining);
  }
  const std::int64_t asked = to_nanoseconds(*request);
  return sleep_virtually((flags & TIMER_ABSTIME) != 0 ? asked - virtual_now() : asked);
}

__attribute__((visibility("default"))) int tcdrain(int fd) {
  if (const char* at = getenv("TAVVIK_TEST_THROW_AT_TCDRAIN")) {
    if (++tcdrain_count == atoll(at)) throw std::runtime_error("injected fault while sending");
  }
  return real_tcdrain(fd);
}

}  // extern "C"
