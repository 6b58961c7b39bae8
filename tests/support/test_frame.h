#pragma once

// A frame of the C API in buffers of its own, for the tests and the fuzzer, and whether a copy
// left in each plane what the model of its kind says.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "filter/copy_request.h"
#include "filter/plane_view.h"
#include "subsampled_model.h"
#include "tesselox/tesselox.h"

namespace tesselox::test {

struct TestFrame {
  // The planes of `layout` (data and stride set here), rows `padding` bytes longer than their
  // samples, plane k bottom-up where bit k of bottomUp is set; a source's bytes vary with place,
  // a destination's are all `kept`. Each buffer ends with its plane's last row.
  TestFrame(const tesselox_frame_plane* layout, int planes, std::int32_t w, std::int32_t h,
            bool source, unsigned bottomUp, int padding, std::uint8_t kept)
      : frame{w, h, planes, {}} {
    for (int k = 0; k < planes; ++k) {
      tesselox_frame_plane p = layout[k];
      const bool packed = p.packing != TESSELOX_PLANAR;
      const int sx = packed ? 1 : p.shift_x;
      rowBytes[k] = ((w + (1 << sx) - 1) >> sx) * p.pixel_bytes * (packed ? 2 : 1);
      rows[k] = (h + (1 << p.shift_y) - 1) >> p.shift_y;
      const std::ptrdiff_t step = rowBytes[k] + padding;
      bytes[k].assign(
          static_cast<std::size_t>(std::max<std::ptrdiff_t>(step * rows[k] - padding, 0)), kept);
      for (std::size_t b = 0; source && b < bytes[k].size(); ++b)
        bytes[k][b] = static_cast<std::uint8_t>(b * 37 + k * 101 + 1);
      const bool up = (bottomUp >> k & 1) != 0 && rows[k] > 0;
      p.data = bytes[k].data() + (up ? (rows[k] - 1) * step : 0);
      p.stride = up ? -step : step;
      frame.planes[k] = p;
    }
  }
  // The first row of plane k that differs from what copying src's plane k as `request` leaves,
  // `fill` (one sample, or one macropixel) where nothing is drawn, or without one what was
  // there, `kept`; -1 when every row holds it.
  std::int32_t WrongRow(int k, const TestFrame& src, const CopyRequest& request,
                        const std::uint8_t* fill, std::uint8_t kept) const {
    const tesselox_frame_plane &d = frame.planes[k], &s = src.frame.planes[k];
    const PlaneView from{static_cast<std::uint8_t*>(s.data), src.frame.width, src.frame.height,
                         s.stride, s.pixel_bytes};
    const std::vector<std::uint8_t> keep(8, kept);
    const std::vector<std::uint8_t> want =
        s.packing == TESSELOX_PLANAR
            ? ExpectedSubsampled(from, from.width, from.height, request, frame.width, frame.height,
                                 s.shift_x, s.shift_y, fill ? fill : keep.data())
            : ExpectedPacked422(from, from.width, request, frame.width, frame.height,
                                s.packing == TESSELOX_PACKED_422_LUMA_FIRST ? 0 : 1, fill, kept);
    for (std::int32_t y = 0; y < rows[k]; ++y) {
      const auto* row = static_cast<const std::uint8_t*>(d.data) + y * d.stride;
      if (!std::equal(row, row + rowBytes[k], want.begin() + y * rowBytes[k])) return y;
    }
    return -1;
  }
  tesselox_frame frame;
  std::vector<std::uint8_t> bytes[4];
  std::int32_t rowBytes[4], rows[4];
};

}  // namespace tesselox::test
