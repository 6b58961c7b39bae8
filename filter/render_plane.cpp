#include "filter/render_plane.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "filter/image_view.h"

namespace tesselox {
namespace {

using i64 = std::int64_t;

// The planner only reads the sizes.
ImageView SizeOnly(const PlaneView& plane) {
  return ImageView{nullptr, plane.width, plane.height, plane.width};
}

void Fill(std::uint8_t* out, const std::uint8_t* fill, int pixelBytes, i64 n) {
  for (i64 k = 0; k < n; ++k) std::memcpy(out + k * pixelBytes, fill, pixelBytes);
}

}  // namespace

CopyPlan PlanPlaneCopy(const PlaneView& dst, const PlaneView& src, const CopyRequest& request) {
  return PlanCopy(SizeOnly(dst), SizeOnly(src), request);
}

void RenderPlane(const PlaneView& dst, const PlaneView& src, const CopyPlan& plan,
                 const std::uint8_t* fill) {
  const int size = dst.pixelBytes;
  const i64 left = plan.draw ? FirstWritten(plan.x) : 0;
  const i64 top = plan.draw ? FirstWritten(plan.y) : 0;
  const i64 width = plan.draw ? plan.x.count : 0;
  const i64 height = plan.draw ? plan.y.count : 0;
  for (i64 y = 0; y < dst.height; ++y) {
    std::uint8_t* line = dst.bytes + y * dst.stride;
    if (y < top || y >= top + height || width == 0) {
      Fill(line, fill, size, dst.width);
      continue;
    }
    Fill(line, fill, size, left);
    Fill(line + (left + width) * size, fill, size, dst.width - left - width);
    const i64 k = plan.y.dstStep > 0 ? y - plan.y.dstStart : plan.y.dstStart - y;
    const std::uint8_t* row = src.bytes + SourceIndexAt(plan.y, k) * src.stride;
    for (i64 x = left; x < left + width; ++x) {
      const i64 i = plan.x.dstStep > 0 ? x - plan.x.dstStart : plan.x.dstStart - x;
      std::memcpy(line + x * size, row + SourceIndexAt(plan.x, i) * size, size);
    }
  }
}

}  // namespace tesselox
