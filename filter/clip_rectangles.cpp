#include "filter/clip_rectangles.h"

#include <cstdint>
#include <limits>

#include "filter/magnitude.h"

namespace tesselox {
namespace {

using i64 = std::int64_t;

// ceil(a * b / c) for a, b >= 0 and 0 < c <= 2^31. Where a * b would overflow the quotient is
// at least 2^32, beyond every index, and any such value serves.
i64 CeilMulDiv(i64 a, i64 b, i64 c) {
  constexpr i64 kBeyondEveryIndex = i64{1} << 40;
  if (b != 0 && a > std::numeric_limits<i64>::max() / b) return kBeyondEveryIndex;
  const i64 p = a * b;
  return p / c + (p % c != 0 ? 1 : 0);
}

// Destination side of one axis: corner d, signed extent dc, image size `size`.
IndexRange ClipDestination(i64 d, i64 dc, i64 size) {
  IndexRange r{0, Magnitude(dc)};
  // A forward run skips what lies before the first column; a mirrored one what starts past the
  // last.
  if (d < 0) {
    r.begin = -d;
  } else if (d >= size) {
    r.begin = d - size + 1;
  }
  // A mirrored run ends at column 0; a forward one at the far edge.
  if (d + dc < 0) {
    r.end = d + 1;
  } else if (d + dc > size) {
    r.end = size - d;
  }
  return r;
}

// Source side of one axis: moves the ends of r inward to the first and last indices whose source
// pixel s0 + trunc(i * sc / |dc|) lies in [0, size). False when no index can.
bool ClipSource(IndexRange& r, i64 s0, i64 sc, i64 dcAbs, i64 size) {
  const i64 scAbs = Magnitude(sc);
  i64 s = s0 + r.begin * sc / dcAbs;
  if (s < 0 || s >= size) {
    i64 n;
    if (sc > 0) {
      if (s >= size) return false;
      n = -s0;
    } else {
      if (s < 0) return false;
      n = size - 1 - s0;
    }
    // The first index whose source lies inside.
    r.begin = CeilMulDiv(Magnitude(n), dcAbs, scAbs);
  }
  s = s0 + (r.end - 1) * sc / dcAbs;
  if (s < 0 || s >= size) {
    i64 n;
    if (sc > 0) {
      if (s < 0) return false;
      n = size - s0;
    } else {
      if (s >= size) return false;
      n = -1 - s0;
    }
    // The first index whose source lies outside again.
    r.end = CeilMulDiv(Magnitude(n), dcAbs, scAbs);
  }
  return true;
}

// Both sides of one axis: false when no index is left.
bool ClipAxis(IndexRange& r, const CopyAxis& axis, i64 dstSize, i64 srcSize) {
  r = ClipDestination(axis.corner, axis.extent, dstSize);
  return ClipSource(r, axis.sourceCorner, axis.sourceExtent, Magnitude(i64{axis.extent}), srcSize);
}

}  // namespace

ClipResult ClipRectangles(PlaneSize dst, PlaneSize src, const CopyRequest& request) {
  IndexRange x{}, y{};
  const bool draw = ClipAxis(x, request.x, dst.width, src.width) &&
                    ClipAxis(y, request.y, dst.height, src.height);
  return ClipResult{draw, x, y};
}

}  // namespace tesselox
