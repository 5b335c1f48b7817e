// What the renderer writes for a cell's symbol, and which symbols it trusts to take one column.
#pragma once

namespace tty {

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

}  // namespace tty
