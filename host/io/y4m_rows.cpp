#include "host/io/y4m_rows.h"

#include <algorithm>
#include <bit>

#if defined(__x86_64__) || defined(__i386__)
#define TESSELOX_ROWS_X86 1
#endif

namespace tesselox::io {
namespace {

static_assert(std::endian::native == std::endian::little,
              "pixels and 16-bit samples are little-endian in memory and in files");

// Pixels are rows of bytes; their channels are read and written as 16-bit words in place.
using Word = std::uint16_t __attribute__((may_alias));

// The loops below are written for the compiler to vectorise: each is inlined into a plain
// wrapper and into wrappers built for newer instruction sets, so one source serves both.
#define TESSELOX_INLINE inline __attribute__((always_inline))

template <class Sample>
TESSELOX_INLINE void Widen(std::uint16_t* out, const Sample* in, std::size_t n,
                           std::uint16_t offset) {
  for (std::size_t k = 0; k < n; ++k) out[k] = static_cast<std::uint16_t>(in[k] - offset);
}

template <class Sample>
TESSELOX_INLINE void WidenTwice(std::uint16_t* out, const Sample* in, std::size_t n,
                                std::uint16_t offset) {
  const std::size_t pairs = n / 2;
  for (std::size_t k = 0; k < pairs; ++k) {
    const auto v = static_cast<std::uint16_t>(in[k] - offset);
    out[2 * k] = v;
    out[2 * k + 1] = v;
  }
  if (n % 2 != 0) out[n - 1] = static_cast<std::uint16_t>(in[pairs] - offset);
}

TESSELOX_INLINE void Interleave(Pixel* out, const std::uint16_t* a, const std::uint16_t* b,
                                const std::uint16_t* c, std::size_t n) {
  auto* words = reinterpret_cast<Word*>(out);
  for (std::size_t k = 0; k < n; ++k) {
    words[3 * k] = a[k];
    words[3 * k + 1] = b[k];
    words[3 * k + 2] = c[k];
  }
}

TESSELOX_INLINE void Deinterleave(const Pixel* in, std::uint16_t* a, std::uint16_t* b,
                                  std::uint16_t* c, std::size_t n) {
  const auto* words = reinterpret_cast<const Word*>(in);
  for (std::size_t k = 0; k < n; ++k) {
    a[k] = words[3 * k];
    b[k] = words[3 * k + 1];
    c[k] = words[3 * k + 2];
  }
}

template <class Sample>
TESSELOX_INLINE void Narrow(Sample* out, const std::uint16_t* in, std::size_t n,
                            PlaneLevels levels) {
  if (levels.maxSample == 0xFFFF) {
    for (std::size_t k = 0; k < n; ++k) out[k] = static_cast<Sample>(in[k] + levels.offset);
    return;
  }
  const int offset = levels.offset, high = levels.maxSample;
  for (std::size_t k = 0; k < n; ++k) {
    const int v = static_cast<std::int16_t>(in[k]) + offset;
    out[k] = static_cast<Sample>(std::clamp(v, 0, high));
  }
}

template <class Sample>
TESSELOX_INLINE void Average(Sample* out, const std::uint16_t* a, const std::uint16_t* b,
                             std::size_t n, PlaneLevels levels) {
  const int offset = levels.offset, high = levels.maxSample;
  for (std::size_t k = 0; k < n; ++k) {
    const int sum = static_cast<std::int16_t>(a[2 * k]) + static_cast<std::int16_t>(a[2 * k + 1]) +
                    static_cast<std::int16_t>(b[2 * k]) + static_cast<std::int16_t>(b[2 * k + 1]);
    // An arithmetic shift rounds half up for negative sums too.
    out[k] = static_cast<Sample>(std::clamp(((sum + 2) >> 2) + offset, 0, high));
  }
}

// One set of wrappers per instruction set; ATTRIBUTES names it.
#define TESSELOX_ROW_KERNELS(NAME, ATTRIBUTES)                                                    \
  ATTRIBUTES void NAME##Widen8(std::uint16_t* o, const std::uint8_t* i, std::size_t n,            \
                               std::uint16_t f) {                                                 \
    Widen(o, i, n, f);                                                                            \
  }                                                                                               \
  ATTRIBUTES void NAME##Widen16(std::uint16_t* o, const std::uint16_t* i, std::size_t n,          \
                                std::uint16_t f) {                                                \
    Widen(o, i, n, f);                                                                            \
  }                                                                                               \
  ATTRIBUTES void NAME##WidenTwice8(std::uint16_t* o, const std::uint8_t* i, std::size_t n,       \
                                    std::uint16_t f) {                                            \
    WidenTwice(o, i, n, f);                                                                       \
  }                                                                                               \
  ATTRIBUTES void NAME##WidenTwice16(std::uint16_t* o, const std::uint16_t* i, std::size_t n,     \
                                     std::uint16_t f) {                                           \
    WidenTwice(o, i, n, f);                                                                       \
  }                                                                                               \
  ATTRIBUTES void NAME##Interleave(Pixel* o, const std::uint16_t* a, const std::uint16_t* b,      \
                                   const std::uint16_t* c, std::size_t n) {                       \
    Interleave(o, a, b, c, n);                                                                    \
  }                                                                                               \
  ATTRIBUTES void NAME##Deinterleave(const Pixel* i, std::uint16_t* a, std::uint16_t* b,          \
                                     std::uint16_t* c, std::size_t n) {                           \
    Deinterleave(i, a, b, c, n);                                                                  \
  }                                                                                               \
  ATTRIBUTES void NAME##Narrow8(std::uint8_t* o, const std::uint16_t* i, std::size_t n,           \
                                PlaneLevels l) {                                                  \
    Narrow(o, i, n, l);                                                                           \
  }                                                                                               \
  ATTRIBUTES void NAME##Narrow16(std::uint16_t* o, const std::uint16_t* i, std::size_t n,         \
                                 PlaneLevels l) {                                                 \
    Narrow(o, i, n, l);                                                                           \
  }                                                                                               \
  ATTRIBUTES void NAME##Average8(std::uint8_t* o, const std::uint16_t* a, const std::uint16_t* b, \
                                 std::size_t n, PlaneLevels l) {                                  \
    Average(o, a, b, n, l);                                                                       \
  }                                                                                               \
  ATTRIBUTES void NAME##Average16(std::uint16_t* o, const std::uint16_t* a,                       \
                                  const std::uint16_t* b, std::size_t n, PlaneLevels l) {         \
    Average(o, a, b, n, l);                                                                       \
  }                                                                                               \
  constexpr RowKernels k##NAME##Kernels = {                                                       \
      NAME##Widen8,       NAME##Widen16, NAME##WidenTwice8, NAME##WidenTwice16, NAME##Interleave, \
      NAME##Deinterleave, NAME##Narrow8, NAME##Narrow16,    NAME##Average8,     NAME##Average16};

TESSELOX_ROW_KERNELS(Portable, )
#ifdef TESSELOX_ROWS_X86
TESSELOX_ROW_KERNELS(Avx2, __attribute__((target("avx2"))))
TESSELOX_ROW_KERNELS(Ssse3, __attribute__((target("ssse3"))))
#endif

}  // namespace

const RowKernels& PortableRowKernels() {
  return kPortableKernels;
}

const RowKernels& FastRowKernels() {
#ifdef TESSELOX_ROWS_X86
  static const RowKernels& fastest = [&]() -> const RowKernels& {
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2")) return kAvx2Kernels;
    if (__builtin_cpu_supports("ssse3")) return kSsse3Kernels;
    return kPortableKernels;
  }();
  return fastest;
#else
  return kPortableKernels;
#endif
}

}  // namespace tesselox::io
