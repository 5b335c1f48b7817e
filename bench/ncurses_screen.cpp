#include "ncurses_screen.hpp"

#define NCURSES_WIDECHAR 1
#include <ncursesw/curses.h>
#include <unistd.h>

#include <clocale>
#include <stdexcept>

namespace bench {

namespace {
constexpr int kCodes = 257;  // 256 palette entries and Reset

int ncurses_color(tui::Color color) {
  return color.is_reset() ? -1 : color.index();
}
}  // namespace

NcursesScreen::NcursesScreen(tui::Size size) : pty_(size), pairs_(kCodes * kCodes, 0) {
  std::setlocale(LC_ALL, "C.UTF-8");
  ::unsetenv("LINES");
  ::unsetenv("COLUMNS");
  out_ = ::fdopen(::dup(pty_.terminal_fd()), "w");
  in_ = ::fdopen(::dup(pty_.terminal_fd()), "r");
  screen_ = newterm("xterm-256color", out_, in_);
  if (screen_ == nullptr) throw std::runtime_error("newterm failed");
  set_term(screen_);
  raw();
  noecho();
  nonl();
  start_color();
  use_default_colors();
  curs_set(0);
  refresh();
  std::fflush(out_);
  pty_.mark();  // set-up output is not a frame
}

NcursesScreen::~NcursesScreen() {
  endwin();
  delscreen(screen_);
  std::fclose(out_);
  std::fclose(in_);
}

int NcursesScreen::pair_for(tui::Color fg, tui::Color bg) {
  if (fg.is_reset() && bg.is_reset()) return 0;
  int& pair = pairs_[fg.code() * kCodes + bg.code()];
  if (pair == 0) {
    pair = next_pair_++;
    init_extended_pair(pair, ncurses_color(fg), ncurses_color(bg));
  }
  return pair;
}

std::size_t NcursesScreen::present(const tui::Buffer& frame) {
  const tui::Rect area = frame.area();
  for (std::uint16_t y = 0; y < area.height; ++y) {
    for (std::uint16_t x = 0; x < area.width; ++x) {
      const tui::Cell& cell = frame.at(x, y);
      const wchar_t text[2] = {static_cast<wchar_t>(cell.symbol), L'\0'};
      cchar_t character;
      const int pair = pair_for(cell.fg, cell.bg);
      setcchar(&character, text, A_NORMAL, 0, &pair);
      mvwadd_wch(stdscr, y, x, &character);  // the bottom-right cell reports ERR but is set
    }
  }
  wnoutrefresh(stdscr);
  doupdate();
  std::fflush(out_);
  return pty_.mark();
}

}  // namespace bench
