#include "filter/render_packed_422.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "filter/clear_lines_x86.h"
#include "filter/clear_outside.h"
#include "filter/execute_copy.h"
#include "filter/gather_blocks.h"
#include "filter/processor.h"
#include "filter/row_copy.h"
#include "filter/row_routine.h"

#ifdef TESSELOX_X86
#include <immintrin.h>
#endif

namespace tesselox {
namespace {

using i64 = std::int64_t;

// Bytes of destination rows drawn before their chroma is set: a band that stays in the level-2
// cache with the source rows it reads.
constexpr i64 kBandBytes = 256 * 1024;
constexpr i64 kMaxBandRows = 512;

// A row of macropixels drawn by the pairs' own kernel, on the stack: 8192 pixels of 1-byte
// samples, 4096 of 2-byte ones. Wider rows take the general way.
constexpr std::size_t kScratchBytes = 16384;

#ifdef TESSELOX_X86
// The merge and the mirror below sixteen bytes at a time (four macropixels of 1-byte samples,
// two of 2-byte ones), leaving the rest to the plain loops: how many macropixels they did.
template <class W>
__attribute__((target("sse2"))) __m128i Broadcast(W v) {
  if constexpr (sizeof(W) == 4) {
    return _mm_set1_epi32(static_cast<int>(v));
  } else {
    return _mm_set1_epi64x(static_cast<long long>(v));
  }
}

template <class W>
__attribute__((target("sse2"))) i64 MergeSse2(std::uint8_t* out, const std::uint8_t* luma,
                                              const std::uint8_t* chroma, i64 n, W mask) {
  const __m128i m = Broadcast(mask);
  constexpr i64 kPer = 16 / sizeof(W);
  i64 t = 0;
  for (; t + kPer <= n; t += kPer) {
    const i64 at = t * static_cast<i64>(sizeof(W));
    const __m128i l = _mm_loadu_si128(reinterpret_cast<const __m128i*>(luma + at));
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(chroma + at));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + at),
                     _mm_or_si128(_mm_andnot_si128(m, l), _mm_and_si128(m, c)));
  }
  return t;
}

template <class W>
__attribute__((target("sse2"))) i64 MirrorSse2(std::uint8_t* out, const std::uint8_t* from, i64 n,
                                               W mask) {
  const __m128i m = Broadcast(mask);
  constexpr i64 kPer = 16 / sizeof(W), kSize = sizeof(W);
  i64 t = 0;
  for (; t + kPer <= n; t += kPer) {
    // Words t to t + kPer - 1 lie below `from`, the last lowest: one load, turned round.
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from - (t + kPer - 1) * kSize));
    __m128i luma;
    if constexpr (sizeof(W) == 4) {
      v = _mm_shuffle_epi32(v, 0x1B);
      luma = _mm_andnot_si128(m, v);
      luma = _mm_or_si128(_mm_slli_epi32(luma, 16), _mm_srli_epi32(luma, 16));
    } else {
      v = _mm_shuffle_epi32(v, 0x4E);
      luma = _mm_andnot_si128(m, v);
      luma = _mm_or_si128(_mm_slli_epi64(luma, 32), _mm_srli_epi64(luma, 32));
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + t * kSize),
                     _mm_or_si128(_mm_and_si128(m, v), luma));
  }
  return t;
}
#endif

// n macropixels at `out`: luma from the words at `luma`, chroma from those at `chroma`.
template <class W>
void MergePairs(std::uint8_t* out, const std::uint8_t* luma, const std::uint8_t* chroma, i64 n,
                W mask, bool vector) {
  i64 t = 0;
#ifdef TESSELOX_X86
  if (vector) t = MergeSse2(out, luma, chroma, n, mask);
#else
  (void)vector;
#endif
  for (; t < n; ++t) {
    W l, c;
    std::memcpy(&l, luma + t * static_cast<i64>(sizeof(W)), sizeof(W));
    std::memcpy(&c, chroma + t * static_cast<i64>(sizeof(W)), sizeof(W));
    l = (l & ~mask) | (c & mask);
    std::memcpy(out + t * static_cast<i64>(sizeof(W)), &l, sizeof(W));
  }
}

