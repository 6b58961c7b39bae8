#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "filter/plane_view.h"

namespace tesselox::io {

// One plane's samples against a pixel's 16-bit channel: channel = sample - offset (mod 2^16),
// so that black luma and neutral chroma are 0 and six zero bytes are a black pixel. Back, a
// channel is read as a signed offset and clamped to 0..maxSample; at 16 bits every channel
// value is a sample, and the addition simply wraps.
struct PlaneLevels {
  std::uint16_t offset = 0;
  std::uint16_t maxSample = 255;
};

// Whole-row conversions between sample planes (8-bit, or 16-bit little-endian containers) and
// rows of pixels, in three steps: samples to a row of channels, three channel rows to pixels,
// and the reverse. Rows are short enough to stay in the first-level cache between steps.
struct RowKernels {
  // out[k] = in[k] - offset, for k < n.
  void (*widen8)(std::uint16_t* out, const std::uint8_t* in, std::size_t n, std::uint16_t offset);
  void (*widen16)(std::uint16_t* out, const std::uint16_t* in, std::size_t n, std::uint16_t offset);
  // out[k] = in[k / 2] - offset, for k < n: subsampled chroma repeated across its pixels.
  void (*widenTwice8)(std::uint16_t* out, const std::uint8_t* in, std::size_t n,
                      std::uint16_t offset);
  void (*widenTwice16)(std::uint16_t* out, const std::uint16_t* in, std::size_t n,
                       std::uint16_t offset);
  // Pixel k takes a[k], b[k], c[k] as its three channels, and back.
  void (*interleave)(Pixel* out, const std::uint16_t* a, const std::uint16_t* b,
                     const std::uint16_t* c, std::size_t n);
  void (*deinterleave)(const Pixel* in, std::uint16_t* a, std::uint16_t* b, std::uint16_t* c,
                       std::size_t n);
  // out[k] = in[k] + offset, clamped (see PlaneLevels).
  void (*narrow8)(std::uint8_t* out, const std::uint16_t* in, std::size_t n, PlaneLevels levels);
  void (*narrow16)(std::uint16_t* out, const std::uint16_t* in, std::size_t n, PlaneLevels levels);
  // out[k] = the rounded mean of a[2k], a[2k + 1], b[2k], b[2k + 1] as signed channels, plus
  // offset, clamped to 0..maxSample: one chroma sample from a 2 x 2 block (pass b == a for a
  // 2 x 1 block). 2k + 1 must lie in the rows.
  void (*average8)(std::uint8_t* out, const std::uint16_t* a, const std::uint16_t* b, std::size_t n,
                   PlaneLevels levels);
  void (*average16)(std::uint16_t* out, const std::uint16_t* a, const std::uint16_t* b,
                    std::size_t n, PlaneLevels levels);
};

// Plain C++, for any processor.
const RowKernels& PortableRowKernels();
// The fastest set the processor runs (vector instructions where it has them).
const RowKernels& FastRowKernels();

// Every set the processor runs, fastest first, named: for tests that hold them to the portable
// one.
struct NamedRowKernels {
  const char* name;
  const RowKernels* kernels;
};
std::vector<NamedRowKernels> SupportedRowKernels();

}  // namespace tesselox::io
