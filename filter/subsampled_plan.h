#pragma once

#include "filter/copy_plan.h"
#include "filter/plane_view.h"

namespace tesselox {

// The plan of a plane subsampled by 2^shiftX across and 2^shiftY down (shifts 0 to 2), derived
// from `full`, the plan of the frame's full-size planes. Sample (cx, cy) stands for full-size
// pixel (cx << shiftX, cy << shiftY): where `full` draws that pixel from source pixel (x, y), the
// sample takes source sample (x >> shiftX, y >> shiftY); where `full` leaves it to the fill, so
// does the sample. The result goes to RenderPlane (or ExecuteCopy) like any plan, for planes of
// SubsampledSize of the full-size ones. Exact for every plan PlanCopy makes; no allocation.
CopyPlan SubsamplePlan(const CopyPlan& full, int shiftX, int shiftY);

// A subsampled plane's size: a partly covered block still has its sample.
constexpr PlaneSize SubsampledSize(PlaneSize full, int shiftX, int shiftY) {
  return PlaneSize{
      static_cast<std::int32_t>((std::int64_t{full.width} + (1 << shiftX) - 1) >> shiftX),
      static_cast<std::int32_t>((std::int64_t{full.height} + (1 << shiftY) - 1) >> shiftY)};
}

// The first row of a plane subsampled by 2^shiftY down whose block starts at full-size row
// `fullRow` or below: a band of full-size rows [first, last) owns the plane's rows
// [SubsampledRow(first), SubsampledRow(last)), so that bands that share out the frame's rows
// share out every plane's rows, each once.
constexpr std::int32_t SubsampledRow(std::int32_t fullRow, int shiftY) {
  return static_cast<std::int32_t>((std::int64_t{fullRow} + (1 << shiftY) - 1) >> shiftY);
}

}  // namespace tesselox