// n macropixels at `out` from those at `from`, `from - 1`, ... with their two luma samples
// exchanged: a row mirrored 1:1 whose pixel pairs fall on source pairs the other way round.
template <class W>
void MirrorPairs(std::uint8_t* out, const std::uint8_t* from, i64 n, W chroma, bool vector) {
  constexpr int kHalf = 4 * static_cast<int>(sizeof(W));
  constexpr auto kSize = static_cast<i64>(sizeof(W));
  i64 t = 0;
#ifdef TESSELOX_X86
  if (vector) t = MirrorSse2(out, from, n, chroma);
#else
  (void)vector;
#endif
  for (; t < n; ++t) {
    W w;
    std::memcpy(&w, from - t * kSize, sizeof(W));
    const W luma = w & ~chroma;
    w = (w & chroma) | static_cast<W>(luma << kHalf | luma >> kHalf);
    std::memcpy(out + t * kSize, &w, sizeof(W));
  }
}

// Walk indices [k0, k1) of `full`'s rows, drawn on views of just the rows they write and read:
// small enough that the copy keeps them in the caches (where the chroma pass finds them) rather
// than streaming them out.
void CopyBand(const PlaneView& dst, const PlaneView& src, const CopyPlan& full, i64 k0, i64 k1,
              const RowRoutineEntry& routine) {
  CopyPlan band = full;
  AxisPlan& y = band.y;
  const AxisCursor at = CursorAt(full.y, k0);
  y.count = k1 - k0;
  y.inside = full.y.inside <= k0 ? 0 : full.y.inside - k0 < y.count ? full.y.inside - k0 : y.count;
  y.dstStart = full.y.dstStart + full.y.dstStep * k0;
  y.srcStart = y.inside > 0 ? at.index : y.edge;
  y.acc = y.inside > 0 ? at.acc : 0;
  const i64 dstLo = FirstWritten(y);
  // The source rows run one way along the walk, the edge repeat at its end.
  const i64 s0 = SourceIndexAt(y, 0), s1 = SourceIndexAt(y, y.count - 1);
  const i64 srcLo = s0 < s1 ? s0 : s1, srcHi = s0 < s1 ? s1 : s0;
  y.dstStart -= dstLo;
  y.srcStart -= srcLo;
  y.edge -= srcLo;
  const PlaneView to{dst.bytes + dstLo * dst.stride, dst.width, static_cast<std::int32_t>(y.count),
                     dst.stride, dst.pixelBytes};
  const PlaneView from{src.bytes + srcLo * src.stride, src.width,
                       static_cast<std::int32_t>(srcHi - srcLo + 1), src.stride, src.pixelBytes};
  ExecuteCopy(to, from, band, routine);
}

// Sets every macropixel outside `keep` to the fill: streamed past the caches where a frame this
// size does not stay in them (the copy, which writes only inside `keep`, shares no line with it
// but at the ranges' ends, which the clear sets with ordinary stores).
void Clear(const PlaneView& macropixels, PixelRect keep, const std::uint8_t* fill,
           const PlaneView& src) {
  ClearStream clear(macropixels, keep, fill);
#ifdef TESSELOX_X86
  const auto frameBytes =
      static_cast<std::size_t>(macropixels.stride * macropixels.height + src.stride * src.height);
  if (HaveAvx() && StreamingStoresPay(frameBytes)) {
    ClearStream::Lines at = clear.whole;
    while (StreamClearLines<true>(clear, at, 1 << 16)) {
    }
    clear.whole = at;
    clear.Finish();
    FenceStreamingStores();
    return;
  }
#endif
  clear.FinishBeforeCopy();
}

// Whether a plan steps exactly one source index per destination index, the whole way.
bool OneToOne(const AxisPlan& p) {
  return p.whole == 1 && p.frac == 0 && p.inside == p.count;
}

