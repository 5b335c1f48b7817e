#pragma once

// Encoding and strict decoding of UTF-8.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

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

/// Bytes of `append_utf8` for the symbol.
inline std::size_t utf8_length(char32_t symbol) {
  return symbol < 0x80 ? 1 : symbol < 0x800 ? 2 : symbol < 0x10000 ? 3 : 4;
}

/// One decoded code point and the number of bytes it took.
struct Decoded {
  char32_t code_point;
  std::size_t length;
};

/// The code point at the start of `bytes` (which must not be empty) in strict UTF-8: no
/// overlong forms, no surrogates, nothing above U+10FFFF. Nothing when the bytes are not that.
inline std::optional<Decoded> decode_utf8(std::string_view bytes) {
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(bytes[i]); };
  const std::uint8_t lead = byte(0);
  if (lead < 0x80) return Decoded{lead, 1};
  std::size_t length = 0;
  char32_t code_point = 0;
  std::uint8_t low = 0x80;
  std::uint8_t high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    code_point = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    code_point = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    code_point = lead & 0x07;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return std::nullopt;
  }
  if (bytes.size() < length) return std::nullopt;
  for (std::size_t i = 1; i < length; ++i) {
    const std::uint8_t next = byte(i);
    if (next < (i == 1 ? low : 0x80) || next > (i == 1 ? high : 0xBF)) return std::nullopt;
    code_point = (code_point << 6) | (next & 0x3F);
  }
  return Decoded{code_point, length};
}

/// True when all of `bytes` is strict UTF-8 (see `decode_utf8`).
inline bool is_valid_utf8(std::string_view bytes) {
  while (!bytes.empty()) {
    const auto decoded = decode_utf8(bytes);
    if (!decoded) return false;
    bytes.remove_prefix(decoded->length);
  }
  return true;
}

}  // namespace tui
