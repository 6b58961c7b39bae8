#pragma once

// What the host must make of a picture or a video frame: the reference model's copy of it.

#include <cstdint>

#include "filter/copy_request.h"
#include "host/io/picture.h"
#include "reference_model.h"

namespace tesselox::test {

inline io::Picture ModelPicture(const io::Picture& input, const CopyRequest& request,
                                std::int32_t width, std::int32_t height) {
  io::Picture expected(width, height);
  const PlaneView src =
      ViewOf(const_cast<Pixel*>(input.pixels.data()), input.width, input.height, input.width);
  ReferenceCopy(ViewOf(expected.pixels.data(), width, height, width), src, request);
  return expected;
}

}  // namespace tesselox::test
