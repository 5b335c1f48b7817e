#include "layered_animation.hpp"

#include <algorithm>
#include <optional>

namespace tools {

namespace {

/// Every colour code a pixel can hold, kText included.
constexpr std::size_t kCodes = kText + 1;

/// At each pixel, the code the screens show there for the longest time.
PixelScreen longest_shown(std::span<const PixelScreen> screens, std::span<const long> durations) {
  PixelScreen background = screens.front();
  std::vector<long> time(kCodes);
  for (std::size_t p = 0; p < background.pixels.size(); ++p) {
    std::fill(time.begin(), time.end(), 0);
    for (std::size_t s = 0; s < screens.size(); ++s) time[screens[s].pixels[p]] += durations[s];
    background.pixels[p] =
        static_cast<std::uint16_t>(std::max_element(time.begin(), time.end()) - time.begin());
  }
  return background;
}

/// The box around every pixel where `screen` differs from `background`; none when it does not.
std::optional<PixelBox> difference_box(const PixelScreen& screen, const PixelScreen& background) {
  std::optional<PixelBox> box;
  for (int y = 0; y < screen.height; ++y) {
    for (int x = 0; x < screen.width; ++x) {
      if (screen.at(x, y) == background.at(x, y)) continue;
      if (!box) box = PixelBox{x, y, x + 1, y + 1};
      box = PixelBox{std::min(box->left, x), std::min(box->top, y), std::max(box->right, x + 1),
                     std::max(box->bottom, y + 1)};
    }
  }
  return box;
}

/// The box around all `boxes`; an empty box when there are none.
PixelBox union_of(std::span<const std::optional<PixelBox>> boxes) {
  std::optional<PixelBox> all;
  for (const std::optional<PixelBox>& box : boxes) {
    if (!box) continue;
    if (!all) all = box;
    all = PixelBox{std::min(all->left, box->left), std::min(all->top, box->top),
                   std::max(all->right, box->right), std::max(all->bottom, box->bottom)};
  }
  return all.value_or(PixelBox{});
}

/// Whether `sprite` at (x, y) over the background, cut to the window, is exactly `screen`,
/// given that `screen` equals the background outside `changed`.
bool reproduces(const LayeredAnimation& layers, const Sprite& sprite, int x, int y,
                const PixelScreen& screen, const PixelBox& changed) {
  if (changed.left < x || changed.top < y || changed.right > x + sprite.width ||
      changed.bottom > y + sprite.height) {
    return false;
  }
  const PixelBox& window = layers.window;
  for (int row = std::max(y, window.top); row < std::min(y + sprite.height, window.bottom); ++row) {
    for (int column = std::max(x, window.left); column < std::min(x + sprite.width, window.right);
         ++column) {
      const std::uint16_t own = sprite.pixels[static_cast<std::size_t>(row - y) * sprite.width +
                                              static_cast<std::size_t>(column - x)];
      const std::uint16_t shown = own == kClear ? layers.background.at(column, row) : own;
      if (shown != screen.at(column, row)) return false;
    }
  }
  return true;
}

/// An earlier sprite that, moved, shows `screen`. The changed box lines up with the sprite's
/// edges on every side the window does not cut, so only its four corners are tried.
std::optional<Placement> reuse(const LayeredAnimation& layers, const PixelScreen& screen,
                               const PixelBox& changed) {
  for (std::size_t s = 0; s < layers.sprites.size(); ++s) {
    const Sprite& sprite = layers.sprites[s];
    for (const int x : {changed.left, changed.right - sprite.width}) {
      for (const int y : {changed.top, changed.bottom - sprite.height}) {
        if (reproduces(layers, sprite, x, y, screen, changed)) {
          return Placement{static_cast<int>(s), x, y};
        }
      }
    }
  }
  return std::nullopt;
}

/// Whether a pixel of `box` that differs from the background is, or covers, a character.
bool changes_text(const PixelScreen& screen, const PixelScreen& background, const PixelBox& box) {
  for (int y = box.top; y < box.bottom; ++y) {
    for (int x = box.left; x < box.right; ++x) {
      const std::uint16_t pixel = screen.at(x, y);
      if (pixel != background.at(x, y) && (pixel == kText || background.at(x, y) == kText)) {
        return true;
      }
    }
  }
  return false;
}

Sprite cut_out(const PixelScreen& screen, const PixelScreen& background, const PixelBox& box) {
  Sprite sprite{box.right - box.left, box.bottom - box.top, {}};
  for (int y = box.top; y < box.bottom; ++y) {
    for (int x = box.left; x < box.right; ++x) {
      const std::uint16_t pixel = screen.at(x, y);
      sprite.pixels.push_back(pixel == background.at(x, y) ? kClear : pixel);
    }
  }
  return sprite;
}

}  // namespace

std::expected<LayeredAnimation, std::string> layer_screens(std::span<const PixelScreen> screens,
                                                           std::span<const long> durations) {
  if (screens.empty()) return std::unexpected("no screens to take apart");
  LayeredAnimation layers;
  layers.background = longest_shown(screens, durations);
  std::vector<std::optional<PixelBox>> changes;
  for (const PixelScreen& screen : screens) {
    changes.push_back(difference_box(screen, layers.background));
    if (changes.back() && changes_text(screen, layers.background, *changes.back())) {
      return std::unexpected("a screen changes a character cell");
    }
  }
  layers.window = union_of(changes);
  for (std::size_t i = 0; i < screens.size(); ++i) {
    const PixelScreen& screen = screens[i];
    if (!changes[i]) {
      layers.placements.push_back({});
      continue;
    }
    const PixelBox& box = *changes[i];
    if (const std::optional<Placement> placement = reuse(layers, screen, box)) {
      layers.placements.push_back(*placement);
      continue;
    }
    layers.sprites.push_back(cut_out(screen, layers.background, box));
    layers.placements.push_back({static_cast<int>(layers.sprites.size()) - 1, box.left, box.top});
  }
  return layers;
}

}  // namespace tools
