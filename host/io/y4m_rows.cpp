#include "host/io/y4m_rows.h"

#include <algorithm>
#include <bit>

#include "filter/processor.h"
#include "filter/shuffle_masks.h"

#ifdef TESSELOX_X86
#include <immintrin.h>
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
    const int mean = (sum + 2) >> 2;
    out[k] =
        static_cast<Sample>(high == 0xFFFF ? mean + offset : std::clamp(mean + offset, 0, high));
  }
}

#ifdef TESSELOX_X86
// Eight pixels are 48 bytes, three 16-byte registers; eight channels of one kind are one.
// Channel registers (a, b, c) to pixel registers.
constexpr auto kInterleave = MakeShuffleMasks<3, 3>([](int r, int s, int i) {
  const int at = 16 * r + i, pixel = at / 6, channel = at % 6 / 2;
  return channel == s ? 2 * pixel + at % 2 : -128;
});

// Pixel registers to channel registers.
constexpr auto kDeinterleave = MakeShuffleMasks<3, 3>(
    [](int r, int s, int i) { return ByteIn(6 * (i / 2) + 2 * r + i % 2, s); });

__attribute__((target("ssse3"))) inline void Shuffle3(const ShuffleMasks<3, 3>& m,
                                                      const __m128i in[3], __m128i out[3]) {
  const auto* masks = reinterpret_cast<const __m128i*>(m.masks);
  for (int r = 0; r < 3; ++r) {
    out[r] = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(in[0], _mm_load_si128(masks + 3 * r)),
                                       _mm_shuffle_epi8(in[1], _mm_load_si128(masks + 3 * r + 1))),
                          _mm_shuffle_epi8(in[2], _mm_load_si128(masks + 3 * r + 2)));
  }
}

__attribute__((target("ssse3"))) void InterleaveSsse3(Pixel* out, const std::uint16_t* a,
                                                      const std::uint16_t* b,
                                                      const std::uint16_t* c, std::size_t n) {
  std::size_t k = 0;
  auto* bytes = reinterpret_cast<std::uint8_t*>(out);
  for (; k + 8 <= n; k += 8) {
    const __m128i in[3] = {_mm_loadu_si128(reinterpret_cast<const __m128i*>(a + k)),
                           _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + k)),
                           _mm_loadu_si128(reinterpret_cast<const __m128i*>(c + k))};
    __m128i pixels[3];
    Shuffle3(kInterleave, in, pixels);
    for (int r = 0; r < 3; ++r)
      _mm_storeu_si128(reinterpret_cast<__m128i*>(bytes + 6 * k + 16 * r), pixels[r]);
  }
  Interleave(out + k, a + k, b + k, c + k, n - k);
}

__attribute__((target("ssse3"))) void DeinterleaveSsse3(const Pixel* in, std::uint16_t* a,
                                                        std::uint16_t* b, std::uint16_t* c,
                                                        std::size_t n) {
  std::size_t k = 0;
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(in);
  for (; k + 8 <= n; k += 8) {
    __m128i pixels[3], channels[3];
    for (int r = 0; r < 3; ++r)
      pixels[r] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 6 * k + 16 * r));
    Shuffle3(kDeinterleave, pixels, channels);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(a + k), channels[0]);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(b + k), channels[1]);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(c + k), channels[2]);
  }
  Deinterleave(in + k, a + k, b + k, c + k, n - k);
}

// Eight rounded means of 2 x 2 blocks as 16-bit offsets, then levels as Narrow applies them.
// Sixteen pixels are 96 bytes, three 32-byte registers whose 16-byte halves are the registers
// of the shuffles above: output register r holds 16-byte registers kHalves[r] of the two
// eight-pixel groups (the second group's numbered from 3).
constexpr int kHalves[3][2] = {{0, 1}, {2, 3}, {4, 5}};

// Pixel register r, half h takes from channel register s the bytes of the 16-byte mask for
// that half's place in its group.
constexpr auto kWideInterleave = MakeShuffleMasks<3, 3, 32>(
    [](int r, int s, int i) { return kInterleave.masks[kHalves[r][i / 16] % 3][s][i % 16]; });

