// What the backend sends, replayed in libvterm (an independent terminal emulator) for every
// kind of terminal description: each cell must show the frame's symbol in the frame's colours.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <vterm.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/fake_system_calls.hpp"
#include "tavvik/animation_state.hpp"
#include "tavvik/scene.hpp"
#include "tty/device_backend.hpp"
#include "tty/terminfo/capabilities.hpp"
#include "tty/terminfo/control_strings.hpp"
#include "tui/terminal.hpp"

namespace {

using support::FakeSystemCalls;

/// A libvterm screen fed with bytes, and beside it a second one that notes every symbol written
/// into the bottom-right cell.
class Emulator {
 public:
  Emulator(int columns, int rows)
      : columns_(columns),
        rows_(rows),
        vt_(vterm_new(rows, columns)),
        watch_(vterm_new(rows, columns)) {
    vterm_set_utf8(vt_, 1);
    screen_ = vterm_obtain_screen(vt_);
    vterm_screen_enable_altscreen(screen_, 1);
    vterm_screen_reset(screen_, 1);
    vterm_set_utf8(watch_, 1);
    watching_.putglyph = [](VTermGlyphInfo*, VTermPos at, void* self) {
      auto& emulator = *static_cast<Emulator*>(self);
      emulator.corner_written_ |= at.row == emulator.rows_ - 1 && at.col == emulator.columns_ - 1;
      return 1;
    };
    // Taken as done, so that libvterm does not move cells through callbacks left unset.
    watching_.scrollrect = [](VTermRect, int, int, void*) { return 1; };
    vterm_state_set_callbacks(vterm_obtain_state(watch_), &watching_, this);
    vterm_state_reset(vterm_obtain_state(watch_), 1);
  }
  ~Emulator() {
    vterm_free(vt_);
    vterm_free(watch_);
  }
  void feed(std::string_view bytes) {
    vterm_input_write(vt_, bytes.data(), bytes.size());
    vterm_input_write(watch_, bytes.data(), bytes.size());
  }
  bool corner_written() const { return corner_written_; }
  VTermScreenCell cell(int x, int y) const {
    VTermScreenCell cell{};
    vterm_screen_get_cell(screen_, VTermPos{y, x}, &cell);
    return cell;
  }
  /// The screen made `columns` x `rows`, as a terminal's window is.
  void resize(int columns, int rows) {
    columns_ = columns;
    rows_ = rows;
    vterm_set_size(vt_, rows, columns);
    vterm_set_size(watch_, rows, columns);
  }
  int columns() const { return columns_; }
  int rows() const { return rows_; }

