#pragma once

#include <string>

namespace tui {

/// Appends a cell's symbol in UTF-8. The symbol must be a Unicode scalar value; cells never
/// hold anything else.
inline void append_utf8(char32_t symbol, std::string& out) {
  if (symbol < 0x80) {
    out += static_cast<char>(symbol);
  } else if (symbol < 0x800) {
    out += static_cast<char>(0xC0 | (symbol >> 6));
    out += static_cast<char>(0x80 | (symbol & 0x3F));
  } else if (symbol < 0x10000) {
    out += static_cast<char>(0xE0 | (symbol >> 12));
    out += static_cast<char>(0x80 | ((symbol >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (symbol & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (symbol >> 18));
    out += static_cast<char>(0x80 | ((symbol >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((symbol >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (symbol & 0x3F));
  }
}

}  // namespace tui
