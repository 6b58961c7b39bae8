#pragma once

#include <cstdint>

namespace tesselox {

// Byte-shuffle masks that build kOut output registers of kBytes bytes from kIn source registers:
// output register r takes from source register s the bytes masks[r][s] names (-128: none), and
// ORs what it took from each. Built at compile time from `source(r, s, i)`, the mask byte of
// output register r at i for source register s.
template <int kOut, int kIn, int kBytes = 16>
struct ShuffleMasks {
  alignas(kBytes) std::int8_t masks[kOut][kIn][kBytes];
};

template <int kOut, int kIn, int kBytes = 16, class Source>
constexpr ShuffleMasks<kOut, kIn, kBytes> MakeShuffleMasks(Source source) {
  ShuffleMasks<kOut, kIn, kBytes> m{};
  for (int r = 0; r < kOut; ++r) {
    for (int s = 0; s < kIn; ++s) {
      for (int i = 0; i < kBytes; ++i) m.masks[r][s][i] = static_cast<std::int8_t>(source(r, s, i));
    }
  }
  return m;
}

// The mask byte for byte `from` of bytes loaded as consecutive 16-byte registers, as seen from
// source register s: its place in s, or none when it lies in another register.
constexpr int ByteIn(int from, int s) {
  return from / 16 == s ? from % 16 : -128;
}

}  // namespace tesselox