// Channel register r takes from source register s (both groups' 16-byte register s) the bytes
// the 16-byte mask names, in each half alike.
constexpr auto kWideDeinterleave = MakeShuffleMasks<3, 3, 32>(
    [](int r, int s, int i) { return kDeinterleave.masks[r][s][i % 16]; });

__attribute__((target("avx2"))) void InterleaveAvx2(Pixel* out, const std::uint16_t* a,
                                                    const std::uint16_t* b, const std::uint16_t* c,
                                                    std::size_t n) {
  std::size_t k = 0;
  auto* bytes = reinterpret_cast<std::uint8_t*>(out);
  const auto* masks = reinterpret_cast<const __m256i*>(kWideInterleave.masks);
  for (; k + 16 <= n; k += 16) {
    const std::uint16_t* channels[3] = {a + k, b + k, c + k};
    __m256i sources[3][3];  // [register r][channel s]: the groups register r draws on
    for (int s = 0; s < 3; ++s) {
      const __m256i both = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(channels[s]));
      sources[0][s] = _mm256_permute4x64_epi64(both, 0x44);  // the first group twice
      sources[1][s] = both;
      sources[2][s] = _mm256_permute4x64_epi64(both, 0xEE);  // the second group twice
    }
    for (int r = 0; r < 3; ++r) {
      __m256i v = _mm256_setzero_si256();
      for (int s = 0; s < 3; ++s)
        v = _mm256_or_si256(
            v, _mm256_shuffle_epi8(sources[r][s], _mm256_load_si256(masks + 3 * r + s)));
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(bytes + 6 * k + 32 * r), v);
    }
  }
  InterleaveSsse3(out + k, a + k, b + k, c + k, n - k);
}

__attribute__((target("avx2"))) void DeinterleaveAvx2(const Pixel* in, std::uint16_t* a,
                                                      std::uint16_t* b, std::uint16_t* c,
                                                      std::size_t n) {
  std::size_t k = 0;
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(in);
  const auto* masks = reinterpret_cast<const __m256i*>(kWideDeinterleave.masks);
  std::uint16_t* channels[3] = {a, b, c};
  for (; k + 16 <= n; k += 16) {
    __m256i p[3];
    for (int r = 0; r < 3; ++r)
      p[r] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes + 6 * k + 32 * r));
    // Source register s holds 16-byte register s of the first group, then of the second.
    const __m256i sources[3] = {_mm256_blend_epi32(p[0], p[1], 0xF0),
                                _mm256_permute2x128_si256(p[0], p[2], 0x21),
                                _mm256_blend_epi32(p[1], p[2], 0xF0)};
    for (int r = 0; r < 3; ++r) {
      __m256i v = _mm256_setzero_si256();
      for (int s = 0; s < 3; ++s)
        v = _mm256_or_si256(v,
                            _mm256_shuffle_epi8(sources[s], _mm256_load_si256(masks + 3 * r + s)));
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(channels[r] + k), v);
    }
  }
  DeinterleaveSsse3(in + k, a + k, b + k, c + k, n - k);
}

// Four sums of adjacent pairs of 16-bit offsets, as 32 bits.
__attribute__((target("ssse3"))) inline __m128i PairSums(const std::uint16_t* p) {
  return _mm_madd_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), _mm_set1_epi16(1));
}

__attribute__((target("ssse3"))) inline __m128i AverageEight(const std::uint16_t* a,
                                                             const std::uint16_t* b,
                                                             PlaneLevels levels) {
  const __m128i two = _mm_set1_epi32(2);
  const __m128i low =
      _mm_srai_epi32(_mm_add_epi32(_mm_add_epi32(PairSums(a), PairSums(b)), two), 2);
  const __m128i high =
      _mm_srai_epi32(_mm_add_epi32(_mm_add_epi32(PairSums(a + 8), PairSums(b + 8)), two), 2);
  const __m128i mean = _mm_packs_epi32(low, high);  // exact: a mean of 16-bit values
  const __m128i offset = _mm_set1_epi16(static_cast<std::int16_t>(levels.offset));
  if (levels.maxSample == 0xFFFF) return _mm_add_epi16(mean, offset);
  // Saturating, then clamped: a sum past 32767 is past every smaller depth's largest sample.
  return _mm_min_epi16(_mm_max_epi16(_mm_adds_epi16(mean, offset), _mm_setzero_si128()),
                       _mm_set1_epi16(static_cast<std::int16_t>(levels.maxSample)));
}

