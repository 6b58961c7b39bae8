#include "filter/render_plane.h"

#include <algorithm>

#include "filter/clear_outside.h"
#include "filter/execute_copy.h"
#include "filter/row_routine.h"

namespace tesselox {

void RenderPlane(const PlaneView& dst, const PlaneView& src, const CopyPlan& plan,
                 const std::uint8_t* fill) {
  RenderRows(dst, src, plan, fill, 0, dst.height);
}

void RenderRows(const PlaneView& dst, const PlaneView& src, const CopyPlan& plan,
                const std::uint8_t* fill, std::int32_t first, std::int32_t last) {
  if (!IsPixelSize(dst.pixelBytes) || src.pixelBytes != dst.pixelBytes) return;
  first = std::clamp(first, 0, std::max(dst.height, 0));
  last = std::clamp(last, first, std::max(dst.height, 0));
  if (first == last) return;
  const PlaneView rows = RowsOf(dst, first, last);
  const CopyPlan band = RestrictRows(plan, first, last);
  ClearStream clear(rows, DrawnRect(band), fill);
  if (band.draw) {
    ExecuteCopy(rows, src, band, PickRowRoutine(band.x, dst.pixelBytes), &clear,
                StreamsStores(dst, src));
  } else {
    clear.Finish();
  }
}

}  // namespace tesselox