// What every row of a packed frame shares.
struct PackedRows {
  const PlaneView& dst;
  const PlaneView& src;
  const CopyPlan& full;
  const CopyPlan& pairs;
  const std::uint8_t* fill;
  int pixel, sample, lumaAt, chromaAt;
  i64 first, last;  // the luma pixels drawn in each row
  bool leftHalf;    // the macropixel left of the drawn pairs has its second pixel drawn
  bool rightHalf;   // the last drawn pair has its second pixel not drawn
  i64 pairFirst, pairCount;
  std::uint64_t mask;  // a macropixel's chroma bits, in memory order
  // Luma runs 1:1 unmirrored by an even number of pixels: every pixel's chroma sample came with
  // it from the right pair, but for the second one of the last pair where only its first pixel
  // is drawn.
  bool aligned;
  bool sse2;  // the merge and the mirror may take 16 bytes at a time

  // n macropixels at `out`: luma from the words at `luma`, chroma from those at `chroma`.
  void Merge(std::uint8_t* out, const std::uint8_t* luma, const std::uint8_t* chroma, i64 n) const {
    if (pixel == 2) {
      MergePairs<std::uint32_t>(out, luma, chroma, n, static_cast<std::uint32_t>(mask), sse2);
    } else {
      MergePairs<std::uint64_t>(out, luma, chroma, n, mask, sse2);
    }
  }

  void Mirror(std::uint8_t* out, const std::uint8_t* from, i64 n) const {
    if (pixel == 2) {
      MirrorPairs<std::uint32_t>(out, from, n, static_cast<std::uint32_t>(mask), sse2);
    } else {
      MirrorPairs<std::uint64_t>(out, from, n, mask, sse2);
    }
  }

  // After a copy of whole luma pixels: the chroma sample it wrote into the macropixel left of
  // the pairs back to the fill (or to `saved`, what it held before), and the undrawn luma sample
  // of the last pair to the fill (or left).
  void Halves(std::uint8_t* out, const std::uint8_t* saved) const {
    const auto size = static_cast<std::size_t>(sample);
    if (leftHalf)
      std::memcpy(out + first * pixel + chromaAt, fill ? fill + pixel + chromaAt : saved, size);
    if (rightHalf && fill)
      std::memcpy(out + (last + 1) * pixel + lumaAt, fill + pixel + lumaAt, size);
  }
};

// Destination row of walk index k.
inline std::uint8_t* RowAt(const PackedRows& r, i64 k) {
  return r.dst.bytes +
         static_cast<std::ptrdiff_t>(r.full.y.dstStart + r.full.y.dstStep * k) * r.dst.stride;
}

