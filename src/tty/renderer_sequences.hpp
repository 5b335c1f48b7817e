#pragma once

// Spellings and sizes shared by the renderer's parts: numbers, CSI sequences and UTF-8.

#include <charconv>
#include <climits>
#include <cstddef>
#include <string>

namespace tty::sequences {

inline constexpr int kImpossible = INT_MAX / 4;
// Writing the cells in between beats a cursor motion only over short gaps; this bounds the scan.
inline constexpr int kLongestOverwrite = 8;
// Moves of a row's picture by up to this many columns are tried as a shift.
inline constexpr int kLongestShift = 6;
inline constexpr int kShortestShiftedStretch = 6;
// A shift that spares fewer cells than this cannot pay for its own sequences.
inline constexpr std::size_t kLeastShiftSaving = 2;

inline int digits(int n) {
  int count = 1;
  while (n >= 10) n /= 10, ++count;
  return count;
}

inline void append_number(int n, std::string& out) {
  char text[12];
  auto result = std::to_chars(text, text + sizeof text, n);
  out.append(text, result.ptr);
}

/// ESC [ n final, leaving out a count of 1, which is the default.
inline void append_csi(int n, char final, std::string& out) {
  out += "\x1b[";
  if (n != 1) append_number(n, out);
  out += final;
}

inline int csi_cost(int n) {
  return n == 1 ? 3 : 3 + digits(n);
}

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

}  // namespace tty::sequences
