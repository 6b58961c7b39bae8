#include "filter/row_copy.h"

#include <cstdint>

namespace tesselox {

int BlockShape(const std::int32_t* map) {
  const std::int32_t span = map[7] - map[0];
  if (span == 7) {
    for (int t = 1; t < 8; ++t) {
      if (map[t] != map[0] + t) return -1;
    }
    return 0;
  }
  if (span != 6) return -1;
  int shape = -1;
  for (int t = 1; t < 8; ++t) {
    const std::int32_t step = map[t] - map[t - 1];
    if (step == 0 && shape < 0) {
      shape = t;
    } else if (step != 1) {
      return -1;
    }
  }
  return shape;
}

}  // namespace tesselox
