// A steady animation allocates nothing per frame: every buffer on the way to the terminal is
// kept between frames.

// operator new is built on malloc, which GCC would otherwise report as a mismatch wherever
// a replaced delete frees it.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "tty/device_backend.hpp"
#include "tty/fake_system_calls.hpp"
#include "tui/terminal.hpp"

namespace {
std::atomic<bool> g_counting{false};
std::atomic<long> g_allocations{0};
}  // namespace

void* operator new(std::size_t size) {
  if (g_counting.load(std::memory_order_relaxed)) ++g_allocations;
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}

namespace {

void draw_walker(tui::Frame& frame, int step) {
  // A coloured block walking along a bordered screen, as the animation does.
  auto& buffer = frame.buffer();
  const auto area = frame.area();
  for (std::uint16_t x = 0; x < area.width; ++x) {
    buffer.at(x, 0).symbol = U'─';
    buffer.at(x, static_cast<std::uint16_t>(area.height - 1)).symbol = U'─';
  }
  for (int y = 3; y < 12; ++y) {
    for (int x = 0; x < 16; ++x) {
      const int column = (step * 2 + x) % (area.width - 2) + 1;
      buffer.at(static_cast<std::uint16_t>(column), static_cast<std::uint16_t>(y)) =
          tui::Cell{(x + y + step) % 2 ? U'▀' : U'▄', tui::Color::Indexed(130 + (x % 3)),
                    (x % 4) ? tui::Color::Indexed(172) : tui::Color::Reset};
    }
  }
}

TEST(SteadyFrames, AllocateNothingOnceWarm) {
  tty_test::FakeSystemCalls calls;
  calls.record = false;
  calls.window = winsize{24, 80, 0, 0};
  tty::MapEnvironment environment{{"TERM", "xterm-256color"}};
  auto backend = tty::open_device_backend(calls, environment);
  ASSERT_TRUE(backend);
  tui::Terminal terminal(std::move(*backend));
  // The walk repeats every 39 frames; one full round grows every buffer to its largest.
  for (int step = 0; step < 80; ++step) {
    ASSERT_TRUE(terminal.try_draw([&](tui::Frame& f) { draw_walker(f, step); }));
  }
  g_counting = true;
  for (int step = 80; step < 160; ++step) {
    if (!terminal.try_draw([&](tui::Frame& f) { draw_walker(f, step); })) break;
  }
  g_counting = false;
  EXPECT_EQ(g_allocations.load(), 0);
}

}  // namespace
