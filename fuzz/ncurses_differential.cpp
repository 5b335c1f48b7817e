// The parameter language against ncurses, byte for byte, on every parameterised string of every
// installed terminal description, with the parameters the program passes and a spread of others.
// Prints a table of what was compared and every difference; fails on any difference.

#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "ncurses_reference.hpp"
#include "reading_differences.hpp"
#include "tty/terminfo/lookup.hpp"
#include "tty/terminfo/parameters.hpp"

extern "C" {
#include <unibilium.h>
}

namespace {

namespace fs = std::filesystem;
using Parameters = std::array<int, 9>;

constexpr const char* kDescriptionDirectories[] = {"/lib/terminfo", "/usr/share/terminfo",
                                                   "/etc/terminfo"};
constexpr std::size_t kLargestDescription = 1 << 20;

/// Rows and columns as the program passes them (0 to 65535): every value up to 130, then a
/// spread to the largest with the decimal and byte boundaries.
std::vector<int> coordinates() {
  std::vector<int> values;
  for (int v = 0; v <= 130; ++v) values.push_back(v);
  for (int v :
       {159,  191,  200,  222,  223,  224,  254,   255,   256,   257,   300,   511,   512,  999,
        1000, 1001, 4095, 4096, 9998, 9999, 10000, 10001, 32766, 32767, 32768, 65534, 65535}) {
    values.push_back(v);
  }
  return values;
}

/// The parameter sets each string is tried with.
std::vector<Parameters> parameter_sets() {
  std::vector<Parameters> sets;
  // Colours, and single counts.
  for (int colour = 0; colour <= 255; ++colour) sets.push_back({colour});
  const auto spread = coordinates();
  for (int v : spread) {
    if (v > 255) sets.push_back({v});
  }
  // Row and column pairs: every coordinate against a few, both ways round.
  for (int v : spread) {
    for (int w : {0, 1, 9, 79, 80, 95, 96, 223, 255, 999, 65535}) {
      sets.push_back({v, w});
      sets.push_back({w, v});
    }
  }
  // Nine flags (sgr): every combination.
  for (int bits = 0; bits < 512; ++bits) {
    Parameters flags{};
    for (int i = 0; i < 9; ++i) flags[i] = (bits >> i) & 1;
    sets.push_back(flags);
  }
  // Others: negatives, extremes, characters and nine distinct values.
  for (int v : {-1, -2, -10, -255, -65536, INT_MIN, INT_MAX, INT_MAX - 1, 1 << 16, 1 << 24}) {
    sets.push_back({v});
    sets.push_back({v, v});
    sets.push_back({1, v});
    sets.push_back({v, 1});
  }
  sets.push_back({'x', 'y', 'z'});
  sets.push_back({1, 2, 3, 4, 5, 6, 7, 8, 9});
  sets.push_back({9, 8, 7, 6, 5, 4, 3, 2, 1});
  sets.push_back({100, 200, 300, 400, 500, 600, 700, 800, 900});
  return sets;
}

struct Ours {
  std::string text;
  bool damaged;
};

Ours expand(const std::string& format, const Parameters& p) {
  const auto measured = tty::expand_parameters(format, p, nullptr, 0);
  std::string text(measured.length, '\0');
  tty::expand_parameters(format, p, text.data(), text.size());
  return {text, measured.damaged};
}

std::string visible(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    if (c >= 0x20 && c < 0x7f && c != '\\') {
      out += static_cast<char>(c);
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\%03o", c);
      out += escaped;
    }
  }
  return out;
}

/// How many parameters a string reads: its highest %p, or two for one in the termcap style.
std::size_t parameters_read(const std::string& format) {
  std::size_t highest = 0;
  for (std::size_t at = format.find("%p"); at != std::string::npos;
       at = format.find("%p", at + 1)) {
    if (at + 2 < format.size() && format[at + 2] >= '1' && format[at + 2] <= '9') {
      highest = std::max<std::size_t>(highest, format[at + 2] - '0');
    }
  }
  return highest == 0 ? 2 : highest;
}