__attribute__((target("ssse3"))) void Average8Ssse3(std::uint8_t* out, const std::uint16_t* a,
                                                    const std::uint16_t* b, std::size_t n,
                                                    PlaneLevels levels) {
  std::size_t k = 0;
  for (; k + 8 <= n; k += 8) {
    const __m128i v = AverageEight(a + 2 * k, b + 2 * k, levels);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + k), _mm_packus_epi16(v, v));
  }
  Average(out + k, a + 2 * k, b + 2 * k, n - k, levels);
}

__attribute__((target("ssse3"))) void Average16Ssse3(std::uint16_t* out, const std::uint16_t* a,
                                                     const std::uint16_t* b, std::size_t n,
                                                     PlaneLevels levels) {
  std::size_t k = 0;
  for (; k + 8 <= n; k += 8) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k),
                     AverageEight(a + 2 * k, b + 2 * k, levels));
  }
  Average(out + k, a + 2 * k, b + 2 * k, n - k, levels);
}
#endif

enum class Isa { kPortable, kSsse3, kAvx2 };

// One step as a kernel, once per instruction set: the step is inlined into each, so the loops
// that vectorise well by themselves get the wider instructions too.
template <auto Step>
struct Kernel;

template <class... Args, void (*Step)(Args...)>
struct Kernel<Step> {
  static void Portable(Args... args) { Step(args...); }
#ifdef TESSELOX_X86
  __attribute__((target("ssse3"))) static void Ssse3(Args... args) {
    Step(args...);
  }
  __attribute__((target("avx2"))) static void Avx2(Args... args) {
    Step(args...);
  }
#endif
  static constexpr auto For(Isa isa) {
#ifdef TESSELOX_X86
    if (isa == Isa::kSsse3) return &Ssse3;
    if (isa == Isa::kAvx2) return &Avx2;
#endif
    return &Portable;
  }
};

using U8 = std::uint8_t;
using U16 = std::uint16_t;

// The plain steps at `isa`, with the shuffles and means given.
constexpr RowKernels KernelsFor(Isa isa, decltype(RowKernels::interleave) interleave,
                                decltype(RowKernels::deinterleave) deinterleave,
                                decltype(RowKernels::average8) average8,
                                decltype(RowKernels::average16) average16) {
  return {Kernel<Widen<U8>>::For(isa),
          Kernel<Widen<U16>>::For(isa),
          Kernel<WidenTwice<U8>>::For(isa),
          Kernel<WidenTwice<U16>>::For(isa),
          interleave,
          deinterleave,
          Kernel<Narrow<U8>>::For(isa),
          Kernel<Narrow<U16>>::For(isa),
          average8,
          average16};
}

constexpr RowKernels kPortableKernels =
    KernelsFor(Isa::kPortable, Kernel<Interleave>::Portable, Kernel<Deinterleave>::Portable,
               Kernel<Average<U8>>::Portable, Kernel<Average<U16>>::Portable);

#ifdef TESSELOX_X86
constexpr RowKernels kSsse3Kernels =
    KernelsFor(Isa::kSsse3, InterleaveSsse3, DeinterleaveSsse3, Average8Ssse3, Average16Ssse3);
// Wider registers help the plain loops; the shuffles stay at 16 bytes, a whole number of pixels.
constexpr RowKernels kAvx2Kernels =
    KernelsFor(Isa::kAvx2, InterleaveAvx2, DeinterleaveAvx2, Average8Ssse3, Average16Ssse3);
#endif

}  // namespace

const RowKernels& PortableRowKernels() {
  return kPortableKernels;
}

std::vector<NamedRowKernels> SupportedRowKernels() {
  std::vector<NamedRowKernels> sets;
#ifdef TESSELOX_X86
  if (HaveAvx2()) sets.push_back({"avx2", &kAvx2Kernels});
  if (HaveSsse3()) sets.push_back({"ssse3", &kSsse3Kernels});
#endif
  sets.push_back({"portable", &kPortableKernels});
  return sets;
}

const RowKernels& FastRowKernels() {
  static const RowKernels& fastest = *SupportedRowKernels().front().kernels;
  return fastest;
}

}  // namespace tesselox::io
