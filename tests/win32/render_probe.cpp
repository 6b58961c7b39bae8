// Stands in for RenderFrame in the probe builds of the module: keeps the twelve values the frame
// callback hands over and renders nothing, so that a test can read them through an export.

#include <algorithm>
#include <cstdint>

#include "module/render_frame.h"

namespace tesselox {
namespace {

ParameterValues renderedValues{};
std::int32_t renderCount = 0;

}  // namespace

void RenderFrame(FrameRecord& /*record*/, const ParameterValues& values) {
  renderedValues = values;
  ++renderCount;
}

}  // namespace tesselox

// Copies the values of the last frame into values[0..11] and answers how many frames came.
extern "C" __declspec(dllexport) std::int32_t __cdecl RenderedValues(std::int32_t* values) {
  std::copy(tesselox::renderedValues.begin(), tesselox::renderedValues.end(), values);
  return tesselox::renderCount;
}
