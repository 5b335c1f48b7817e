// Tells which frame of the animation a captured terminal screen shows, judged cell by cell.
//
//   pane_state [--last-cell-blank] WIDTH HEIGHT CAPTURE...
//
// Each CAPTURE is what `tmux capture-pane -p -e -N` printed: the screen's rows with the emulator's
// own account of every cell's colours as SGR sequences. Every state the animation can be in at
// that size is composed with the product's own scene code and compared with the capture: the
// symbol, the foreground and the background of every cell must agree. Prints one line a
// capture:
//
//   match front x=0 pose=0 arrived=0
//   match walk x=56 pose=1 arrived=0        (carry ... arrived=1 once the fruit is carried)
//   nomatch closest=walk x=4 ... differing=12 first=(31,7) want=... got=...
//
// --last-cell-blank: the bottom-right cell must be blank instead of the corner, as on a terminal
// that would scroll when that cell is written.
//
// Exits with 0 when every capture matched, 1 otherwise, 2 for a file it cannot read.

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "tavvik/animation_state.hpp"
#include "tavvik/scene.hpp"
#include "tui/buffer.hpp"
#include "tui/terminal.hpp"
#include "tui/utf8.hpp"

namespace {

// The colours the capture sets for the cells after it. Colours are palette indices, -1 for the
// default; a direct-colour value or any attribute is kept as text, since the animation uses
// neither.
struct Pen {
  int fg = -1;
  int bg = -1;
  std::string oddity;
};

// What the capture says of one cell.
struct ShownCell : Pen {
  char32_t symbol = U' ';
};

void apply_sgr(const std::vector<int>& parameters, Pen& pen) {
  if (parameters.empty()) pen = Pen{};
  for (std::size_t i = 0; i < parameters.size(); ++i) {
    const int p = parameters[i];
    auto extended = [&](int& target) {
      if (i + 2 < parameters.size() && parameters[i + 1] == 5) {
        target = parameters[i + 2];
        i += 2;
      } else if (i + 4 < parameters.size() && parameters[i + 1] == 2) {
        pen.oddity = "direct colour";
        i += 4;
      } else {
        pen.oddity = "malformed colour";
        i = parameters.size();
      }
    };
    if (p == 0) {
      pen = Pen{};
    } else if (p >= 30 && p <= 37) {
      pen.fg = p - 30;
    } else if (p >= 90 && p <= 97) {
      pen.fg = p - 90 + 8;
    } else if (p >= 40 && p <= 47) {
      pen.bg = p - 40;
    } else if (p >= 100 && p <= 107) {
      pen.bg = p - 100 + 8;
    } else if (p == 38) {
      extended(pen.fg);
    } else if (p == 48) {
      extended(pen.bg);
    } else if (p == 39) {
      pen.fg = -1;
    } else if (p == 49) {
      pen.bg = -1;
    } else if (p >= 22 && p <= 29) {
      pen.oddity.clear();  // an attribute switched off
    } else {
      pen.oddity = "attribute " + std::to_string(p);
    }
  }
}

std::optional<std::vector<std::vector<ShownCell>>> read_capture(const std::string& text, int width,
                                                                int height) {
  std::vector<std::vector<ShownCell>> rows(height, std::vector<ShownCell>(width));
  Pen pen;
  int row = 0, column = 0;
  for (std::size_t i = 0; i < text.size() && row < height;) {
    if (text[i] == '\n') {
      ++row, column = 0, ++i;
      continue;
    }
    if (text[i] == '\x1b') {
      if (i + 1 >= text.size() || text[i + 1] != '[') return std::nullopt;
      std::size_t end = i + 2;
      while (end < text.size() && (std::isdigit(static_cast<unsigned char>(text[end])) ||
                                   text[end] == ';' || text[end] == ':')) {
        ++end;
      }
      if (end >= text.size() || text[end] != 'm') return std::nullopt;
      std::vector<int> parameters;
      std::stringstream list(text.substr(i + 2, end - i - 2));
      for (std::string item; std::getline(list, item, ';');) {
        parameters.push_back(item.empty() ? 0 : std::atoi(item.c_str()));
      }
      apply_sgr(parameters, pen);
      i = end + 1;
      continue;
    }
    // A malformed byte reads as U+FFFD.
    const auto decoded = tui::decode_utf8(std::string_view(text).substr(i));
    i += decoded ? decoded->length : 1;
    if (column < width)
      rows[row][column] = ShownCell{pen, decoded ? decoded->code_point : U'\uFFFD'};
    ++column;
  }
  return rows;
}

int shown_color(tui::Color color) {
  return color.is_reset() ? -1 : color.index();
}

std::string describe(char32_t symbol, int fg, int bg, const std::string& oddity) {
  std::string text = "'";
  tui::append_utf8(symbol, text);
  text += "'/" + std::to_string(fg) + "/" + std::to_string(bg);
  return oddity.empty() ? text : text + "/" + oddity;
}

struct Comparison {
  int differing = 0;
  std::string first;
};

Comparison compare(const tui::Buffer& expected, const std::vector<std::vector<ShownCell>>& shown) {
  Comparison result;
  const tui::Rect area = expected.area();
  for (std::uint16_t y = 0; y < area.height; ++y) {
    for (std::uint16_t x = 0; x < area.width; ++x) {
      const tui::Cell& want = expected.at(x, y);
      const ShownCell& got = shown[y][x];
      const int fg = shown_color(want.fg), bg = shown_color(want.bg);
      if (got.symbol == want.symbol && got.fg == fg && got.bg == bg && got.oddity.empty()) {
        continue;
      }
      if (result.differing++ == 0) {
        result.first = "first=(" + std::to_string(x) + "," + std::to_string(y) +
                       ") want=" + describe(want.symbol, fg, bg, "") +
                       " got=" + describe(got.symbol, got.fg, got.bg, got.oddity);
      }
    }
  }
  return result;
}

std::string name_of(const tavvik::AnimationState& state) {
  const char* kind = state.first_frame ? "front" : state.arrived ? "carry" : "walk";
  return std::string(kind) + " x=" + std::to_string(state.x) +
         " pose=" + std::to_string(state.pose ? 1 : 0) +
         " arrived=" + std::to_string(state.arrived ? 1 : 0);
}

// The states a frame can be drawn from: the first frame, then any even column (the walk moves
// two at a time), pose and arrival.
std::vector<tavvik::AnimationState> all_states(int width) {
  std::vector<tavvik::AnimationState> states(1);
  for (int arrived = 0; arrived < 2; ++arrived) {
    for (int pose = 0; pose < 2; ++pose) {
      for (std::uint64_t x = 0; x <= 2u * static_cast<std::uint64_t>(width); x += 2) {
        states.push_back(
            {.arrived = arrived == 1, .first_frame = false, .x = x, .pose = pose == 1});
      }
    }
  }
  return states;
}

// FNV-1a over the cells as the capture shows them, so a capture is looked up, not searched.
std::uint64_t fingerprint(const std::vector<std::vector<ShownCell>>& rows) {
  std::uint64_t hash = 1469598103934665603ull;
  auto mix = [&hash](std::uint64_t value) {
    for (int byte = 0; byte < 8; ++byte) {
      hash = (hash ^ ((value >> (8 * byte)) & 0xFF)) * 1099511628211ull;
    }
  };
  for (const auto& row : rows) {
    for (const ShownCell& cell : row) {
      mix(cell.symbol);
      mix(static_cast<std::uint64_t>(cell.fg + 1) << 16 | static_cast<std::uint64_t>(cell.bg + 1));
      mix(cell.oddity.size());
    }
  }
  return hash;
}

std::vector<std::vector<ShownCell>> as_shown(const tui::Buffer& buffer) {
  const tui::Rect area = buffer.area();
  std::vector<std::vector<ShownCell>> rows(area.height, std::vector<ShownCell>(area.width));
  for (std::uint16_t y = 0; y < area.height; ++y) {
    for (std::uint16_t x = 0; x < area.width; ++x) {
      const tui::Cell& cell = buffer.at(x, y);
      rows[y][x] = ShownCell{{shown_color(cell.fg), shown_color(cell.bg), {}}, cell.symbol};
    }
  }
  return rows;
}

class Frames {
 public:
  Frames(int width, int height)
      : area_{0, 0, static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height)},
        states_(all_states(width)) {
    for (std::size_t i = 0; i < states_.size(); ++i) {
      // Where several states look the same (the guinea pig out of sight), the first names them.
      known_.try_emplace(fingerprint(as_shown(compose(states_[i]))), i);
    }
  }

