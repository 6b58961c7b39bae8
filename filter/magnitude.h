#pragma once

#include <concepts>
#include <limits>

namespace tesselox {

// |v| without overflow: the type's lowest value, whose magnitude the type cannot hold, gives its
// highest. Where |INT32_MIN| must come out exact, take the magnitude of the value in 64 bits.
template <std::signed_integral T>
constexpr T Magnitude(T v) {
  if (v == std::numeric_limits<T>::min()) return std::numeric_limits<T>::max();
  return v < 0 ? static_cast<T>(-v) : v;
}

}  // namespace tesselox
