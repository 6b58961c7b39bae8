#include <span>

#include "filter/plane_view.h"
#include "filter/row_routine.h"
#include "filter/row_routine_table.h"

namespace tesselox {

template <int kBytes>
std::span<const RowRoutineEntry> TableOfSize() {
  return routine_table::TableFor<PixelBytes<kBytes>>();
}

std::span<const RowRoutineEntry> RowRoutines(int pixelBytes) {
  switch (pixelBytes) {
    case 1:
      return TableOfSize<1>();
    case 2:
      return TableOfSize<2>();
    case 3:
      return TableOfSize<3>();
    case 4:
      return TableOfSize<4>();
    case 8:
      return TableOfSize<8>();
    default:
      return RowRoutines();
  }
}

const RowRoutineEntry& PickRowRoutine(const AxisPlan& x, int pixelBytes) {
  const std::span<const RowRoutineEntry> table = RowRoutines(pixelBytes);
  for (const RowRoutineEntry& r : table) {
    if (r.fits(x)) return r;
  }
  return table.back();
}

}  // namespace tesselox
