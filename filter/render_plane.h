#pragma once

#include <cstdint>

#include "filter/copy_plan.h"
#include "filter/copy_request.h"
#include "filter/plane_view.h"

namespace tesselox {

// Renders one plane of an output frame: the pixels the plan writes are copied from src, every
// other pixel of dst is set to `fill` (dst.pixelBytes bytes: the plane's black or transparent).
// src and dst have the same pixel size, must not overlap, and must be the sizes the plan was
// made for. Nothing outside either plane is touched, the padding at the end of dst's rows
// included; nothing is allocated. Planes of another pixel size, or of two sizes, are left as
// they are.
void RenderPlane(const PlaneView& dst, const PlaneView& src, const CopyPlan& plan,
                 const std::uint8_t* fill);

// Rows [first, last) of what RenderPlane draws, fill included, and no other row: any number of
// threads may draw disjoint bands of one plane at once with one plan, and together they give
// RenderPlane's bytes for any split. The rows are clamped to the plane.
void RenderRows(const PlaneView& dst, const PlaneView& src, const CopyPlan& plan,
                const std::uint8_t* fill, std::int32_t first, std::int32_t last);

}  // namespace tesselox
