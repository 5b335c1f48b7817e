#include "tui/terminal.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/fake_backend.hpp"

namespace {

using support::BackendLog;
using support::FakeBackend;

struct Fixture {
  std::shared_ptr<BackendLog> backend;
  std::unique_ptr<tui::Terminal> terminal;
};

Fixture make_terminal(tui::Size size) {
  auto backend = std::make_unique<FakeBackend>(size);
  std::shared_ptr<BackendLog> log = backend->log();
  return {log, std::make_unique<tui::Terminal>(std::move(backend))};
}

TEST(Terminal, TheFrameAreaIsTheWholeScreenAsMeasuredOnce) {
  auto [backend, terminal] = make_terminal({80, 24});
  EXPECT_EQ(terminal->area(), (tui::Rect{0, 0, 80, 24}));
  tui::Rect seen;
  ASSERT_TRUE(terminal->try_draw([&](tui::Frame& frame) { seen = frame.area(); }));
  EXPECT_EQ(seen, (tui::Rect{0, 0, 80, 24}));
}

TEST(Terminal, OnlyChangedCellsAreSentInRowMajorOrder) {
  auto [backend, terminal] = make_terminal({4, 3});
  ASSERT_TRUE(terminal->try_draw([](tui::Frame& frame) {
    frame.buffer().at(3, 0).symbol = U'a';
    frame.buffer().at(0, 2).symbol = U'b';
    frame.buffer().at(1, 1).fg = tui::Color::Red;
  }));
  ASSERT_EQ(backend->draws.size(), 1u);
  const auto& first = backend->draws[0];
  ASSERT_EQ(first.size(), 3u);
  EXPECT_EQ(first[0].x, 3);
  EXPECT_EQ(first[0].y, 0);
  EXPECT_EQ(first[1].x, 1);
  EXPECT_EQ(first[1].y, 1);
  EXPECT_EQ(first[1].cell.fg, tui::Color::Red);
  EXPECT_EQ(first[2].cell.symbol, U'b');

  // The next frame starts blank: what stays is not sent again, what went away is blanked.
  ASSERT_TRUE(terminal->try_draw([](tui::Frame& frame) {
    EXPECT_TRUE(frame.buffer().at(3, 0).is_blank());
    frame.buffer().at(3, 0).symbol = U'a';
  }));
  const auto& second = backend->draws[1];
  ASSERT_EQ(second.size(), 2u);
  EXPECT_EQ(second[0].x, 1);
  EXPECT_TRUE(second[0].cell.is_blank());
  EXPECT_EQ(second[1].x, 0);
  EXPECT_EQ(second[1].y, 2);
  EXPECT_TRUE(second[1].cell.is_blank());
}

TEST(Terminal, EachFrameIsSentOnceWithTheCursorHiddenWholeAtFirstAndAfterAFailure) {
  auto [backend, terminal] = make_terminal({2, 2});
  backend->failing_flush = 2;
  ASSERT_TRUE(terminal->try_draw([](tui::Frame&) {}));
  auto failed = terminal->try_draw([](tui::Frame&) {});
  ASSERT_FALSE(failed);
  EXPECT_EQ(failed.error().text(), BackendLog::kFlushFailure);
  terminal->show_cursor();
  EXPECT_TRUE(terminal->try_draw([](tui::Frame&) {}));
  EXPECT_TRUE(terminal->try_draw([](tui::Frame&) {}));
  EXPECT_EQ(backend->whole, (std::vector<bool>{true, false, true, false}));
  EXPECT_EQ(backend->cursor_visible, (std::vector<bool>{false, false, false, false}));
  terminal.reset();
  EXPECT_EQ(backend->events, (std::vector<std::string>{"send", "send", "send", "send", "release"}));
}

TEST(Terminal, ZeroSizedScreensDrawEmptyFrames) {
  auto [backend, terminal] = make_terminal({0, 0});
  ASSERT_TRUE(terminal->try_draw([](tui::Frame& frame) {
    EXPECT_TRUE(frame.area().empty());
    EXPECT_TRUE(frame.buffer().cells().empty());
  }));
  EXPECT_TRUE(backend->draws[0].empty());
}

TEST(Buffer, SetOutsideTheAreaIsIgnored) {
  tui::Buffer buffer(tui::Rect{2, 1, 3, 2});
  buffer.set_symbol(1, 1, U'x');
  buffer.set_symbol(5, 1, U'x');
  buffer.set_symbol(2, 3, U'x');
  buffer.set_symbol(4, 2, U'y');
  for (const tui::Cell& cell : buffer.cells()) EXPECT_NE(cell.symbol, U'x');
  EXPECT_EQ(buffer.at(4, 2).symbol, U'y');
}

TEST(Rect, ShrinkingSaturatesAndKeepsEdgesInOrder) {
  EXPECT_EQ((tui::Rect{0, 0, 80, 24}.shrink(1)), (tui::Rect{1, 1, 78, 22}));
  EXPECT_EQ((tui::Rect{0, 0, 2, 2}.shrink(1)), (tui::Rect{1, 1, 0, 0}));
  EXPECT_EQ((tui::Rect{0, 0, 1, 0}.shrink(1)), (tui::Rect{1, 0, 0, 0}));
  EXPECT_EQ((tui::Rect{65535, 65535, 0, 0}.shrink(1)), (tui::Rect{65535, 65535, 0, 0}));
}

}  // namespace
