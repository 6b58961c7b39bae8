#include "filter/copy_nearest.h"

#include <cstdint>

#include "filter/copy_plan.h"
#include "filter/execute_copy.h"
#include "filter/row_routine.h"

namespace tesselox {

void CopyNearest(const ImageView& dst, std::int32_t dx, std::int32_t dy, std::int32_t dcx,
                 std::int32_t dcy, const ImageView& src, std::int32_t sx, std::int32_t sy,
                 std::int32_t scx, std::int32_t scy, std::int32_t px, std::int32_t py) {
  CopyNearest(dst, src, CopyRequest{{dx, dcx, sx, scx, px}, {dy, dcy, sy, scy, py}});
}

void CopyNearest(const ImageView& dst, const ImageView& src, const CopyRequest& request) {
  const CopyPlan plan = PlanCopy(dst, src, request);
  if (plan.draw) ExecuteCopy(dst, src, plan, PickRowRoutine(plan.x));
}

}  // namespace tesselox
