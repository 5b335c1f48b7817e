// The terminfo parameter language: ncurses' reading (fuzz/ checks it against tiparm), which is
// unibilium's unibi_run's wherever that is safe but for two termcap habits, and no trap anywhere.

#include "tty/terminfo/parameters.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <string>
#include <vector>

#include "tty/terminfo/description.hpp"

namespace {

struct Expanded {
  std::string text;
  bool damaged;
};

Expanded expand(std::string_view format, std::vector<int> parameters) {
  const auto measured = tty::expand_parameters(format, parameters, nullptr, 0);
  std::string text(measured.length, '\0');
  const auto written = tty::expand_parameters(format, parameters, text.data(), text.size());
  EXPECT_EQ(written.length, measured.length);
  return {text, written.damaged};
}

std::string unibilium(const char* format, const std::vector<int>& parameters) {
  unibi_var_t variables[9] = {};
  for (std::size_t i = 0; i < parameters.size() && i < 9; ++i) {
    variables[i] = unibi_var_from_num(parameters[i]);
  }
  char text[4096];
  const std::size_t length = unibi_run(format, variables, text, sizeof text);
  return std::string(text, std::min(length, sizeof text));
}

/// unibilium reads a string that pushes no parameter, or says %i twice, otherwise than ncurses.
bool unibilium_reads_alike(const std::string& format) {
  bool pushes = false;
  for (std::size_t at = 0; at + 2 < format.size(); at += format[at] == '%' ? 2 : 1) {
    pushes |= format[at] == '%' && format[at + 1] == 'p' && format[at + 2] >= '1' &&
              format[at + 2] <= '9';
  }
  return pushes && format.find("%i") == format.rfind("%i");
}

TEST(TerminfoParameters, ReadAsNcursesReadsThem) {
  // Termcap-style: the pops take the first two parameters (some status lines are so written).
  EXPECT_EQ(expand("\\E[%i%d;%dH", {4, 9}).text, "\\E[5;10H");
  EXPECT_EQ(expand("%d%d%d", {4, 9, 7}).text, "490");
  EXPECT_EQ(expand("\\E[%i%i%p1%d;%p2%dr", {0, 23}).text, "\\E[1;24r");   // vt100-s: once
  EXPECT_EQ(expand("\\E[%p1%dX$<.1*>", {3}).text, "\\E[3X");              // wy370: padding
  EXPECT_EQ(tty::without_padding("\\E%!0\\ETD00$<5>"), "\\E%!0\\ETD00");  // tek4105a: civis
}

TEST(TerminfoParameters, DamageGivesZeroOrEmptyTextAndIsReported) {
  // unibilium traps on each of the first three and reads through a null pointer on the others.
  EXPECT_EQ(expand("\\E[%i%p1%{0}%/%d;%p2%dH", {4, 9}).text, "\\E[0;10H");
  EXPECT_EQ(expand("%p1%{0}%m%d", {7}).text, "0");
  EXPECT_EQ(expand("%{2147483647}%{1}%+%{0}%{1}%-%/%d", {}).text, "0");  // INT_MIN / -1
  EXPECT_EQ(expand("<%p1%s%p1%5s>", {3}).text, "<>");
  EXPECT_EQ(expand("%p1%l%d", {3}).text, "0");
  // unibi_run spends seconds on this one; a field is cut to a hundred columns.
  EXPECT_EQ(expand("%p1%999999999d", {7}).text, std::string(99, ' ') + '7');
  for (const char* damaged : {"%{1}%{0}%/", "%{1}%{0}%m", "%p1%s", "%p1%l"}) {
    EXPECT_TRUE(expand(damaged, {1}).damaged) << damaged;
  }
  EXPECT_FALSE(expand("%?%p1%{0}%=%t%{1}%e%p1%{0}%/%;%d", {0}).damaged)
      << "a branch not taken does no harm";
}

TEST(TerminfoParameters, AgreesWithUnibiRunOnTheSystemDescriptions) {
  const std::vector<std::vector<int>> samples = {
      {0, 0}, {4, 9}, {122, 311}, {'x', 2}, {8},
      {15},   {16},   {255},      {-1, -5}, {1, 0, 1, 0, 1, 0, 1, 0, 1}};
  int compared = 0;
  for (const char* name : {"xterm-256color", "xterm", "screen", "screen-256color", "tmux-256color",
                           "linux", "vt100", "dumb"}) {
    unibi_term* term = unibi_from_term(name);
    if (term == nullptr) continue;
    for (int capability = unibi_string_begin_ + 1; capability < unibi_string_end_; ++capability) {
      const char* format = unibi_get_str(term, static_cast<unibi_string>(capability));
      if (format == nullptr) continue;
      for (const auto& parameters : samples) {
        if (!unibilium_reads_alike(format)) continue;
        ASSERT_EQ(expand(format, parameters).text, unibilium(format, parameters))
            << name << ' ' << unibi_name_str(static_cast<unibi_string>(capability));
        ++compared;
      }
    }
    unibi_destroy(term);
  }
  EXPECT_GT(compared, 1000);
}

/// A random parameterized string: operators, fields, constants, padding and stray bytes.
std::string random_format(std::mt19937& random) {
  static const std::vector<std::string> kPieces = {
      "%d", "%3d", "%03d", "%:-4d", "%:+x", "% o", "%#X", "%#5d", "%.2d", "%10.5x", "%c",
      "%s", "%5s", "%l",   "%i",    "%+",   "%-",  "%*",  "%/",   "%m",   "%&",     "%|",
      "%^", "%=",  "%>",   "%<",    "%A",   "%O",  "%!",  "%~",   "%?",   "%t",     "%e",
      "%;", "%%",  "%:",   "%.",    "%p0",  "%q",  "%{",  "%'",   "$<",   "$<5",    "$<1.",
      ">",  "*",   "/",    ".",     "\\E[", ";",   "%"};
  std::string format;
  const int count = static_cast<int>(random() % 24);
  for (int i = 0; i < count; ++i) {
    switch (random() % 8) {
      case 0:
        format += "%p" + std::to_string(1 + random() % 9);
        break;
      case 1:
        format += std::string("%") + (random() % 2 ? 'P' : 'g') +
                  static_cast<char>((random() % 2 ? 'a' : 'A') + random() % 26);
        break;
      case 2:
        format += "%{" + std::to_string(random() % 3 ? random() % 100 : random()) + "}";
        break;
      case 3:
        format += std::string("%'") + static_cast<char>(1 + random() % 255) + "'";
        break;
      case 4:
        format += static_cast<char>(1 + random() % 255);  // never NUL: descriptions are C strings
        break;
      default:
        format += kPieces[random() % kPieces.size()];
        break;
    }
  }
  return format;
}

TEST(TerminfoParameters, RandomStringsNeverTrapAndAgreeWithUnibiRunWhereItIsSafe) {
  // Under the sanitizers any overflow, division fault or stray read here fails the test.
  std::mt19937 random(20261208);
  constexpr int kExtremes[] = {0, 1, -1, INT_MIN, INT_MAX};
  int compared = 0;
  for (int round = 0; round < 20'000; ++round) {
    const std::string format = random_format(random);
    std::vector<int> parameters(9);
    for (int& parameter : parameters) {
      parameter = random() % 4 ? static_cast<int>(random() % 2001) - 1000 : kExtremes[random() % 5];
    }
    const Expanded whole = expand(format, parameters);
    // Cut short, the text is the same text's beginning.
    char head[8];
    const auto cut = tty::expand_parameters(format, parameters, head, sizeof head);
    ASSERT_EQ(cut.length, whole.text.size());
    ASSERT_EQ(std::string(head, std::min(cut.length, sizeof head)), whole.text.substr(0, 8));
    if (whole.damaged || !unibilium_reads_alike(format)) continue;
    ASSERT_EQ(whole.text, unibilium(format.c_str(), parameters)) << format;
    ++compared;
  }
  EXPECT_GT(compared, 8'000);
}

}  // namespace