  std::string judge(const std::vector<std::vector<ShownCell>>& shown) {
    const auto found = known_.find(fingerprint(shown));
    if (found != known_.end()) {
      const tavvik::AnimationState& state = states_[found->second];
      if (compare(compose(state), shown).differing == 0) return "match " + name_of(state);
    }
    // No frame fits: name the closest, with the first cell that differs from it.
    std::optional<std::pair<Comparison, std::string>> closest;
    for (tavvik::AnimationState& state : states_) {
      const Comparison comparison = compare(compose(state), shown);
      if (!closest || comparison.differing < closest->first.differing) {
        closest.emplace(comparison, name_of(state));
      }
    }
    return "nomatch closest=" + closest->second +
           " differing=" + std::to_string(closest->first.differing) + " " + closest->first.first;
  }

 private:
  tui::Buffer compose(tavvik::AnimationState state) {
    tui::Buffer buffer(area_);
    tui::Frame frame(area_, buffer);
    scene_.draw_frame(frame, state);
    return buffer;
  }

  tui::Rect area_;
  std::vector<tavvik::AnimationState> states_;
  std::unordered_map<std::uint64_t, std::size_t> known_;
  tavvik::Scene scene_;
};

}  // namespace

int main(int argc, char** argv) {
  const int width = argc > 2 ? std::atoi(argv[1]) : 0, height = argc > 2 ? std::atoi(argv[2]) : 0;
  if (argc < 4 || width <= 0 || height <= 0 || width > 4096 || height > 4096) {
    std::fprintf(stderr, "usage: pane_state WIDTH HEIGHT CAPTURE...\n");
    return 2;
  }
  Frames frames(width, height);
  bool all_matched = true;
  for (int i = 3; i < argc; ++i) {
    std::ifstream file(argv[i], std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    auto shown = file ? read_capture(text, width, height) : std::nullopt;
    if (!shown) {
      std::fprintf(stderr, "pane_state: cannot read %s\n", argv[i]);
      return 2;
    }
    const std::string verdict = frames.judge(*shown);
    all_matched = all_matched && verdict.starts_with("match");
    std::printf("%s\n", verdict.c_str());
  }
  return all_matched ? 0 : 1;
}
