#include "filter/render_packed_422.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "filter/clear_lines_x86.h"
#include "filter/clear_outside.h"
#include "filter/execute_copy.h"
#include "filter/processor.h"
#include "filter/row_copy.h"
#include "filter/row_routine.h"

namespace tesselox {
namespace {

using i64 = std::int64_t;

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
  int pixel, sample, lumaAt, chromaAt;  // lumaAt, chromaAt: byte offsets in a luma pixel
  i64 first, last;                      // the luma pixels drawn in each row
  bool leftHalf;   // the macropixel left of the drawn pairs has its second pixel drawn
  bool rightHalf;  // the last drawn pair has its second pixel not drawn
  i64 pairFirst, pairCount;
};

// Source indices of destination positions [p0, p0 + n) along a plan, left to right: the walk
// from the chunk's lowest walk index, stored in destination order.
void MapPositions(const AxisPlan& p, i64 p0, i64 n, std::int32_t* map) {
  const i64 kLow = p.dstStep > 0 ? p0 : p.count - p0 - n;
  AxisCursor c = CursorAt(p, kLow);
  for (i64 t = 0; t < n; ++t, c.Advance(p)) {
    const i64 k = kLow + t;
    map[p.dstStep > 0 ? t : n - 1 - t] = static_cast<std::int32_t>(k < p.inside ? c.index : p.edge);
  }
}

// Any plans, one pass: a row is a row of samples, each drawn pair's four taken from the source
// samples the two plans name, so one gather of samples by the samples' own Map kernel draws it.
// The macropixels at the row's ends with one pixel drawn are set sample by sample.
void DrawSamples(const PackedRows& r) {
  const AxisPlan& x = r.full.x;
  const AxisPlan& y = r.full.y;
  const AxisPlan& px = r.pairs.x;
  const int sb = r.sample, lumaAt = r.lumaAt / sb, chromaAt = r.chromaAt / sb;
  const std::ptrdiff_t macro = 2 * r.pixel;
  const RowRoutineEntry& gather = RowRoutines(sb).back();
  const i64 pairs = r.pairCount - (r.rightHalf ? 1 : 0);  // whole ones
  const i64 chunkPairs = kColumnMapChunk / 4;
  // The row's last sample: an odd width's last macropixel is whole in the row.
  const auto lastSample = static_cast<std::int32_t>(4 * ((r.src.width + 1) / 2) - 1);
  ColumnForms forms;
  std::int32_t luma[kColumnMapChunk / 2], chroma[kColumnMapChunk / 4];
  RowWork work{};
  work.lastColumn = lastSample;
  // Luma walk index of the leftmost destination pixel p (0 for the first written).
  auto lumaSource = [&x](i64 p) { return SourceIndexAt(x, x.dstStep > 0 ? p : x.count - 1 - p); };
  const i64 leftSource = r.leftHalf ? lumaSource(0) : 0;
  const i64 rightSource = r.rightHalf ? lumaSource(x.count - 1) : 0;
  const i64 rightPair = r.rightHalf ? SourceIndexAt(px, px.dstStep > 0 ? px.count - 1 : 0) : 0;
  // Byte offsets within one row: they fit a row's stride on every target.
  const auto lo = static_cast<std::ptrdiff_t>((r.first / 2) * macro);
  const auto hi = static_cast<std::ptrdiff_t>((r.last / 2 + 1) * macro);
  const std::ptrdiff_t back = -static_cast<std::ptrdiff_t>(y.dstStep) * r.dst.stride;
  const auto size = static_cast<std::size_t>(sb);
  for (i64 p0 = 0; p0 < pairs || p0 == 0; p0 += chunkPairs) {
    const i64 n = pairs - p0 < chunkPairs ? pairs - p0 : chunkPairs;
    if (n > 0) {
      // Pair t's pixels are destination positions 2t and 2t + 1 past the first whole pair's.
      MapPositions(x, (r.pairFirst - r.first / 2) * 2 - (r.first & 1) + 2 * p0, 2 * n, luma);
      MapPositions(px, p0, n, chroma);
      for (i64 t = 0; t < n; ++t) {
        std::int32_t* at = forms.map + 4 * t;
        at[lumaAt] = 2 * luma[2 * t] + lumaAt;
        at[lumaAt + 2] = 2 * luma[2 * t + 1] + lumaAt;
        at[chromaAt] = 4 * chroma[t] + chromaAt;
        at[chromaAt + 2] = 4 * chroma[t] + 2 + chromaAt;
      }
      BuildColumnForms(gather, static_cast<std::ptrdiff_t>(4 * n), lastSample, sb, forms, work);
    }
    // The bytes this chunk's rows own: the end macropixels go with the first and last chunks.
    const auto from = p0 == 0 ? lo : static_cast<std::ptrdiff_t>((r.pairFirst + p0) * macro);
    const auto to =
        p0 + n >= pairs ? hi : static_cast<std::ptrdiff_t>((r.pairFirst + p0 + n) * macro);
    AxisCursor row{y.srcStart, y.acc};
    i64 dstRow = y.dstStart, previous = -1;
    for (i64 k = 0; k < y.count; ++k) {
      const i64 srcRow = k < y.inside ? row.index : y.edge;
      std::uint8_t* out = r.dst.bytes + static_cast<std::ptrdiff_t>(dstRow) * r.dst.stride;
      const std::uint8_t* in = r.src.bytes + static_cast<std::ptrdiff_t>(srcRow) * r.src.stride;
      if (srcRow == previous) {
        std::memcpy(out + from, out + back + from, static_cast<std::size_t>(to - from));
      } else {
        if (n > 0) gather.kernel(out + (r.pairFirst + p0) * macro, in, work);
        if (p0 == 0 && r.leftHalf)
          std::memcpy(out + r.first * r.pixel + r.lumaAt, in + leftSource * r.pixel + r.lumaAt,
                      size);
        if (p0 + n >= pairs && r.rightHalf) {
          std::uint8_t* m = out + (r.last / 2) * macro;
          std::memcpy(m + r.lumaAt, in + rightSource * r.pixel + r.lumaAt, size);
          std::memcpy(m + r.chromaAt, in + rightPair * macro + r.chromaAt, size);
          std::memcpy(m + r.pixel + r.chromaAt, in + rightPair * macro + r.pixel + r.chromaAt,
                      size);
          if (r.fill) std::memcpy(m + r.pixel + r.lumaAt, r.fill + r.pixel + r.lumaAt, size);
        }
      }
      previous = srcRow;
      row.Advance(y);
      dstRow += y.dstStep;
    }
  }
}

// Luma runs 1:1 unmirrored by an even number of pixels: every pixel moved as a 2-byte (4-byte)
// pixel, its chroma sample with it, comes from the right pair. The whole frame is one copy
// (which streams its stores where that pays); then, row by row, the ends: the chroma sample the
// copy wrote into the macropixel left of the pairs goes back to the fill, and a last pair with
// its second pixel undrawn takes that pixel's chroma sample from its source pair and its luma
// sample from the fill.
void DrawAligned(const PackedRows& r, const RowRoutineEntry& lumaRoutine) {
  const PlaneView lumaDst{r.dst.bytes, r.dst.width, r.dst.height, r.dst.stride, r.pixel};
  const PlaneView lumaSrc{r.src.bytes, r.src.width, r.src.height, r.src.stride, r.pixel};
  ExecuteCopy(lumaDst, lumaSrc, r.full, lumaRoutine);
  if (!r.leftHalf && !r.rightHalf) return;
  const AxisPlan& y = r.full.y;
  const AxisPlan& px = r.pairs.x;
  const std::ptrdiff_t macro = 2 * r.pixel;
  const auto size = static_cast<std::size_t>(r.sample);
  const i64 rightPair = r.rightHalf ? SourceIndexAt(px, px.dstStep > 0 ? px.count - 1 : 0) : 0;
  AxisCursor row{y.srcStart, y.acc};
  i64 dstRow = y.dstStart;
  for (i64 k = 0; k < y.count; ++k, row.Advance(y), dstRow += y.dstStep) {
    const i64 srcRow = k < y.inside ? row.index : y.edge;
    std::uint8_t* out = r.dst.bytes + static_cast<std::ptrdiff_t>(dstRow) * r.dst.stride;
    const std::uint8_t* in = r.src.bytes + static_cast<std::ptrdiff_t>(srcRow) * r.src.stride;
    if (r.leftHalf)
      std::memcpy(out + r.first * r.pixel + r.chromaAt, r.fill + r.pixel + r.chromaAt, size);
    if (r.rightHalf) {
      std::uint8_t* m = out + (r.last / 2) * macro + r.pixel;
      std::memcpy(m + r.chromaAt, in + rightPair * macro + r.pixel + r.chromaAt, size);
      if (r.fill) std::memcpy(m + r.lumaAt, r.fill + r.pixel + r.lumaAt, size);
    }
  }
}

}  // namespace

