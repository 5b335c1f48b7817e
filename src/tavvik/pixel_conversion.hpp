#pragma once

// Converting the scene's floating-point positions to canvas pixels and points.

#include <algorithm>
#include <cstdint>
#include <limits>

namespace tavvik {

/// Float to canvas pixel index: truncated towards zero; negative values and NaN give 0, values
/// beyond the unsigned 64-bit range give its maximum.
constexpr std::uint64_t to_pixel_index(double value) {
  if (!(value > 0.0)) return 0;  // negative, zero and NaN
  if (value >= 18446744073709551616.0) return std::numeric_limits<std::uint64_t>::max();
  return static_cast<std::uint64_t>(value);
}

/// Float to signed 32-bit point coordinate: truncated towards zero, clamped to the type's
/// range; NaN gives 0.
constexpr std::int32_t to_signed_point(double value) {
  if (value != value) return 0;  // NaN
  using Limits = std::numeric_limits<std::int32_t>;
  return static_cast<std::int32_t>(std::clamp<double>(value, Limits::min(), Limits::max()));
}

}  // namespace tavvik
