// Draws the whole animation as one animated SVG picture for the documentation: the animation
// is played exactly as `tavvik run` plays it, on a screen kept in memory and a clock that moves
// only when it sleeps, and every screen it sends is shown for as long as it would be.
//
//   animation_svg docs/animation.svg            at 120 x 36 cells
//   animation_svg docs/animation.svg 160x40     at another size
//
// The screens are taken apart into the still border and a few sprites, each drawn once as
// rectangles of half-block pixels; SMIL animations then show, move and hide the sprites at the
// times of the screens, looping over the whole run. The tool checks that the parts compose
// back into every screen, and that the character cells never change.

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "layered_animation.hpp"
#include "pixel_screen.hpp"
#include "recorded_animation.hpp"
#include "svg_drawing.hpp"

namespace {

using tools::LayeredAnimation;
using tools::number;
using tools::Placement;
using tools::Recording;

// Screen pixels per picture unit (a half-block pixel) at the picture's natural size.
constexpr int kZoom = 8;

/// Milliseconds as seconds.
std::string seconds(long milliseconds) {
  return number(static_cast<double>(milliseconds) / 1000, 6);
}

/// A moment of the run (in milliseconds) as a fraction of the whole loop, for keyTimes.
std::string key_time(long at, long loop) {
  return number(static_cast<double>(at) / static_cast<double>(loop), 6);
}

/// One discrete SMIL animation of `attribute` over the loop: `values[i]` from `times[i]` on.
std::string discrete(const char* attribute, const std::vector<long>& times,
                     const std::vector<std::string>& values, long loop) {
  std::string key_times, list;
  for (std::size_t i = 0; i < times.size(); ++i) {
    key_times += (i ? ";" : "") + key_time(times[i], loop);
    list += (i ? ";" : "") + values[i];
  }
  return "<animate attributeName=\"" + std::string(attribute) + "\" dur=\"" + seconds(loop) +
         "s\" repeatCount=\"indefinite\" calcMode=\"discrete\" keyTimes=\"" + key_times +
         "\" values=\"" + list + "\"/>\n";
}

/// A value that changes over the loop: the moments it changes and what it becomes.
struct Track {
  std::vector<long> times;
  std::vector<std::string> values;
  void set(long at, const std::string& value) {
    if (!values.empty() && values.back() == value) return;
    times.push_back(at);
    values.push_back(value);
  }
};

/// The <use> that shows sprite `s` wherever and whenever the screens place it.
std::string sprite_use(const LayeredAnimation& layers, int s, const std::vector<long>& starts,
                       long loop) {
  Track shown, x, y;
  for (std::size_t i = 0; i < layers.placements.size(); ++i) {
    const Placement& placement = layers.placements[i];
    const bool here = placement.sprite == s;
    shown.set(starts[i], here ? "visible" : "hidden");
    if (here) {
      // Before its first showing a sprite already stands where it first shows.
      x.set(x.times.empty() ? 0 : starts[i], std::to_string(placement.x));
      y.set(y.times.empty() ? 0 : starts[i], std::to_string(placement.y));
    }
  }
  std::string use = "<use xlink:href=\"#s" + std::to_string(s) + "\" x=\"" + x.values.front() +
                    "\" y=\"" + y.values.front() + "\" visibility=\"" + shown.values.front() +
                    "\">\n";
  if (shown.times.size() > 1) use += discrete("visibility", shown.times, shown.values, loop);
  if (x.times.size() > 1) use += discrete("x", x.times, x.values, loop);
  if (y.times.size() > 1) use += discrete("y", y.times, y.values, loop);
  return use + "</use>\n";
}

std::string svg_of(const Recording& recording, const LayeredAnimation& layers) {
  const tools::PixelScreen& background = layers.background;
  std::vector<long> starts;
  for (const tools::Shot& shot : recording.shots) starts.push_back(shot.at.count());
  const long loop = recording.end.count();

  std::string svg =
      "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
      "width=\"" +
      std::to_string(background.width * kZoom) + "\" height=\"" +
      std::to_string(background.height * kZoom) + "\" viewBox=\"0 0 " +
      std::to_string(background.width) + " " + std::to_string(background.height) +
      "\" shape-rendering=\"crispEdges\">\n<title>tavvik run on a terminal of " +
      std::to_string(recording.size.width) + " x " + std::to_string(recording.size.height) +
      " cells, the whole " + seconds(loop) + " seconds</title>\n<defs>\n";
  const tools::PixelBox& window = layers.window;
  svg += "<clipPath id=\"window\"><rect x=\"" + std::to_string(window.left) + "\" y=\"" +
         std::to_string(window.top) + "\" width=\"" + std::to_string(window.right - window.left) +
         "\" height=\"" + std::to_string(window.bottom - window.top) + "\"/></clipPath>\n";
  for (std::size_t s = 0; s < layers.sprites.size(); ++s) {
    const tools::Sprite& sprite = layers.sprites[s];
    svg += "<g id=\"s" + std::to_string(s) + "\">\n" +
           tools::pixel_paths(sprite.width, sprite.height,
                              [&](int x, int y) {
                                const std::uint16_t code =
                                    sprite.pixels[static_cast<std::size_t>(y) * sprite.width + x];
                                return code == tools::kClear ? -1 : int{code};
                              }) +
           "</g>\n";
  }
  svg += "</defs>\n<rect width=\"100%\" height=\"100%\" fill=\"" +
         std::string(tools::kScreenBackground) + "\"/>\n";
  svg += tools::pixel_paths(background.width, background.height, [&](int x, int y) {
    const std::uint16_t code = background.at(x, y);
    return code == tools::kText || tui::Color::Reset.code() == code ? -1 : int{code};
  });
  svg += tools::character_cells(recording.shots.front().cells, recording.size);
  svg += "<g clip-path=\"url(#window)\">\n";
  for (std::size_t s = 0; s < layers.sprites.size(); ++s) {
    svg += sprite_use(layers, static_cast<int>(s), starts, loop);
  }
  return svg + "</g>\n</svg>\n";
}

/// Whether every screen shows the same characters as the first: the picture draws them once.
bool same_characters(const Recording& recording) {
  const std::vector<tui::Cell>& first = recording.shots.front().cells;
  for (const tools::Shot& shot : recording.shots) {
    for (std::size_t i = 0; i < first.size(); ++i) {
      if (tools::is_pixel_cell(first[i]) != tools::is_pixel_cell(shot.cells[i])) return false;
      if (!tools::is_pixel_cell(first[i]) && first[i] != shot.cells[i]) return false;
    }
  }
  return true;
}

int fail(const std::string& text) {
  std::fprintf(stderr, "animation_svg: %s\n", text.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  tui::Size size{120, 36};
  unsigned width = 0, height = 0;
  char rest = 0;
  if (argc == 3 && std::sscanf(argv[2], "%ux%u%c", &width, &height, &rest) == 2 && width > 2 &&
      height > 2 && width < 1000 && height < 1000) {
    size = {static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height)};
  } else if (argc != 2) {
    std::fprintf(stderr, "usage: animation_svg OUTPUT.svg [COLUMNSxROWS]\n");
    return 2;
  }

  auto recording = tools::record_animation(size);
  if (!recording) return fail(recording.error());
  if (recording->shots.empty()) return fail("the animation sent no screen");
  if (!same_characters(*recording)) return fail("the characters change between screens");

  std::vector<tools::PixelScreen> screens;
  std::vector<long> durations;
  for (std::size_t i = 0; i < recording->shots.size(); ++i) {
    screens.push_back(tools::pixels_of(recording->shots[i].cells, size));
    const auto until =
        i + 1 < recording->shots.size() ? recording->shots[i + 1].at : recording->end;
    durations.push_back((until - recording->shots[i].at).count());
  }
  auto layers = tools::layer_screens(screens, durations);
  if (!layers) return fail(layers.error());

  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  out << svg_of(*recording, *layers);
  out.close();
  if (!out) return fail(std::string("could not write ") + argv[1]);
  std::printf("%s: %zu screens, %zu sprites, %.3f s\n", argv[1], screens.size(),
              layers->sprites.size(), static_cast<double>(recording->end.count()) / 1000.0);
  return 0;
}
