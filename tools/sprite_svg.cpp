// Draws one sprite frame as an SVG picture for the documentation, from the frame data built
// into the module: every opaque pixel a square in its own colour, the background left clear.
//
//   sprite_svg FRONT docs/front.svg
//   sprite_svg CARRY_HIGH docs/carrying.svg
//
// The picture is cut to the frame's opaque pixels plus a margin of one pixel; the squares keep
// their frame coordinates (x = column, y = row) so a pixel can be traced back to the art.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "sprite_frame_names.hpp"

namespace {

using tavvik::SPRITE_SIZE;
using tavvik::SpriteFrame;

// Screen pixels per frame pixel in the picture's natural size.
constexpr int kZoom = 8;

std::string hex_colour(std::uint32_t argb) {
  char text[8];
  std::snprintf(text, sizeof text, "#%06X", static_cast<unsigned>(argb & 0xFFFFFF));
  return text;
}

std::string svg_of(const SpriteFrame& frame, std::string_view name) {
  int top = SPRITE_SIZE, bottom = -1, left = SPRITE_SIZE, right = -1;
  for (int row = 0; row < SPRITE_SIZE; ++row) {
    for (int column = 0; column < SPRITE_SIZE; ++column) {
      if (frame[row * SPRITE_SIZE + column] == 0) continue;
      top = std::min(top, row);
      bottom = std::max(bottom, row);
      left = std::min(left, column);
      right = std::max(right, column);
    }
  }
  if (bottom < 0) top = bottom = left = right = 0;  // an empty frame still gives a picture
  top = std::max(top - 1, 0);
  left = std::max(left - 1, 0);
  bottom = std::min(bottom + 1, SPRITE_SIZE - 1);
  right = std::min(right + 1, SPRITE_SIZE - 1);
  const int width = right - left + 1;
  const int height = bottom - top + 1;

  std::ostringstream svg;
  svg << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << width * kZoom << "\" height=\""
      << height * kZoom << "\" viewBox=\"" << left << ' ' << top << ' ' << width << ' ' << height
      << "\" shape-rendering=\"crispEdges\">\n"
      << "<title>" << name << "</title>\n";
  for (int row = top; row <= bottom; ++row) {
    for (int column = left; column <= right; ++column) {
      const std::uint32_t pixel = frame[row * SPRITE_SIZE + column];
      if ((pixel >> 24) == 0) continue;
      svg << "<rect x=\"" << column << "\" y=\"" << row << "\" width=\"1\" height=\"1\" fill=\""
          << hex_colour(pixel) << "\"/>\n";
    }
  }
  svg << "</svg>\n";
  return svg.str();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: sprite_svg FRAME OUTPUT.svg\nframes: %s\n",
                 tools::frame_names().c_str());
    return 2;
  }
  const tavvik::SpriteFrame* frame = tools::find_frame(argv[1]);
  if (frame == nullptr) {
    std::fprintf(stderr, "sprite_svg: no frame called \"%s\"; the frames are: %s\n", argv[1],
                 tools::frame_names().c_str());
    return 2;
  }
  const std::string svg = svg_of(*frame, argv[1]);
  std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
  out << svg;
  out.close();
  if (!out) {
    std::fprintf(stderr, "sprite_svg: could not write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
