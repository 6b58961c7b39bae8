#pragma once

#include <cstdint>

namespace tesselox {

// One axis of a copy: destination pixels [corner, corner + extent) (a negative extent runs the
// other way, from corner down), sampled from source pixels sourceExtent long from sourceCorner,
// with the phase in destination pixels. tesselox/tesselox.h documents what each value does.
struct CopyAxis {
  std::int32_t corner;
  std::int32_t extent;
  std::int32_t sourceCorner;
  std::int32_t sourceExtent;
  std::int32_t phase;
};

// A whole copy: its columns and its rows.
struct CopyRequest {
  CopyAxis x;
  CopyAxis y;
};

}  // namespace tesselox