// Row by row where both plans' routines draw from the plans alone: the luma kernel and the
// pairs' kernel (macropixels whole) into rows on the stack, merged into the destination row, so
// that each destination byte is stored once and no sample outside the drawn ones is.
void DrawRows(const PackedRows& r, const RowRoutineEntry& lumaRoutine,
              const RowRoutineEntry& pairRoutine) {
  const AxisPlan& x = r.full.x;
  const AxisPlan& y = r.full.y;
  RowWork lumaWork = RowWorkFor(x, r.src.width - 1);
  lumaWork.count = static_cast<std::ptrdiff_t>(x.count);
  RowWork pairWork = RowWorkFor(r.pairs.x, (r.src.width + 1) / 2 - 1);
  pairWork.count = static_cast<std::ptrdiff_t>(r.pairCount);
  // The luma row starts on a macropixel: pixel `first` lands one pixel in where it is odd.
  alignas(64) std::uint8_t lumaRow[kScratchBytes + 64];
  alignas(64) std::uint8_t pairRow[kScratchBytes];
  const std::ptrdiff_t macro = 2 * r.pixel;
  const std::uint8_t* lumaOfPairs = lumaRow + (r.pairFirst - r.first / 2) * macro;
  // Rows whose source row is the previous one's are copied from it, as ExecuteCopy does.
  const std::ptrdiff_t lo = (r.first / 2) * macro, hi = (r.last / 2 + 1) * macro;
  const std::ptrdiff_t back = -static_cast<std::ptrdiff_t>(y.dstStep) * r.dst.stride;
  AxisCursor row{y.srcStart, y.acc};
  i64 dstRow = y.dstStart, previous = -1;
  for (i64 k = 0; k < y.count; ++k) {
    const i64 srcRow = k < y.inside ? row.index : y.edge;
    std::uint8_t* out = r.dst.bytes + static_cast<std::ptrdiff_t>(dstRow) * r.dst.stride;
    if (srcRow == previous) {
      std::memcpy(out + lo, out + back + lo, static_cast<std::size_t>(hi - lo));
    } else {
      const std::uint8_t* in = r.src.bytes + static_cast<std::ptrdiff_t>(srcRow) * r.src.stride;
      lumaRoutine.kernel(lumaRow + (r.first & 1) * r.pixel, in, lumaWork);
      pairRoutine.kernel(pairRow, in, pairWork);
      // The last pair's second pixel where it is not drawn: the fill, or what it held.
      if (r.rightHalf)
        std::memcpy(lumaRow + ((r.first & 1) + x.count) * r.pixel + r.lumaAt,
                    r.fill ? r.fill + r.pixel + r.lumaAt : out + (r.last + 1) * r.pixel + r.lumaAt,
                    static_cast<std::size_t>(r.sample));
      r.Merge(out + r.pairFirst * macro, lumaOfPairs, pairRow, r.pairCount);
      // The drawn pixel of the macropixel left of the pairs, its other samples left as cleared.
      if (r.leftHalf)
        std::memcpy(out + r.first * r.pixel + r.lumaAt, lumaRow + r.pixel + r.lumaAt,
                    static_cast<std::size_t>(r.sample));
    }
    previous = srcRow;
    row.Advance(y);
    dstRow += y.dstStep;
  }
}

// A row mirrored 1:1 where destination pixel 2m takes an odd source pixel: each macropixel is a
// source macropixel with its luma samples exchanged, one pass straight into the row.
void DrawMirroredRows(const PackedRows& r) {
  const AxisPlan& x = r.full.x;
  const AxisPlan& y = r.full.y;
  const std::ptrdiff_t macro = 2 * r.pixel;
  const auto size = static_cast<std::size_t>(r.sample);
  const i64 sum = x.dstStart + x.srcStart;  // destination plus source column, along the row
  const std::ptrdiff_t lo = (r.first / 2) * macro, hi = (r.last / 2 + 1) * macro;
  const std::ptrdiff_t back = -static_cast<std::ptrdiff_t>(y.dstStep) * r.dst.stride;
  AxisCursor row{y.srcStart, y.acc};
  i64 dstRow = y.dstStart, previous = -1;
  for (i64 k = 0; k < y.count; ++k) {
    const i64 srcRow = k < y.inside ? row.index : y.edge;
    std::uint8_t* out = r.dst.bytes + static_cast<std::ptrdiff_t>(dstRow) * r.dst.stride;
    if (srcRow == previous) {
      std::memcpy(out + lo, out + back + lo, static_cast<std::size_t>(hi - lo));
    } else {
      const std::uint8_t* in = r.src.bytes + static_cast<std::ptrdiff_t>(srcRow) * r.src.stride;
      std::uint8_t* second = out + (r.last + 1) * r.pixel + r.lumaAt;
      std::uint8_t kept[2];
      if (r.rightHalf) std::memcpy(kept, second, size);
      r.Mirror(out + r.pairFirst * macro, in + ((sum - 1) / 2 - r.pairFirst) * macro, r.pairCount);
      if (r.rightHalf) std::memcpy(second, r.fill ? r.fill + r.pixel + r.lumaAt : kept, size);
      if (r.leftHalf)
        std::memcpy(out + r.first * r.pixel + r.lumaAt, in + (sum - r.first) * r.pixel + r.lumaAt,
                    size);
    }
    previous = srcRow;
    row.Advance(y);
    dstRow += y.dstStep;
  }
}

