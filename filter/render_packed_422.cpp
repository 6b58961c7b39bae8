#include "filter/render_packed_422.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "filter/clear_outside.h"
#include "filter/execute_copy.h"
#include "filter/row_routine.h"

namespace tesselox {
namespace {

using i64 = std::int64_t;

// Pairs whose sources are worked out at once: the map lives on the stack.
constexpr i64 kPairChunk = 2048;

// Sets the chroma pair of every macropixel `pairs` draws in one destination row from the source
// row: the two chroma samples of pair map[t] into those of pair first + t.
void CopyPairs(std::uint8_t* out, const std::uint8_t* row, const std::int32_t* map, i64 n,
               int pixel, int chromaAt) {
  const std::ptrdiff_t macro = 2 * pixel, second = pixel;
  if (pixel == 2) {
    for (i64 t = 0; t < n; ++t) {
      const std::uint8_t* from = row + map[t] * macro + chromaAt;
      std::uint8_t* to = out + t * macro + chromaAt;
      to[0] = from[0];
      to[second] = from[second];
    }
  } else {
    for (i64 t = 0; t < n; ++t) {
      const std::uint8_t* from = row + map[t] * macro + chromaAt;
      std::uint8_t* to = out + t * macro + chromaAt;
      std::memcpy(to, from, 2);
      std::memcpy(to + second, from + second, 2);
    }
  }
}

}  // namespace

void RenderPacked422(const PlaneView& dst, const PlaneView& src, const CopyPlan& full,
                     const CopyPlan& pairs, LumaSamples luma, const std::uint8_t* fill) {
  const int pixel = dst.pixelBytes;
  if ((pixel != 2 && pixel != 4) || src.pixelBytes != pixel) return;
  const int sample = pixel / 2;
  const int lumaAt = luma == LumaSamples::First ? 0 : sample;
  const int chromaAt = sample - lumaAt;
  const PlaneView macropixels{dst.bytes, (dst.width + 1) / 2, dst.height, dst.stride, 2 * pixel};

  // Whole macropixels no pair draws take the fill first; the luma copy below may then write the
  // second luma sample of the one left of the drawn pairs, and its chroma byte is put back after.
  ClearStream clear(macropixels, DrawnRect(pairs), fill);
  clear.FinishBeforeCopy();
  if (!full.draw) return;

  // Luma and one chroma sample move together as one pixel by the full plan; the chroma samples
  // so moved are the wrong ones wherever a pair's source is not a pair, and all are set again.
  const PlaneView lumaDst{dst.bytes, dst.width, dst.height, dst.stride, pixel};
  const PlaneView lumaSrc{src.bytes, src.width, src.height, src.stride, pixel};
  ExecuteCopy(lumaDst, lumaSrc, full, PickRowRoutine(full.x, pixel));

  const AxisPlan& x = full.x;
  const AxisPlan& y = full.y;
  const i64 first = FirstWritten(x), last = first + x.count - 1;
  // The macropixel left of the drawn pairs got one drawn luma pixel, and its chroma byte.
  const bool leftHalf = (first & 1) != 0;
  // The one right of them has its first luma pixel drawn and its second not (past an odd width's
  // last pixel, the sample no pixel owns, which takes the fill all the same).
  const bool rightHalf = (last & 1) == 0;

  std::int32_t map[kPairChunk];
  const AxisPlan& px = pairs.x;
  const i64 pairFirst = pairs.draw ? FirstWritten(px) : 0;
  const i64 pairCount = pairs.draw ? px.count : 0;
  for (i64 p0 = 0; p0 < pairCount || p0 == 0; p0 += kPairChunk) {
    const i64 n = pairCount - p0 < kPairChunk ? pairCount - p0 : kPairChunk;
    // Source pairs left to right along the destination, as the walk runs either way.
    for (i64 t = 0; t < n; ++t) {
      const i64 k = px.dstStep > 0 ? p0 + t : px.count - 1 - (p0 + t);
      map[t] = static_cast<std::int32_t>(SourceIndexAt(px, k));
    }
    AxisCursor row{y.srcStart, y.acc};
    i64 dstRow = y.dstStart;
    for (i64 k = 0; k < y.count; ++k) {
      const i64 srcRow = k < y.inside ? row.index : y.edge;
      std::uint8_t* out = dst.bytes + static_cast<std::ptrdiff_t>(dstRow) * dst.stride;
      if (n > 0)
        CopyPairs(out + (pairFirst + p0) * 2 * pixel, src.bytes + srcRow * src.stride, map, n,
                  pixel, chromaAt);
      if (p0 == 0 && leftHalf)
        std::memcpy(out + first * pixel + chromaAt, fill + pixel + chromaAt, sample);
      if (p0 == 0 && rightHalf)
        std::memcpy(out + (last + 1) * pixel + lumaAt, fill + pixel + lumaAt, sample);
      row.Advance(y);
      dstRow += y.dstStep;
    }
  }
}

}  // namespace tesselox
