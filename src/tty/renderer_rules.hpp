#pragma once

// Limits and symbol rules shared by the renderer's parts.

#include <climits>
#include <cstddef>

namespace tty::rules {

inline constexpr int kImpossible = INT_MAX / 4;
// Writing the cells in between beats a cursor motion only over short gaps; this bounds the scan.
inline constexpr int kLongestOverwrite = 8;
// Moves of a row's picture by up to this many columns are tried as a shift.
inline constexpr int kLongestShift = 6;
inline constexpr int kShortestShiftedStretch = 6;
// A shift that spares fewer cells than this cannot pay for its own sequences.
inline constexpr std::size_t kLeastShiftSaving = 2;

/// Symbols that would upset the terminal (controls, which could start sequences of their own)
/// or that are not characters at all are shown as U+FFFD.
inline char32_t displayable(char32_t c) {
  if (c < 0x20 || (c >= 0x7F && c < 0xA0) || (c >= 0xD800 && c < 0xE000) || c > 0x10FFFF) {
    return U'\uFFFD';
  }
  return c;
}

/// Symbols known to take exactly one column; after any other the cursor position is not trusted.
inline bool surely_narrow(char32_t c) {
  return (c >= 0x20 && c < 0x7F) || (c >= 0xA0 && c < 0x300) || (c >= 0x370 && c < 0x483) ||
         (c >= 0x2010 && c < 0x2028) || (c >= 0x2500 && c < 0x25FD) || c == 0xFFFD;
}

inline int utf8_length(char32_t c) {
  return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
}

}  // namespace tty::rules
