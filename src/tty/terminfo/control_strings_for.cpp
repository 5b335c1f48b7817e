// The control strings spelled as the terminal's description says, xterm's where it is silent.
#include <algorithm>
#include <string>
#include <string_view>

#include "tty/terminfo/capabilities.hpp"

namespace tty {

namespace {

// The longest clearing or cursor sequence of any installed description is under 40 bytes; one
// past this is damage, and xterm's form stands in rather than a frame's worth of garbage.
constexpr std::size_t kLongestSequence = 256;

/// Whether the description spells a capability exactly as `standard` formats the same
/// parameters, tried on a few values so that conditionals in the capability show up.
template <typename Standard>
bool spelled_as(const TerminfoDescription& description, unibi_string capability,
                Standard standard) {
  if (!description.has(capability)) return false;
  constexpr int kSamples[][2] = {{0, 0}, {1, 7}, {9, 10}, {122, 311}, {999, 4999}};
  for (const auto& sample : kSamples) {
    if (description.expand(capability, {sample[0], sample[1]}) != standard(sample[0], sample[1])) {
      return false;
    }
  }
  return true;
}

bool spelled_exactly(const TerminfoDescription& description, unibi_string capability,
                     std::string_view text) {
  return description.text(capability) == text;
}

ColorSelect parameters(std::string_view text) {
  ColorSelect select;
  select.length = static_cast<std::uint8_t>(std::min(text.size(), select.text.size()));
  std::copy_n(text.begin(), select.length, select.text.begin());
  return select;
}

/// The 256-colour form, understood by xterm-compatible terminals and the Linux console alike.
ColorSelect palette_color(int index, bool foreground) {
  return parameters((foreground ? "38;5;" : "48;5;") + std::to_string(index));
}

/// The xterm way: 30-37, then the bright 90-97, then the 256-colour form.
ColorSelect xterm_color(int index, bool foreground) {
  if (index < 8) return parameters((foreground ? "3" : "4") + std::to_string(index));
  if (index < 16) return parameters((foreground ? "9" : "10") + std::to_string(index - 8));
  return parameters((foreground ? "38;5;" : "48;5;") + std::to_string(index));
}

/// The description's colour sequence: when it is ESC[...m, its parameters, so that it can share
/// a sequence with other colours; otherwise the sequence itself.
ColorSelect described_color(const TerminfoDescription& description, unibi_string capability,
                            int index) {
  const std::string text = description.expand(capability, {index}).value_or("");
  std::string_view spelled = text;
  const bool sgr = text.size() > 3 && text.starts_with("\x1b[") && text.ends_with('m') &&
                   text.find_first_not_of("0123456789;", 2) == text.size() - 1;
  if (sgr) spelled = spelled.substr(2, text.size() - 3);
  // Cut to fit the slot, a spelling would go out as a broken sequence; the xterm form stands in.
  if (spelled.empty() || spelled.size() > ColorSelect{}.text.size()) {
    return xterm_color(index, capability == unibi_set_a_foreground);
  }
  ColorSelect select = parameters(spelled);
  select.whole_sequence = !sgr;
  return select;
}

/// Whether the description's setaf and setab take a 24-bit RGB value rather than a palette
/// index (xterm-direct and its kind): there only the values below 8 are palette colours.
bool direct_color(const TerminfoDescription& description) {
  return description.has_extended("RGB") || description.number(unibi_max_colors) > 256;
}

/// A sequence that takes no parameters as the description spells it, unless it is absent,
/// empty or too long to be anything but damage.
std::optional<std::string> plain_sequence(const TerminfoDescription& description,
                                          unibi_string capability) {
  auto text = description.text(capability);
  if (!text || text->empty() || text->size() > kLongestSequence) return std::nullopt;
  return text;
}

/// How the description inserts a cell, for the bottom-right cell of a terminal that wraps as
/// soon as it is written.
void use_insertion(const TerminfoDescription& description, ControlStrings& strings) {
  auto one_blank = plain_sequence(description, unibi_insert_character);
  if (!one_blank) one_blank = description.expand(unibi_parm_ich, {1});
  if (one_blank && one_blank->size() <= kLongestSequence) strings.insert_blank = *one_blank;
  auto on = plain_sequence(description, unibi_enter_insert_mode);
  auto off = plain_sequence(description, unibi_exit_insert_mode);
  if (on && off) strings.insert_mode_on = std::move(*on), strings.insert_mode_off = std::move(*off);
}

/// The description's spellings of the essential sequences, and which shortcuts it spells the
/// way the renderer writes them.
void use_description_strings(const TerminfoDescription& description, ControlStrings& strings) {
  auto use = [&description](unibi_string capability, std::string& sequence) {
    if (auto text = plain_sequence(description, capability)) sequence = std::move(*text);
  };
  use(unibi_cursor_invisible, strings.hide_cursor);
  use(unibi_cursor_normal, strings.show_cursor);
  use(unibi_clear_screen, strings.clear_screen);
  const bool standard_address =
      spelled_as(description, unibi_cursor_address, [](int row, int column) {
        return "\x1b[" + std::to_string(row + 1) + ';' + std::to_string(column + 1) + 'H';
      });
  // A damaged address (one that divides by zero, say) is passed over: ESC[row;colH stands in.
  if (!standard_address && description.expand(unibi_cursor_address, {0, 0})) {
    strings.unusual_cursor_address = description.format(unibi_cursor_address).value_or("");
  }
  strings.carriage_return = spelled_exactly(description, unibi_carriage_return, "\r");
  strings.line_feed = spelled_exactly(description, unibi_cursor_down, "\n");
  strings.backspace = spelled_exactly(description, unibi_cursor_left, "\b");
  auto standard = [](char final) {
    return [final](int n, int) { return "\x1b[" + std::to_string(n) + final; };
  };
  strings.cursor_forward = spelled_as(description, unibi_parm_right_cursor, standard('C'));
  strings.cursor_backward = spelled_as(description, unibi_parm_left_cursor, standard('D'));
  strings.cursor_down = spelled_as(description, unibi_parm_down_cursor, standard('B'));
  strings.cursor_up = spelled_as(description, unibi_parm_up_cursor, standard('A'));
  strings.erase_characters = spelled_as(description, unibi_erase_chars, standard('X'));
  strings.column_address = spelled_as(description, unibi_column_address, [](int n, int) {
    return "\x1b[" + std::to_string(n + 1) + 'G';
  });
  strings.erase_line = spelled_exactly(description, unibi_clr_eol, strings.erase_to_line_end);
  strings.insert_characters = spelled_as(description, unibi_parm_ich, standard('@'));
  strings.delete_characters = spelled_as(description, unibi_parm_dch, standard('P'));
  const bool wraps = description.flag(unibi_auto_right_margin);
  strings.eager_wrap = wraps && !description.flag(unibi_eat_newline_glitch);
  strings.deferred_wrap = wraps && description.flag(unibi_eat_newline_glitch);
  if (strings.eager_wrap) use_insertion(description, strings);
}

/// The description's colours, up to its count; past the count a colour still comes out as
/// itself (a description of eight colours would spell colour 130 as ESC[3130m), and in the
/// form most terminals know. A direct-colour description spells only the first eight: its
/// setaf would make colour 130 the RGB value 0x000082, a dark blue.
void use_description_colors(const TerminfoDescription& description, ControlStrings& strings) {
  const int described =
      std::min(description.number(unibi_max_colors), direct_color(description) ? 8 : 256);
  for (int index = std::max(described, 8); index < 256; ++index) {
    strings.foreground[index] = palette_color(index, true);
    strings.background[index] = palette_color(index, false);
  }
  const bool has_foreground = description.has(unibi_set_a_foreground);
  const bool has_background = description.has(unibi_set_a_background);
  for (int index = 0; index < described; ++index) {
    if (has_foreground) {
      strings.foreground[index] = described_color(description, unibi_set_a_foreground, index);
    }
    if (has_background) {
      strings.background[index] = described_color(description, unibi_set_a_background, index);
    }
  }
}

}  // namespace

ControlStrings control_strings_for(const Capabilities& capabilities) {
  ControlStrings strings;
  for (int index = 0; index < 256; ++index) {
    strings.foreground[index] = xterm_color(index, true);
    strings.background[index] = xterm_color(index, false);
  }
  if (capabilities.description) {
    use_description_strings(*capabilities.description, strings);
    use_description_colors(*capabilities.description, strings);
  }
  return strings;
}

}  // namespace tty