/// The string capabilities that take parameters, as the terminfo manual lists them; every other
/// string is sent as it is.
constexpr unibi_string kParameterised[] = {unibi_change_scroll_region,
                                           unibi_column_address,
                                           unibi_cursor_address,
                                           unibi_cursor_mem_address,
                                           unibi_erase_chars,
                                           unibi_parm_dch,
                                           unibi_parm_delete_line,
                                           unibi_parm_down_cursor,
                                           unibi_parm_ich,
                                           unibi_parm_index,
                                           unibi_parm_insert_line,
                                           unibi_parm_left_cursor,
                                           unibi_parm_right_cursor,
                                           unibi_parm_rindex,
                                           unibi_parm_up_cursor,
                                           unibi_pkey_key,
                                           unibi_pkey_local,
                                           unibi_pkey_xmit,
                                           unibi_repeat_char,
                                           unibi_row_address,
                                           unibi_set_attributes,
                                           unibi_set_window,
                                           unibi_to_status_line,
                                           unibi_prtr_non,
                                           unibi_plab_norm,
                                           unibi_set_clock,
                                           unibi_create_window,
                                           unibi_goto_window,
                                           unibi_dial_phone,
                                           unibi_quick_dial,
                                           unibi_initialize_color,
                                           unibi_initialize_pair,
                                           unibi_set_color_pair,
                                           unibi_set_foreground,
                                           unibi_set_background,
                                           unibi_change_char_pitch,
                                           unibi_change_line_pitch,
                                           unibi_change_res_horz,
                                           unibi_change_res_vert,
                                           unibi_define_char,
                                           unibi_micro_column_address,
                                           unibi_micro_row_address,
                                           unibi_parm_down_micro,
                                           unibi_parm_left_micro,
                                           unibi_parm_right_micro,
                                           unibi_parm_up_micro,
                                           unibi_select_char_set,
                                           unibi_set_bottom_margin_parm,
                                           unibi_set_left_margin_parm,
                                           unibi_set_right_margin_parm,
                                           unibi_set_top_margin_parm,
                                           unibi_start_char_set_def,
                                           unibi_stop_char_set_def,
                                           unibi_char_set_names,
                                           unibi_get_mouse,
                                           unibi_set_a_foreground,
                                           unibi_set_a_background,
                                           unibi_pkey_plab,
                                           unibi_set_lr_margin,
                                           unibi_set_tb_margin,
                                           unibi_bit_image_repeat,
                                           unibi_color_names,
                                           unibi_set_color_band,
                                           unibi_set_page_length,
                                           unibi_display_pc_char,
                                           unibi_set_a_attributes,
                                           unibi_set_pglen_inch};

/// Strings of descriptions, each once, with where it was first seen.
struct Strings {
  std::map<std::string, std::string> parameterised;
  std::map<std::string, std::string> plain;
  std::size_t parameterised_capabilities = 0;
  std::size_t plain_capabilities = 0;
};

/// Adds the strings of a description; false when the bytes are none.
bool collect_strings(const std::string& bytes, const std::string& name, Strings& strings) {
  unibi_term* term = unibi_from_mem(bytes.data(), bytes.size());
  if (term == nullptr) return false;
  for (int i = unibi_string_begin_ + 1; i < unibi_string_end_; ++i) {
    const auto capability = static_cast<unibi_string>(i);
    const char* text = unibi_get_str(term, capability);
    if (text == nullptr) continue;
    const bool parameterised =
        std::ranges::find(kParameterised, capability) != std::end(kParameterised);
    (parameterised ? strings.parameterised : strings.plain)
        .try_emplace(text, name + ' ' + unibi_name_str(capability));
    ++(parameterised ? strings.parameterised_capabilities : strings.plain_capabilities);
  }
  unibi_destroy(term);
  return true;
}

/// Writes each string as a seed of the parameter language's fuzz target, with rows and columns.
void write_seeds(const fs::path& directory, const std::map<std::string, std::string>& strings) {
  fs::create_directories(directory);
  int n = 0;
  for (const auto& [format, where] : strings) {
    const Parameters p{23, 79, 1, 0, 1, 0, 1, 0, 1};
    std::string seed(reinterpret_cast<const char*>(p.data()), sizeof p);
    seed += format;
    std::FILE* file = std::fopen((directory / std::to_string(n++)).c_str(), "wb");
    if (file == nullptr) continue;
    std::fwrite(seed.data(), 1, seed.size(), file);
    std::fclose(file);
  }
}

}  // namespace