// Any plans: luma and one chroma sample move together as one pixel by the full plan, a band of
// rows at a time; the chroma samples so moved are the wrong ones wherever a pair's source is not
// a pair, and all are set again while the band is in the caches. `copied`: the luma is drawn
// already, the whole frame at once.
void DrawBands(const PackedRows& r, const RowRoutineEntry& lumaRoutine, bool copied) {
  const AxisPlan& x = r.full.x;
  const AxisPlan& y = r.full.y;
  const AxisPlan& px = r.pairs.x;
  // Pairs that run 1:1 (either way) follow without a map.
  const i64 skip = r.aligned ? (r.rightHalf ? r.pairCount - 1 : r.pairCount) : 0;
  const PlaneView lumaDst{r.dst.bytes, r.dst.width, r.dst.height, r.dst.stride, r.pixel};
  const PlaneView lumaSrc{r.src.bytes, r.src.width, r.src.height, r.src.stride, r.pixel};
  const i64 fit = kBandBytes / (x.count * r.pixel);
  const i64 bandRows = fit < 1 ? 1 : fit > kMaxBandRows ? kMaxBandRows : fit;
  // Without a fill, the chroma sample the copy overwrites left of the pairs is kept here.
  std::uint8_t saved[kMaxBandRows][2];
  const bool oneChunk = r.pairCount - skip <= kColumnMapChunk;
  // The macropixels' own routine draws the pairs into a row on the stack where the row is one
  // chunk (its kernels take whole rows), else their Map routine, a chunk at a time; their chroma
  // is merged from there.
  const bool whole = skip == 0 && oneChunk;
  const RowRoutineEntry& pairRoutine =
      whole ? PickRowRoutine(px, 2 * r.pixel) : RowRoutines(2 * r.pixel).back();
  const auto lastPair = static_cast<std::int32_t>((r.src.width + 1) / 2 - 1);
  ColumnForms forms;
  alignas(64) std::uint8_t pairRow[kColumnMapChunk * 8];
  RowWork work = r.pairCount > 0 ? RowWorkFor(px, lastPair) : RowWork{};
  for (i64 k0 = 0; k0 < y.count; k0 += bandRows) {
    const i64 k1 = y.count - k0 < bandRows ? y.count : k0 + bandRows;
    for (i64 k = k0; !r.fill && r.leftHalf && k < k1; ++k)
      std::memcpy(saved[k - k0], RowAt(r, k) + r.first * r.pixel + r.chromaAt,
                  static_cast<std::size_t>(r.sample));
    if (!copied) CopyBand(lumaDst, lumaSrc, r.full, k0, k1, lumaRoutine);
    for (i64 p0 = skip; p0 < r.pairCount || p0 == skip; p0 += kColumnMapChunk) {
      const i64 n = r.pairCount - p0 < kColumnMapChunk ? r.pairCount - p0 : kColumnMapChunk;
      if (n > 0 && (k0 == 0 || !oneChunk)) {
        // Walked from the chunk's lowest walk index, stored in destination order.
        const i64 kLow = px.dstStep > 0 ? p0 : px.count - p0 - n;
        AxisCursor c = CursorAt(px, kLow);
        for (i64 t = 0; (pairRoutine.reads & kReadsColumnMap) && t < n; ++t, c.Advance(px)) {
          const i64 k = kLow + t;
          forms.map[px.dstStep > 0 ? t : n - 1 - t] =
              static_cast<std::int32_t>(k < px.inside ? c.index : px.edge);
        }
        BuildColumnForms(pairRoutine, static_cast<std::ptrdiff_t>(n), lastPair, 2 * r.pixel, forms,
                         work);
      }
      AxisCursor row = CursorAt(y, k0);
      i64 dstRow = y.dstStart + y.dstStep * k0;
      for (i64 k = k0; k < k1; ++k) {
        const i64 srcRow = k < y.inside ? row.index : y.edge;
        std::uint8_t* out = r.dst.bytes + static_cast<std::ptrdiff_t>(dstRow) * r.dst.stride;
        const std::uint8_t* in = r.src.bytes + static_cast<std::ptrdiff_t>(srcRow) * r.src.stride;
        std::uint8_t* at = out + (r.pairFirst + p0) * 2 * r.pixel;
        if (n > 0) {
          pairRoutine.kernel(pairRow, in, work);
          r.Merge(at, at, pairRow, n);
        }
        if (p0 == skip) r.Halves(out, saved[k - k0]);
        row.Advance(y);
        dstRow += y.dstStep;
      }
    }
  }
}

}  // namespace