void RenderPacked422(const PlaneView& dst, const PlaneView& src, const CopyPlan& full,
                     const CopyPlan& pairs, LumaSamples luma, const std::uint8_t* fill) {
  const int pixel = dst.pixelBytes;
  if ((pixel != 2 && pixel != 4) || src.pixelBytes != pixel) return;
  // Whole macropixels no pair draws take the fill first.
  const PlaneView macropixels{dst.bytes, (dst.width + 1) / 2, dst.height, dst.stride, 2 * pixel};
  if (fill != nullptr) Clear(macropixels, DrawnRect(pairs), fill, src);
  if (!full.draw) return;

  const int sample = pixel / 2;
  const int lumaAt = luma == LumaSamples::First ? 0 : sample;
  const i64 first = FirstWritten(full.x), last = first + full.x.count - 1;
  const PackedRows rows{dst, src, full, pairs, fill, pixel, sample, lumaAt, sample - lumaAt, first,
                        last, (first & 1) != 0,
                        // Past an odd width's last pixel the sample no pixel owns counts too.
                        (last & 1) == 0, pairs.draw ? FirstWritten(pairs.x) : 0,
                        pairs.draw ? pairs.x.count : 0};
  const AxisPlan& x = full.x;
  // Without a fill, the chroma sample the aligned copy overwrites left of the pairs would be
  // lost: such frames are drawn sample by sample.
  if (OneToOne(x) && x.srcStep == x.dstStep && ((x.srcStart - x.dstStart) & 1) == 0 &&
      (fill != nullptr || !rows.leftHalf))
    return DrawAligned(rows, PickRowRoutine(x, pixel));
  DrawSamples(rows);
}

void RenderPacked422Rows(const PlaneView& dst, const PlaneView& src, const CopyPlan& full,
                         const CopyPlan& pairs, LumaSamples luma, const std::uint8_t* fill,
                         std::int32_t first, std::int32_t last) {
  // A band is a plane of its own rows, with both plans cut down to them.
  if (first == last) return;
  RenderPacked422(RowsOf(dst, first, last), src, RestrictRows(full, first, last),
                  RestrictRows(pairs, first, last), luma, fill);
}

}  // namespace tesselox
