#pragma once

#include <cstdint>

#include "filter/copy_request.h"
#include "filter/plane_view.h"

namespace tesselox {

// How one axis of the copy runs once clipped. Walk index k (0 <= k < count) writes destination
// column (row) dstStart + dstStep * k. For k < inside it reads source index
// srcStart + srcStep * (whole * k + floor((acc + k * frac) / dcAbs)); the pixels from `inside`
// on would step past the source image and repeat `edge` instead.
struct AxisPlan {
  std::int64_t count;     // destination pixels to draw
  std::int64_t inside;    // leading pixels whose source lies in the image; the rest repeat `edge`
  std::int64_t dstStart;  // first destination column (row)
  int dstStep;            // +1 or -1
  std::int64_t srcStart;  // source column (row) of the first pixel
  int srcStep;            // +1 or -1
  std::int64_t edge;      // the last source column (row) in the walk's direction
  std::uint32_t acc;      // starting accumulator, in [0, dcAbs)
  std::uint32_t whole;    // |sc| / |dc|: steps every pixel takes
  std::uint32_t frac;     // |sc| % |dc|: what the accumulator gains every pixel
  std::uint32_t dcAbs;    // |dc|
};

// The whole copy: nothing to draw, or a plan for each axis with count > 0.
struct CopyPlan {
  bool draw;
  AxisPlan x;
  AxisPlan y;
};

// Clips and plans a copy from a plane of src's size into one of dst's. A frame's planes share
// one geometry, so one plan serves all of them.
CopyPlan PlanCopy(PlaneSize dst, PlaneSize src, const CopyRequest& request);

// The source index that walk index k reads (edge repeat included). Exact in 64 bits; one
// division, so for set-up only.
std::int64_t SourceIndexAt(const AxisPlan& p, std::int64_t k);

// The lowest destination column (row) the plan writes; it writes `count` consecutive ones.
inline std::int64_t FirstWritten(const AxisPlan& p) {
  return p.dstStep > 0 ? p.dstStart : p.dstStart - (p.count - 1);
}

// Where the walk reads along one axis; Advance moves it on by one destination pixel.
struct AxisCursor {
  std::int64_t index;
  std::uint32_t acc;
  void Advance(const AxisPlan& p) {
    index += p.srcStep * static_cast<std::int64_t>(p.whole);
    acc += p.frac;
    if (acc >= p.dcAbs) {
      acc -= p.dcAbs;
      index += p.srcStep;
    }
  }
};

// The part of `plan` that writes destination rows [first, last), for a plane whose row 0 is the
// destination's row `first` (RowsOf): drawn there it writes what the whole plan writes in those
// rows and nothing else, so disjoint bands of one plan may be drawn at once. 0 <= first <= last.
CopyPlan RestrictRows(const CopyPlan& plan, std::int64_t first, std::int64_t last);

// The cursor after k walk steps, ignoring the edge repeat. One division: for set-up only.
AxisCursor CursorAt(const AxisPlan& p, std::int64_t k);

}  // namespace tesselox
