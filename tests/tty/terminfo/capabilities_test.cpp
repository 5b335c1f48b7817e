// Capability probing from the environment and the terminal description, and finding the
// description's file ourselves (unibilium's own search fails on large files and stops early).

#include "tty/terminfo/capabilities.hpp"

#include <gtest/gtest.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "tty/terminfo/lookup.hpp"
#include "tui/utf8.hpp"

namespace {

namespace fs = std::filesystem;
using tty::MapEnvironment;

/// A directory of its own under the temporary directory, removed afterwards.
class TemporaryDirectory {
 public:
  TemporaryDirectory() {
    std::string pattern = (fs::temp_directory_path() / "tty-terminfo-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~TemporaryDirectory() { fs::remove_all(path_); }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

void write_file(const fs::path& path, std::string_view bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string system_description(const char* relative) {
  for (const char* directory : {"/etc/terminfo", "/lib/terminfo", "/usr/share/terminfo"}) {
    if (auto bytes = tty::read_small_file(std::string(directory) + "/" + relative, 1 << 20)) {
      return *bytes;
    }
  }
  return "";
}

TEST(Probe, TheDescriptionIsTheOneAUtf8TermNames) {
  const std::pair<MapEnvironment, bool> cases[] = {
      {MapEnvironment{}, false},
      {MapEnvironment{{"TERM", "dumb"}}, true},
      {MapEnvironment{{"TERM", "xterm-256color"}}, true},
      {MapEnvironment{{"TERM", "no-such-terminal"}}, false},
      // Not UTF-8: as if unset.
      {MapEnvironment{{"TERM", "xterm-256color\xc0\xaf"}}, false},
      // A name that would leave the directory is no name of a description.
      {MapEnvironment{{"TERM", "../x/xterm-256color"}}, false},
  };
  for (const auto& [environment, has_description] : cases) {
    EXPECT_EQ(tty::probe_capabilities(environment).description.has_value(), has_description)
        << environment.raw("TERM").value_or("unset");
  }
  EXPECT_TRUE(tui::is_valid_utf8("gr\xc3\xbc\xc3\x9f"));
  EXPECT_FALSE(tui::is_valid_utf8("\xed\xa0\x80"));  // a surrogate
  EXPECT_FALSE(tui::is_valid_utf8("\xc3"));          // cut short
}

TEST(TerminfoSearch, OrderAndTheEmptyEntryOfTerminfoDirs) {
  MapEnvironment environment{{"TERMINFO", "/t"}, {"HOME", "/home/u"}, {"TERMINFO_DIRS", "/a::/b"}};
  // The empty entry stands for the system directories, which also come last.
  // clang-format off
  const std::vector<std::string> expected = {
      "/t", "/a", "/etc/terminfo", "/lib/terminfo", "/usr/share/terminfo", "/b",
      "/home/u/.terminfo", "/etc/terminfo", "/lib/terminfo", "/usr/share/terminfo"};
  // clang-format on
  EXPECT_EQ(tty::terminfo_directories(environment), expected);

  const auto candidates = tty::terminfo_candidates("xterm", MapEnvironment{{"TERMINFO", "/t"}});
  ASSERT_GE(candidates.size(), 2u);
  EXPECT_EQ(candidates[0], "/t/x/xterm");
  EXPECT_EQ(candidates[1], "/t/78/xterm");
}

TEST(TerminfoSearch, WithoutHomeTheUserDatabaseNamesTheHomeDirectory) {
  const passwd* user = ::getpwuid(::getuid());
  ASSERT_NE(user, nullptr);
  const auto directories = tty::terminfo_directories(MapEnvironment{});
  ASSERT_EQ(directories.size(), 4u);
  EXPECT_EQ(directories[0], std::string(user->pw_dir) + "/.terminfo");
}

TEST(TerminfoSearch, FindsFirstLetterAndHexadecimalFormsInTerminfo) {
  const std::string xterm256 = system_description("x/xterm-256color");
  ASSERT_FALSE(xterm256.empty());
  TemporaryDirectory letter;
  write_file(letter.path() / "m" / "mine", xterm256);
  auto found = tty::probe_capabilities(
      MapEnvironment{{"TERM", "mine"}, {"TERMINFO", letter.path().string()}});
  ASSERT_TRUE(found.description);
  EXPECT_EQ(found.description->number(unibi_max_colors), 256);

  TemporaryDirectory hex;
  write_file(hex.path() / "6d" / "mine", xterm256);
  found = tty::probe_capabilities(
      MapEnvironment{{"TERM", "mine"}, {"TERMINFO_DIRS", hex.path().string()}});
  ASSERT_TRUE(found.description);
}

TEST(TerminfoSearch, DamagedFileDoesNotEndTheSearch) {
  TemporaryDirectory directory;
  write_file(directory.path() / "x" / "xterm-256color", "not a terminal description");
  // The empty entry stands for the system's directories, which hold the real one.
  const auto found = tty::probe_capabilities(MapEnvironment{
      {"TERM", "xterm-256color"}, {"TERMINFO_DIRS", directory.path().string() + ":"}});
  ASSERT_TRUE(found.description);
  EXPECT_EQ(found.description->number(unibi_max_colors), 256);
}

TEST(TerminfoSearch, NameStartingWithADotNamesNoDescription) {
  TemporaryDirectory directory;
  // The first-letter form of ".mine" would be <dir>/./.mine.
  write_file(directory.path() / ".mine", system_description("x/xterm-256color"));
  const auto found = tty::probe_capabilities(
      MapEnvironment{{"TERM", ".mine"}, {"TERMINFO", directory.path().string()}});
  EXPECT_FALSE(found.description);
}

TEST(TerminfoSearch, FifoInPlaceOfADescriptionIsPassedOverWithoutWaiting) {
  TemporaryDirectory directory;
  fs::create_directories(directory.path() / "x");
  ASSERT_EQ(::mkfifo((directory.path() / "x" / "xterm-fifo").c_str(), 0600), 0);
  // Opening it for reading would wait for a writer that never comes.
  const auto found = tty::probe_capabilities(
      MapEnvironment{{"TERM", "xterm-fifo"}, {"TERMINFO", directory.path().string()}});
  EXPECT_FALSE(found.description);
}

TEST(TerminfoSearch, DescriptionOverFourKilobytesIsRead) {
  if (::access("/usr/bin/tic", X_OK) != 0) GTEST_SKIP() << "tic (ncurses-bin) is not installed";
  TemporaryDirectory directory;
  // Long key strings push the compiled description well past 4096 bytes.
  std::string long_string = "\\E[";
  for (int i = 0; i < 150; ++i) long_string += "1;";
  long_string += "m";
  std::string source =
      "bigterm|large description,\n"
      "\tam, xenl, colors#256, cols#80, lines#24, pairs#65536,\n"
      "\tcup=\\E[%i%p1%d;%p2%dH, clear=\\E[H\\E[2J, civis=\\E%!0\\ETD00$<5>,\n";
  for (int key = 1; key < 20; ++key) {
    source += "\tkf" + std::to_string(key) + "=" + long_string + ",\n";
  }
  write_file(directory.path() / "bigterm.src", source);
  const fs::path compiled = directory.path() / "compiled";
  fs::create_directories(compiled);
  const std::string command = "/usr/bin/tic -o '" + compiled.string() + "' '" +
                              (directory.path() / "bigterm.src").string() + "' 2>/dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);
  ASSERT_GT(fs::file_size(compiled / "b" / "bigterm"), 4096u);

  const auto found =
      tty::probe_capabilities(MapEnvironment{{"TERM", "bigterm"}, {"TERMINFO", compiled.string()}});
  ASSERT_TRUE(found.description);
  EXPECT_EQ(found.description->number(unibi_max_colors), 256);
  EXPECT_EQ(found.description->expand(unibi_cursor_address, {4, 9}), "\x1b[5;10H");
  // Without parameters a sequence is sent as written: its '%' is no operator (tek4105a).
  EXPECT_EQ(tty::control_strings_for(found).hide_cursor, "\x1b%!0\x1bTD00");
}

}  // namespace