// With a directory named, also writes every parameterised string there as a fuzz seed.
int main(int argc, char** argv) {
  // Each description once, whatever links name it.
  std::set<std::pair<dev_t, ino_t>> seen;
  Strings strings;
  int descriptions = 0;
  for (const char* root : kDescriptionDirectories) {
    if (!fs::is_directory(root)) continue;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
      struct stat status {};
      if (::stat(entry.path().c_str(), &status) != 0 || !S_ISREG(status.st_mode)) continue;
      if (!seen.insert({status.st_dev, status.st_ino}).second) continue;
      const auto bytes = tty::read_small_file(entry.path(), kLargestDescription);
      if (!bytes) continue;
      descriptions += collect_strings(*bytes, entry.path().filename(), strings) ? 1 : 0;
    }
  }

  if (argc > 1) write_seeds(argv[1], strings.parameterised);
  const auto sets = parameter_sets();
  // The sets that differ in the first n parameters, for a string that reads no others.
  std::array<std::vector<Parameters>, 10> distinct;
  for (std::size_t n = 1; n < distinct.size(); ++n) {
    std::set<Parameters> seen_sets;
    for (Parameters p : sets) {
      std::fill(p.begin() + static_cast<std::ptrdiff_t>(n), p.end(), 0);
      if (seen_sets.insert(p).second) distinct[n].push_back(p);
    }
  }
  long compared = 0, damaged = 0, undefined = 0, differing = 0;
  int differing_strings = 0;
  for (const auto& [format, where] : strings.parameterised) {
    int shown = 0;
    for (const auto& p : distinct[parameters_read(format)]) {
      const Ours ours = expand(format, p);
      if (ours.damaged) {
        ++damaged;
        continue;
      }
      const auto theirs = fuzz::ncurses_expansion(format.c_str(), p);
      if (!theirs) {
        ++undefined;
        continue;
      }
      ++compared;
      if (fuzz::same_text(ours.text, *theirs)) continue;
      ++differing;
      if (shown++ == 0) ++differing_strings;
      if (shown <= 3) {
        std::printf("DIFF %s \"%s\" (", where.c_str(), visible(format).c_str());
        for (int v : p) std::printf("%d,", v);
        std::printf(") ours \"%s\" ncurses \"%s\"\n", visible(ours.text).c_str(),
                    visible(*theirs).c_str());
      }
    }
  }
  int plain_differing = 0;
  int tputs_misread = 0;
  for (const auto& [text, where] : strings.plain) {
    const std::string ours = tty::without_padding(text);
    const std::string theirs = fuzz::ncurses_sent(text.c_str());
    if (ours == theirs) continue;
    // tputs takes the character after a '$' that starts no padding as plain text, so "$$<200>"
    // keeps its padding: ncurses' misreading (wren's flash), not ours.
    if (text.find("$$<") != std::string::npos) {
      ++tputs_misread;
      continue;
    }
    ++plain_differing;
    std::printf("DIFF %s \"%s\" ours \"%s\" ncurses \"%s\"\n", where.c_str(), visible(text).c_str(),
                visible(ours).c_str(), visible(theirs).c_str());
  }
  std::printf(
      "descriptions: %d\n"
      "parameterised strings: %zu (%zu distinct), each with those of %zu parameter sets that "
      "differ in the parameters it reads\n"
      "  compared %ld; not compared: ours damaged %ld, ncurses undefined %ld\n"
      "  differing: %ld expansions of %d strings\n"
      "strings without parameters: %zu (%zu distinct), differing %d (and %d where tputs misreads "
      "\"$$<\")\n",
      descriptions, strings.parameterised_capabilities, strings.parameterised.size(), sets.size(),
      compared, damaged, undefined, differing, differing_strings, strings.plain_capabilities,
      strings.plain.size(), plain_differing, tputs_misread);
  return differing == 0 && plain_differing == 0 ? 0 : 1;
}
