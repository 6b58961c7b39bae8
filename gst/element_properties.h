#pragma once

#include <array>
#include <cstdint>

#include "filter/parameters.h"

namespace tesselox::gst {

// The element's twelve properties, one per field and indexed by FieldId. Once set, each means
// what its field means to the module's frame callback; at its default an extent follows the
// frames and the output size follows the input (or what downstream fixes).

// An extent's default: the whole input frame (source) or the whole output frame (destination).
inline constexpr std::int32_t kWholeFrame = INT32_MIN;
// The output size's default on either axis (the output is |width| x |height| otherwise).
inline constexpr std::int32_t kFollowInput = 0;

struct PropertySpec {
  const char* name;
  const char* blurb;
  std::int32_t minimum;
  std::int32_t maximum;
  std::int32_t initial;
};

extern const std::array<PropertySpec, kFieldCount> kPropertySpecs;

// The properties' values at their defaults.
ParameterValues DefaultProperties();

struct FrameSize {
  std::int32_t width;
  std::int32_t height;
};

// The twelve values the copy uses for frames of these sizes: defaults filled in, the output
// size as negotiated, each phase held within 0..|destination extent|.
ParameterValues ResolveValues(const ParameterValues& properties, FrameSize in, FrameSize out);

// True when the resolved values copy every input pixel to the same place of a same-sized
// output, so that the frame may pass through untouched.
bool CopiesUnchanged(const ParameterValues& resolved, FrameSize in);

}  // namespace tesselox::gst
