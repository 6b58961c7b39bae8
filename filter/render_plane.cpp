#include "filter/render_plane.h"

#include "filter/clear_outside.h"
#include "filter/execute_copy.h"
#include "filter/row_routine.h"

namespace tesselox {
void RenderPlane(const PlaneView& dst, const PlaneView& src, const CopyPlan& plan,
                 const std::uint8_t* fill) {
  if (!IsPixelSize(dst.pixelBytes) || src.pixelBytes != dst.pixelBytes) return;
  ClearStream clear(dst, DrawnRect(plan), fill);
  if (plan.draw) {
    ExecuteCopy(dst, src, plan, PickRowRoutine(plan.x, dst.pixelBytes), &clear);
  } else {
    clear.Finish();
  }
}

}  // namespace tesselox