void RenderPacked422(const PlaneView& dst, const PlaneView& src, const CopyPlan& full,
                     const CopyPlan& pairs, LumaSamples luma, const std::uint8_t* fill) {
  const int pixel = dst.pixelBytes;
  if ((pixel != 2 && pixel != 4) || src.pixelBytes != pixel) return;
  const PlaneView macropixels{dst.bytes, (dst.width + 1) / 2, dst.height, dst.stride, 2 * pixel};

  // Whole macropixels no pair draws take the fill first; the luma copy may then write the second
  // luma sample of the one left of the drawn pairs, and its chroma sample is put back after.
  if (fill != nullptr) Clear(macropixels, DrawnRect(pairs), fill, src);
  if (!full.draw) return;

  const int sample = pixel / 2;
  const int lumaAt = luma == LumaSamples::First ? 0 : sample;
  const i64 first = FirstWritten(full.x), last = first + full.x.count - 1;
  PackedRows rows{dst, src, full, pairs, fill, pixel, sample, lumaAt, sample - lumaAt, first, last,
                  (first & 1) != 0,
                  // Past an odd width's last pixel the sample no pixel owns takes the fill too.
                  (last & 1) == 0, pairs.draw ? FirstWritten(pairs.x) : 0,
                  pairs.draw ? pairs.x.count : 0, 0, false,
                  (ProcessorFeatures() & kFeatureSse2) != 0};
  std::uint8_t maskBytes[8] = {};
  std::memset(maskBytes + rows.chromaAt, 0xFF, static_cast<std::size_t>(sample));
  std::memset(maskBytes + pixel + rows.chromaAt, 0xFF, static_cast<std::size_t>(sample));
  std::memcpy(&rows.mask, maskBytes, 8);
  rows.aligned = OneToOne(full.x) && full.x.srcStep == full.x.dstStep &&
                 ((full.x.srcStart - full.x.dstStart) & 1) == 0;

  if (pairs.draw && OneToOne(full.x) && full.x.srcStep != full.x.dstStep &&
      ((full.x.dstStart + full.x.srcStart) & 1) != 0)
    return DrawMirroredRows(rows);
  const RowRoutineEntry& lumaRoutine = PickRowRoutine(full.x, pixel);
  if (pairs.draw && !rows.aligned && lumaRoutine.reads == 0 &&
      static_cast<std::size_t>(rows.pairCount * 2 * pixel) <= kScratchBytes) {
    const RowRoutineEntry& pairRoutine = PickRowRoutine(pairs.x, 2 * pixel);
    if (pairRoutine.reads == 0) return DrawRows(rows, lumaRoutine, pairRoutine);
  }
  // (Without a fill, the sample the copy overwrites left of the pairs is saved band by band.)
  const bool whole = rows.aligned && (fill != nullptr || !rows.leftHalf);
  if (whole) {
    // Nothing to blend but the ends of rows: the copy of the whole frame, which streams its
    // stores where that pays, and the ends after.
    const PlaneView lumaDst{dst.bytes, dst.width, dst.height, dst.stride, pixel};
    const PlaneView lumaSrc{src.bytes, src.width, src.height, src.stride, pixel};
    ExecuteCopy(lumaDst, lumaSrc, full, lumaRoutine);
  }
  DrawBands(rows, lumaRoutine, whole);
}

}  // namespace tesselox
