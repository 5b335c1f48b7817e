// A steady animation allocates nothing per frame: every buffer on the way to the terminal is
// kept between frames. Giving the terminal back allocates nothing either, so that it cannot
// stop halfway.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <optional>

#include "support/allocation_counter.hpp"
#include "support/fake_system_calls.hpp"
#include "tty/device_backend.hpp"
#include "tui/terminal.hpp"

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
  support::FakeSystemCalls calls;
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
  const long before = support::heap_allocations.load();
  for (int step = 80; step < 160; ++step) {
    if (!terminal.try_draw([&](tui::Frame& f) { draw_walker(f, step); })) break;
  }
  EXPECT_EQ(support::heap_allocations.load() - before, 0);
}

TEST(Release, AllocatesNothingAndRestoresTheTerminalWhenItsWriteFails) {
  support::FakeSystemCalls calls;
  tty::MapEnvironment environment{{"TERM", "xterm-256color"}};
  auto backend = tty::open_device_backend(calls, environment);
  ASSERT_TRUE(backend);
  std::optional<tui::Terminal> terminal(std::in_place, std::move(*backend));
  for (int step = 0; step < 3; ++step) {
    ASSERT_TRUE(terminal->try_draw([&](tui::Frame& f) { draw_walker(f, step); }));
  }
  // The fake's own records must not count.
  calls.record = false;
  calls.set_attribute_whens.reserve(calls.set_attribute_whens.size() + 1);
  calls.fail("write", EIO, calls.count("write") + 1);
  const long before = support::heap_allocations.load();
  terminal.reset();
  EXPECT_EQ(support::heap_allocations.load() - before, 0);
  EXPECT_TRUE(calls.attributes.c_lflag & ICANON) << "the saved attributes are back";
  EXPECT_TRUE(calls.open_fds.empty());
}

/// Allocates and frees a T, an array of them, and both again without throwing; the asm keeps
/// the compiler from leaving out an allocation that is freed at once.
template <typename T>
void new_and_delete_each_way() {
  auto keep = [](void* p) { asm volatile("" : : "g"(p) : "memory"); };
  T* one = new T;
  keep(one);
  delete one;
  T* many = new T[3];
  keep(many);
  delete[] many;
  T* quiet = new (std::nothrow) T;
  keep(quiet);
  delete quiet;
  T* quiet_many = new (std::nothrow) T[3];
  keep(quiet_many);
  delete[] quiet_many;
}

// The counter sees every form of new, and each is freed by its own delete: under the address
// sanitizer a form left to the runtime shows up as an alloc-dealloc mismatch.
TEST(AllocationCounter, CountsEveryFormOfNew) {
  struct alignas(64) Wide {
    char bytes[64];
  };
  const long before = support::heap_allocations.load();
  new_and_delete_each_way<int>();
  new_and_delete_each_way<Wide>();
  // The nothrow deletes, which only a throwing constructor would reach otherwise.
  const std::align_val_t align{64};
  ::operator delete(::operator new(8, std::nothrow), std::nothrow);
  ::operator delete[](::operator new[](8, std::nothrow), std::nothrow);
  ::operator delete(::operator new(64, align, std::nothrow), align, std::nothrow);
  ::operator delete[](::operator new[](64, align, std::nothrow), align, std::nothrow);
  EXPECT_EQ(support::heap_allocations.load() - before, 12);
}

}  // namespace
