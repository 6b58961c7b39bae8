#include "host/io/capacity.h"

#include <algorithm>
#include <cstdint>

#include "host/io/io_error.h"
#include "host/io/picture.h"

namespace tesselox::io {

Size EffectiveCapacity(const Options& options, Size input) {
  if (options.capacity) return *options.capacity;
  return Size{std::max(options.max.width, input.width), std::max(options.max.height, input.height)};
}

std::string CapacityOrigin(const Options& options, Size input) {
  if (options.capacity) return "option --capacity " + SizeText(*options.capacity);
  if (EffectiveCapacity(options, input) == options.max)
    return "option --max " + SizeText(options.max);
  return "the larger of --max " + SizeText(options.max) + " and the input " + SizeText(input) +
         " per side";
}

void CheckCapacityArea(const Options& options, Size input) {
  const Size capacity = EffectiveCapacity(options, input);
  if (std::int64_t{capacity.width} * capacity.height <= kMaxFramePixels) return;
  throw IoError("frame buffers of " + SizeText(capacity) + " (" + CapacityOrigin(options, input) +
                ") exceed the host's limit of " + std::to_string(kMaxFramePixels) + " pixels" +
                (options.capacity ? "" : "; give a smaller --max or a --capacity"));
}

}  // namespace tesselox::io