 private:
  int columns_;
  int rows_;
  VTerm* vt_;
  VTermScreen* screen_;
  VTerm* watch_;
  VTermStateCallbacks watching_{};
  bool corner_written_ = false;
};

std::string describe(const VTermColor& color, bool foreground) {
  if (foreground ? VTERM_COLOR_IS_DEFAULT_FG(&color) : VTERM_COLOR_IS_DEFAULT_BG(&color)) {
    return "default";
  }
  if (VTERM_COLOR_IS_INDEXED(&color)) return std::to_string(color.indexed.idx);
  return "rgb";
}

std::string describe(tui::Color color) {
  return color.is_reset() ? "default" : std::to_string(color.index());
}

/// Every difference between the emulator's screen and the frame where both reach, as readable
/// lines.
std::string differences(const Emulator& emulator, const tui::Buffer& frame, bool skip_corner) {
  std::string found;
  const int width = std::min<int>(frame.area().width, emulator.columns());
  const int height = std::min<int>(frame.area().height, emulator.rows());
  for (std::uint16_t y = 0; y < height; ++y) {
    for (std::uint16_t x = 0; x < width; ++x) {
      if (skip_corner && x == width - 1 && y == height - 1) continue;
      const tui::Cell& want = frame.at(x, y);
      const VTermScreenCell got = emulator.cell(x, y);
      const char32_t symbol = got.chars[0] == 0 ? U' ' : got.chars[0];
      std::string problem;
      if (symbol != want.symbol) problem += " symbol";
      if (describe(got.fg, true) != describe(want.fg)) {
        problem += " fg " + describe(got.fg, true) + " != " + describe(want.fg);
      }
      if (describe(got.bg, false) != describe(want.bg)) {
        problem += " bg " + describe(got.bg, false) + " != " + describe(want.bg);
      }
      if (!problem.empty()) {
        found += "(" + std::to_string(x) + "," + std::to_string(y) + ")" + problem + "\n";
        if (found.size() > 2000) return found;
      }
    }
  }
  return found;
}

// Descriptions no system has: direct colour told by the extended RGB capability alone, as a
// number and as a string, a cursor address and colours whose expansions overflow the
// renderer's scratch space (64 and 24 bytes), and colour parameters exactly as long as that
// space and one byte longer. Every other capability is xterm-256color's, or ansi's for the two
// that insert in other ways.
constexpr const char* kMadeDescriptions = R"(
rgb-number|direct colour by RGB as a number,
	RGB#8, setaf=\E[%?%p1%{8}%<%t3%p1%d%e38;2;%p1%{65536}%/%d;%p1%{256}%/%{255}%&%d;%p1%{255}%&%d%;m,
	use=xterm-256color,
rgb-string|direct colour by RGB as a string,
	RGB=8/8/8, setab=\E[%?%p1%{8}%<%t4%p1%d%e48;2;%p1%{65536}%/%d;%p1%{256}%/%{255}%&%d;%p1%{255}%&%d%;m,
	use=xterm-256color,
overlong|spellings too long for the scratch space, and no other way to move the cursor,
	cup=\E[%i%p1%040d;%p2%040dH, setaf=\E[38;5;%p1%030dm,
	cr@, cub1@, cud1@, cub@, cud@, cuf@, cuu@, hpa@, use=xterm-256color,
slot-long|colour parameters of 24 bytes,
	setaf=\E[38;5;%p1%019dm, use=xterm-256color,
slot-overlong|colour parameters of 25 bytes,
	setaf=\E[38;5;%p1%020dm, use=xterm-256color,
ansi-insert-mode|ansi inserting in insert mode only,
	ich@, smir=\E[4h, rmir=\E[4l, use=ansi,
ansi-no-insert|ansi without any way to insert,
	ich@, use=ansi,
)";

/// The directory `kMadeDescriptions` are compiled into, searched before the system's.
const std::string& made_descriptions() {
  struct Directory {
    std::string path = (std::filesystem::temp_directory_path() / "tavvik-vterm-XXXXXX").string();
    Directory() {
      if (::mkdtemp(path.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
      std::ofstream(path + "/made.src") << kMadeDescriptions;
      const std::string tic = "tic -x -o '" + path + "' '" + path + "/made.src'";
      if (std::system(tic.c_str()) != 0) throw std::runtime_error(tic + " failed");
    }
    ~Directory() { std::filesystem::remove_all(path); }
  };
  static const Directory directory;
  return directory.path;
}

/// A terminal on the production backend over fake system calls, whose output is replayed in
/// an emulator as each frame is sent.
class ReplayedTerminal {
 public:
  explicit ReplayedTerminal(const char* term, std::uint16_t columns = 80, std::uint16_t rows = 24,
                            const char* colorterm = nullptr)
      : environment_(variables(term, colorterm)), emulator_(columns, rows) {
    calls_.window = winsize{rows, columns, 0, 0};
    auto backend = tty::open_device_backend(calls_, environment_);
    if (!backend) throw std::runtime_error(backend.error().text());
    terminal_.emplace(std::move(*backend));
    // Terminals that wrap as soon as the last column is written take the last cell only by an
    // insertion; written there, a symbol would scroll them.
    const auto strings = tty::control_strings_for(tty::probe_capabilities(environment_));
    eager_wrap_ = strings.eager_wrap;
    skip_corner_ = eager_wrap_ && strings.insert_blank.empty() && strings.insert_mode_on.empty();
  }

  /// Draws one frame and replays what it sent; false when sending failed.
  template <typename DrawFn>
  bool draw(DrawFn&& draw_frame) {
    const bool sent = terminal_
                          ->try_draw([&](tui::Frame& frame) {
                            std::forward<DrawFn>(draw_frame)(frame);
                            drawn_ = frame.buffer();
                          })
                          .has_value();
    emulator_.feed(std::string_view(calls_.written).substr(replayed_));
    replayed_ = calls_.written.size();
    return sent;
  }
  /// Makes the window `window`, told as the kernel tells it: the next frame is drawn within it.
  void resize_window(tui::Size window) {
    calls_.window = winsize{window.height, window.width, 0, 0};
    calls_.actions[SIGWINCH].sa_sigaction(SIGWINCH, nullptr, nullptr);
    emulator_.resize(window.width, window.height);
  }
  /// Every cell where the emulated screen differs from the frame drawn last.
  std::string mismatches() const {
    const bool scrolled = eager_wrap_ && emulator_.corner_written();
    return differences(emulator_, drawn_, skip_corner_) + (scrolled ? "scrolled\n" : "");
  }
  /// Everything sent so far, the set-up included.
  const std::string& written() const { return calls_.written; }

 private:
  static tty::MapEnvironment variables(const char* term, const char* colorterm) {
    const std::string& made = made_descriptions();
    if (!term) return {{"TERMINFO", made}};
    if (!colorterm) return {{"TERM", term}, {"TERMINFO", made}};
    return {{"TERM", term}, {"COLORTERM", colorterm}, {"TERMINFO", made}};
  }

  FakeSystemCalls calls_;
  tty::MapEnvironment environment_;
  std::optional<tui::Terminal> terminal_;
  tui::Buffer drawn_;
  Emulator emulator_;
  bool eager_wrap_ = false;
  bool skip_corner_ = false;
  std::size_t replayed_ = 0;
};

const tui::Color kColors[] = {tui::Color::Reset,        tui::Color::Black,
                              tui::Color::Red,          tui::Color::Green,
                              tui::Color::White,        tui::Color::Indexed(130),
                              tui::Color::Indexed(172), tui::Color::Indexed(210)};
const char32_t kSymbols[] = {U' ', U'A', U'z', U'▀', U'▄', U'─', U'é', U'★'};

struct Case {
  const char* term;  // nullptr: TERM unset
  std::uint16_t columns;
  std::uint16_t rows;
  tui::Size window{};  // when set, the window the terminal is made before the fourth frame
};

/// The case's name, which says everything it holds: "xterm_256color_80x24", and
/// "xterm_256color_100x30_in_60x20" for a window changed mid-run.
std::string name_of(const testing::TestParamInfo<Case>& info) {
  std::string name = info.param.term ? info.param.term : "unset";
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  name += "_" + std::to_string(info.param.columns) + "x" + std::to_string(info.param.rows);
  const tui::Size window = info.param.window;
  if (window.width == 0) return name;
  return name + "_in_" + std::to_string(window.width) + "x" + std::to_string(window.height);
}

class RendererOnDescription : public testing::TestWithParam<Case> {};

TEST_P(RendererOnDescription, EveryFrameLandsCellForCell) {
  const Case param = GetParam();
  ReplayedTerminal terminal(param.term, param.columns, param.rows);
  std::mt19937 random(1234);
  tui::Buffer model(tui::Rect{0, 0, param.columns, param.rows});
  for (int frame = 0; frame < 40; ++frame) {
    // Mostly small changes; now and then large blank areas, whole rows and a full clear-out.
    const int kind = frame % 10;
    for (auto& cell : model.cells()) {
      const unsigned roll = random() % 100;
      if (kind == 7 && roll < 70) {
        cell = tui::Cell{};
      } else if (kind == 9) {
        cell = tui::Cell{};
      } else if (roll < 15) {
        cell.symbol = kSymbols[random() % std::size(kSymbols)];
        cell.fg = kColors[random() % std::size(kColors)];
        cell.bg = kColors[random() % std::size(kColors)];
      }
    }
    if (kind == 4 && param.rows > 2) {
      for (std::uint16_t x = 0; x < param.columns; ++x) model.at(x, 1) = tui::Cell{};
    }
    ASSERT_TRUE(terminal.draw([&](tui::Frame& f) {
      std::copy(model.cells().begin(), model.cells().end(), f.buffer().cells().begin());
    }));
    ASSERT_EQ(terminal.mismatches(), "") << "frame " << frame;
  }
  // An eight-colour description must never be asked for colour 130 with its own setaf.
  for (const char* wrong : {"[3130m", "[4130m", "[3172m", "[3210m", ";3130m"}) {
    EXPECT_EQ(terminal.written().find(wrong), std::string::npos) << wrong;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Descriptions, RendererOnDescription,
    testing::Values(
        Case{nullptr, 23, 9}, Case{"vt100", 23, 9}, Case{"linux", 23, 9}, Case{"screen", 23, 9},
        Case{"xterm", 23, 9}, Case{"xterm-256color", 23, 9}, Case{"tmux-256color", 23, 9},
        Case{"no-such-terminal", 23, 9}, Case{"no-such-256color", 23, 9},
        Case{"xterm-256color", 80, 24}, Case{"xterm", 1, 1}, Case{"vt100", 130, 3},
        // Automatic margins without the newline glitch: wrapping at once, the last
        // cell pushed into place by inserting before it, or left alone.
        Case{"ansi", 23, 9}, Case{"ansi-insert-mode", 23, 9}, Case{"ansi-no-insert", 23, 9},
        // Direct colour: setaf takes RGB from 8 on, spelled with ':' or ';'.
        Case{"xterm-direct", 23, 9}, Case{"vte-direct", 23, 9}, Case{"kitty-direct", 23, 9},
        Case{"rgb-number", 23, 9}, Case{"rgb-string", 23, 9},
        // Expansions too long for the renderer's scratch space.
        Case{"overlong", 23, 9}),
    name_of);

class AnimationOnDescription : public testing::TestWithParam<Case> {};

TEST_P(AnimationOnDescription, EveryFrameOfTheWalkAndTheCarryLandsCellForCell) {
  const Case param = GetParam();
  ReplayedTerminal terminal(param.term, param.columns, param.rows);
  tavvik::Scene scene;
  tavvik::AnimationState state;
  state.area = tui::Rect{0, 0, param.columns, param.rows};
  // The first frame, the walk up to the fruit and a stretch of carrying it away.
  int carrying = 0;
  for (int frame = 0; carrying < 30; ++frame) {
    ASSERT_LT(frame, 1000) << "the sprite never reached the fruit";
    if (frame == 3 && param.window.width != 0) terminal.resize_window(param.window);
    ASSERT_TRUE(terminal.draw([&](tui::Frame& f) { scene.draw_frame(f, state); }));
    ASSERT_EQ(terminal.mismatches(), "") << "frame " << frame;
    state.first_frame = false;
    state.advance();
    if (state.arrived) ++carrying;
  }
}

TEST_P(AnimationOnDescription, StretchesMovingRightOverABackgroundLandCellForCell) {
  // Random pictures drifting right by random steps over a fixed border and background, with
  // some noise: shifts and regrouped colours both get exercised.
  const Case param = GetParam();
  ReplayedTerminal terminal(param.term, param.columns, param.rows);
  std::mt19937 random(99);
  std::vector<tui::Cell> picture(40);
  for (auto& cell : picture) {
    cell = random() % 4 == 0 ? tui::Cell{}
                             : tui::Cell{kSymbols[random() % std::size(kSymbols)],
                                         kColors[random() % std::size(kColors)],
                                         kColors[random() % std::size(kColors)]};
  }
  int position = 0;
  for (int frame = 0; frame < 60; ++frame) {
    position += static_cast<int>(random() % 7);
    if (position > param.columns) position = 0;
    if (frame == 3 && param.window.width != 0) terminal.resize_window(param.window);
    ASSERT_TRUE(terminal.draw([&](tui::Frame& f) {
      tui::Buffer& buffer = f.buffer();
      for (std::uint16_t y = 0; y < param.rows; ++y) {
        buffer.set_symbol(0, y, U'│');
        buffer.set_symbol(param.columns - 1u, y, U'│');
        buffer.set_symbol(param.columns / 2u, y, U'x');
        for (std::size_t i = 0; i < picture.size(); ++i) {
          const std::uint32_t x = 1 + position + static_cast<std::uint32_t>(i);
          if (y % 3 != 0 && x + 1 < param.columns) {
            buffer.at(static_cast<std::uint16_t>(x), y) = picture[(i + y) % picture.size()];
          }
        }
      }
      // A little noise, different every frame.
      for (int n = 0; n < 5; ++n) {
        buffer.at(static_cast<std::uint16_t>(random() % param.columns),
                  static_cast<std::uint16_t>(random() % param.rows)) =
            tui::Cell{U'#', kColors[random() % std::size(kColors)], tui::Color::Reset};
      }
    }));
    ASSERT_EQ(terminal.mismatches(), "") << "frame " << frame;
  }
}

INSTANTIATE_TEST_SUITE_P(Descriptions, AnimationOnDescription,
                         testing::Values(Case{"xterm-256color", 200, 50},
                                         Case{"xterm-256color", 100, 30}, Case{"xterm", 100, 30},
                                         Case{"screen", 100, 30}, Case{"linux", 100, 30},
                                         Case{"no-such-terminal", 100, 30}, Case{"ansi", 100, 30},
                                         // A window made smaller, or larger, mid-run.
                                         Case{"xterm-256color", 100, 30, {60, 20}},
                                         Case{"screen", 100, 30, {120, 36}}),
                         name_of);

/// The colours of one frame, written once each, after the first frame's output.
std::string colour_output(const char* term, const char* colorterm = nullptr) {
  ReplayedTerminal terminal(term, 80, 24, colorterm);
  EXPECT_TRUE(terminal.draw([](tui::Frame&) {}));
  const std::size_t mark = terminal.written().size();
  EXPECT_TRUE(terminal.draw([](tui::Frame& f) {
    std::uint16_t x = 0;
    for (auto color : kColors) f.buffer().at(x++, 0) = tui::Cell{U'#', color, tui::Color::Reset};
  }));
  EXPECT_EQ(terminal.mismatches(), "");
  return terminal.written().substr(mark);
}

TEST(RendererColours, ComparisonNoticesAWrongCell) {
  Emulator emulator(3, 1);
  emulator.feed("a\x1b[31mb");
  tui::Buffer frame(tui::Rect{0, 0, 3, 1});
  frame.at(0, 0).symbol = U'a';
  frame.at(1, 0) = tui::Cell{U'b', tui::Color::Green, tui::Color::Reset};
  EXPECT_EQ(differences(emulator, frame, false), "(1,0) fg 1 != 2\n");
}

TEST(RendererColours, EachDescriptionGetsItsOwnFormOrTheXtermOne) {
  // The cursor is still at the top left after the empty first frame.
  const std::string xterm_form =
      "#\x1b[30m#\x1b[31m#\x1b[32m#\x1b[97m#\x1b[38;5;130m#\x1b[38;5;172m#\x1b[38;5;210m#\x1b[m";
  const std::string padded = "\x1b[38;5;0000000000000000";
  const struct {
    const char* term;
    const char* colorterm;
    std::string expected;
  } cases[] = {
      // Eight colours: the palette form beyond the description's count.
      {"xterm", nullptr,
       "#\x1b[30m#\x1b[31m#\x1b[32m#\x1b[38;5;15m#\x1b[38;5;130m#\x1b[38;5;172m#"
       "\x1b[38;5;210m#\x1b[m"},
      // True colour keeps palette indices.
      {"xterm-256color", "truecolor", xterm_form},
      {"slot-long", nullptr,
       "#" + padded + "000m#" + padded + "001m#" + padded + "002m#" + padded + "015m#" + padded +
           "130m#" + padded + "172m#" + padded + "210m#\x1b[m"},
      {"slot-overlong", nullptr, xterm_form},
  };
  for (const auto& [term, colorterm, expected] : cases) {
    EXPECT_EQ(colour_output(term, colorterm), expected) << term;
  }
}

TEST(RendererEfficiency, ForegroundAndBackgroundChangeInOneSequence) {
  ReplayedTerminal terminal("xterm-256color");
  ASSERT_TRUE(terminal.draw([](tui::Frame& f) {
    f.buffer().at(0, 0) = tui::Cell{U'▀', tui::Color::Indexed(130), tui::Color::Red};
  }));
  EXPECT_NE(terminal.written().find("\x1b[38;5;130;41m▀"), std::string::npos) << terminal.written();
}

TEST(RendererEfficiency, UnchangedFrameSendsNothingAndShortGapsAreCheap) {
  ReplayedTerminal terminal("xterm-256color");
  auto draw = [](int shift) {
    return [shift](tui::Frame& f) {
      f.buffer().set_symbol(10 + shift, 5, U'a');
      f.buffer().set_symbol(13 + shift, 5, U'b');
      f.buffer().set_symbol(2, 6, U'c');
    };
  };
  ASSERT_TRUE(terminal.draw(draw(0)));
  std::size_t mark = terminal.written().size();
  ASSERT_TRUE(terminal.draw(draw(0)));
  EXPECT_EQ(terminal.written().substr(mark), "");
  mark = terminal.written().size();
  ASSERT_TRUE(terminal.draw(draw(1)));
  // a moves from 10 to 11 and b from 13 to 14: blank, 'a', overwrite the blank gap, 'b'.
  EXPECT_EQ(terminal.written().substr(mark), "\x1b[6;11H a  b");
  EXPECT_EQ(terminal.mismatches(), "");
}

TEST(RendererEfficiency, AStretchMovedRightIsShiftedNotRedrawn) {
  ReplayedTerminal terminal("xterm-256color", 40, 3);
  const std::u32string_view text = U"ab▀cd▄ef▀gh▄ij";
  auto draw = [&](int shift) {
    return [&, shift](tui::Frame& f) {
      for (std::size_t i = 0; i < text.size(); ++i) {
        f.buffer().at(static_cast<std::uint16_t>(5 + shift + i), 1) = tui::Cell{
            text[i], i % 2 ? tui::Color::Indexed(172) : tui::Color::Red, tui::Color::Indexed(130)};
      }
      f.buffer().set_symbol(39, 1, U'│');
    };
  };
  ASSERT_TRUE(terminal.draw(draw(0)));
  const std::size_t mark = terminal.written().size();
  ASSERT_TRUE(terminal.draw(draw(2)));
  const std::string moved = terminal.written().substr(mark);
  EXPECT_NE(moved.find("\x1b[2P"), std::string::npos) << moved;
  EXPECT_NE(moved.find("\x1b[2@"), std::string::npos) << moved;
  EXPECT_LT(moved.size(), 40u) << moved;
  EXPECT_EQ(terminal.mismatches(), "");
}

TEST(RendererEfficiency, StretchesOfOneColourShareTheirColourChangeAcrossRows) {
  ReplayedTerminal terminal("xterm-256color", 40, 3);
  ASSERT_TRUE(terminal.draw([](tui::Frame&) {}));
  const std::size_t mark = terminal.written().size();
  ASSERT_TRUE(terminal.draw([](tui::Frame& f) {
    for (std::uint16_t i = 0; i < 12; ++i) {
      f.buffer().at(static_cast<std::uint16_t>(3 + 2 * (i % 6)), 1 + i / 6) = tui::Cell{
          U'▀', i % 2 ? tui::Color::Indexed(172) : tui::Color::Indexed(130), tui::Color::Reset};
    }
  }));
  const std::string drawn = terminal.written().substr(mark);
  for (const char* colour : {"38;5;130", "38;5;172"}) {
    // Written exactly once: its first place is its last.
    EXPECT_NE(drawn.find(colour), std::string::npos) << colour << " in " << drawn;
    EXPECT_EQ(drawn.find(colour), drawn.rfind(colour)) << colour << " in " << drawn;
  }
  EXPECT_EQ(terminal.mismatches(), "");
}

TEST(RendererEfficiency, TheNextRowIsReachedByThePendingWrapOnlyWhereTheDescriptionAllowsIt) {
  // After the last column, with automatic margins and the newline glitch, the next symbol goes
  // to the start of the next row: never without the glitch, nor short of the window's edge.
  const struct {
    const char* term;
    std::uint16_t window;
    bool wraps;
  } cases[] = {{"xterm-256color", 10, true}, {"ansi", 10, false}, {"xterm-256color", 12, false}};
  for (const auto& [term, window, wraps] : cases) {
    ReplayedTerminal terminal(term, 10, 3);
    if (window != 10) terminal.resize_window({window, 3});
    ASSERT_TRUE(terminal.draw([](tui::Frame& f) {
      f.buffer().set_symbol(9, 0, U'a');
      f.buffer().set_symbol(0, 1, U'b');
    }));
    EXPECT_EQ(terminal.written().find("ab") != std::string::npos, wraps) << term << window;
    EXPECT_EQ(terminal.mismatches(), "") << term << window;
  }
}

TEST(RendererColours, ErasesAndShiftsAfterAColouredCellLeaveDefaultColours) {
  // Each erase and the shift come right after a cell with a red background was written: they
  // must not fill the screen with it.
  for (const char* term : {"xterm-256color", "screen", "linux"}) {
    ReplayedTerminal terminal(term, 40, 7);
    const std::u32string_view text = U"ab▀cd▄ef▀gh▄ij";
    auto draw = [&](bool second) {
      return [&, second](tui::Frame& f) {
        tui::Buffer& buffer = f.buffer();
        const tui::Cell coloured{U'o', tui::Color::White, tui::Color::Indexed(130)};
        for (std::uint16_t x = 0; !second && x < 30; ++x) buffer.at(2 + x, 2) = coloured;
        for (std::uint16_t x = 0; !second && x < 16; ++x) buffer.at(5 + x, 3) = coloured;
        for (std::uint16_t y = 2; second && y <= 4; ++y) {
          buffer.at(0, y) = tui::Cell{U'r', tui::Color::Reset, tui::Color::Red};
        }
        buffer.set_symbol(39, 2, U'│');
        for (std::size_t i = 0; i < text.size(); ++i) {
          buffer.at(static_cast<std::uint16_t>((second ? 7 : 5) + i), 5) =
              tui::Cell{text[i], tui::Color::Indexed(172), tui::Color::Indexed(130)};
        }
        buffer.set_symbol(39, 5, U'│');
      };
    };
    ASSERT_TRUE(terminal.draw(draw(false)));
    const std::size_t mark = terminal.written().size();
    ASSERT_TRUE(terminal.draw(draw(true)));
    EXPECT_EQ(terminal.mismatches(), "") << term;
    if (std::string_view(term) == "xterm-256color") {
      const std::string second = terminal.written().substr(mark);
      for (const char* used : {"\x1b[30X", "\x1b[K", "\x1b[2P", "\x1b[2@"}) {
        EXPECT_NE(second.find(used), std::string::npos) << used + 1 << " in " << second;
      }
    }
  }
}

}  // namespace
