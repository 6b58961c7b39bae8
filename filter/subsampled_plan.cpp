#include "filter/subsampled_plan.h"

#include <cstdint>
#include <numeric>

namespace tesselox {
namespace {

using i64 = std::int64_t;

// Along one axis, sample c stands for full-size index c * n, n = 2^shift. Those indices are every
// n-th step of the full walk from the first one, k0, that lands on a multiple of n. From k0's
// cursor (index I0, accumulator a0) step m reads I0 + sgn * floor((a0 + m * n * |sc|) / |dc|),
// and floor(floor(v) / n) = floor(v / n), so the samples' sources are again a progression:
// denominator n * |dc|, the same whole steps, n times the fraction. A mirrored walk rounds up
// where a forward one rounds down, which moves the accumulator by whole |dc|s. Dividing
// accumulator, fraction and denominator by gcd(n * frac, n * |dc|) keeps every floor the same
// and brings the denominator back within |dc|, so nothing overflows.
AxisPlan SubsampleAxis(const AxisPlan& p, int shift) {
  const i64 n = i64{1} << shift;
  AxisPlan q = p;
  if (shift == 0) return q;
  // dstStart lies in the destination, so it is not negative: the first index it reaches that is
  // a multiple of n is k0 steps on.
  const i64 k0 = p.dstStep > 0 ? (n - p.dstStart % n) % n : p.dstStart % n;
  q.count = p.count > k0 ? (p.count - k0 + n - 1) / n : 0;
  q.inside = p.inside > k0 ? (p.inside - k0 + n - 1) / n : 0;
  q.dstStart = (p.dstStart + p.dstStep * k0) / n;
  q.edge = p.edge >> shift;
  const i64 dc = p.dcAbs;
  const i64 g = n * std::gcd(i64{p.frac}, dc);  // frac == 0: g = n * |dc|
  q.frac = static_cast<std::uint32_t>(n * p.frac / g);
  q.dcAbs = static_cast<std::uint32_t>(n * dc / g);
  if (q.inside == 0) {
    // Every sample repeats the edge; the progression is never read.
    q.srcStart = q.edge;
    q.acc = 0;
    return q;
  }
  const AxisCursor at = CursorAt(p, k0);  // inside the source: k0 < inside
  const i64 r = at.index & (n - 1);
  const i64 acc = (p.srcStep > 0 ? r : n - 1 - r) * dc + at.acc;  // < n * |dc|
  q.srcStart = at.index >> shift;
  q.acc = static_cast<std::uint32_t>(acc / g);
  return q;
}

}  // namespace

CopyPlan SubsamplePlan(const CopyPlan& full, int shiftX, int shiftY) {
  if (!full.draw) return full;
  CopyPlan plan{true, SubsampleAxis(full.x, shiftX), SubsampleAxis(full.y, shiftY)};
  if (plan.x.count == 0 || plan.y.count == 0) return CopyPlan{};
  return plan;
}

}  // namespace tesselox
