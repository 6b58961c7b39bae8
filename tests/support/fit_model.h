#pragma once

// What a fit mode must make of a request, from the formulas in plain 64-bit arithmetic (the
// table's sizes are small), and the table of cases that the core, the element and the host are
// each checked against.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "filter/copy_request.h"
#include "filter/fit_request.h"

namespace tesselox::test {

struct FitCase {
  const char* name;
  CopyRequest asSet;  // only the source rectangle and the destination extents' signs matter
  std::int32_t frameW, frameH;
  std::int64_t inN, inD, outN, outD;  // pixel aspect ratios
  FitMode mode;
};

// p / q rounded, halves up.
inline std::int64_t RoundHalfUp(std::int64_t p, std::int64_t q) {
  return (2 * p + q) / (2 * q);
}

inline CopyRequest ModelFit(const FitCase& c) {
  CopyRequest r = c.asSet;
  const std::int64_t w = std::llabs(c.asSet.x.sourceExtent), h = std::llabs(c.asSet.y.sourceExtent);
  const std::int64_t W = c.frameW, H = c.frameH;
  // The source is w * a / b frame pixels wide.
  const std::int64_t a = c.inN * c.outD, b = c.inD * c.outN;
  std::int64_t dstX = 0, dstY = 0, dstW = W, dstH = H;
  if (c.mode == FitMode::Contain || c.mode == FitMode::Integer) {
    const std::int64_t k = std::min(W * b / (w * a), H / h);
    if (c.mode == FitMode::Integer && k >= 1) {
      dstW = RoundHalfUp(k * w * a, b), dstH = k * h;
    } else if (w * a * H >= h * W * b) {
      dstH = std::max<std::int64_t>(1, RoundHalfUp(h * W * b, w * a));
    } else {
      dstW = std::max<std::int64_t>(1, RoundHalfUp(w * a * H, h * b));
    }
    dstX = (W - dstW) / 2, dstY = (H - dstH) / 2;
  } else if (c.mode == FitMode::Cover) {
    // The part of the source with the frame's shape: w' * a / b : h' = W : H.
    auto narrow = [](CopyAxis& axis, std::int64_t from, std::int64_t to) {
      const std::int64_t step = (from - to) / 2;
      axis.sourceCorner += static_cast<std::int32_t>(axis.sourceExtent < 0 ? -step : step);
      axis.sourceExtent = static_cast<std::int32_t>(axis.sourceExtent < 0 ? -to : to);
    };
    if (w * a * H > h * W * b) narrow(r.x, w, RoundHalfUp(h * W * b, H * a));
    if (w * a * H < h * W * b) narrow(r.y, h, RoundHalfUp(w * a * H, W * b));
  }
  auto place = [](CopyAxis& axis, std::int64_t corner, std::int64_t size) {
    const bool back = axis.extent < 0;
    axis.corner = static_cast<std::int32_t>(back ? corner + size - 1 : corner);
    axis.extent = static_cast<std::int32_t>(back ? -size : size);
  };
  if (c.mode != FitMode::None) place(r.x, dstX, dstW), place(r.y, dstY, dstH);
  return r;
}

inline bool SameRequest(const CopyRequest& a, const CopyRequest& b) {
  auto same = [](const CopyAxis& p, const CopyAxis& q) {
    return p.corner == q.corner && p.extent == q.extent && p.sourceCorner == q.sourceCorner &&
           p.sourceExtent == q.sourceExtent && p.phase == q.phase;
  };
  return same(a.x, b.x) && same(a.y, b.y);
}

inline CopyRequest SourceInto(std::int32_t x, std::int32_t y, std::int32_t cx, std::int32_t cy,
                              std::int32_t dstSignX = 1, std::int32_t dstSignY = 1) {
  return CopyRequest{{0, dstSignX, x, cx, 0}, {0, dstSignY, y, cy, 0}};
}

// Aspects wider and taller, exact halves, odd sizes, sources larger than the frame, mirrored
// sources and destinations, pixel aspect ratios.
inline const std::vector<FitCase>& FitCases() {
  using enum FitMode;
  static const std::vector<FitCase> cases = {
      {"wider contain", SourceInto(0, 0, 1920, 1080), 640, 480, 1, 1, 1, 1, Contain},
      {"taller contain", SourceInto(0, 0, 640, 480), 1920, 1080, 1, 1, 1, 1, Contain},
      {"half rounds up", SourceInto(0, 0, 4, 2), 5, 5, 1, 1, 1, 1, Contain},
      {"half across", SourceInto(0, 0, 2, 4), 5, 5, 1, 1, 1, 1, Contain},
      {"odd sizes", SourceInto(3, 1, 7, 5), 33, 17, 1, 1, 1, 1, Contain},
      {"thin source", SourceInto(0, 0, 1000, 1), 9, 9, 1, 1, 1, 1, Contain},
      {"mirrored contain", SourceInto(99, 0, -100, 50), 31, 31, 1, 1, 1, 1, Contain},
      {"mirrored rows", SourceInto(0, 9, 16, -10), 40, 30, 1, 1, 1, 1, Contain},
      {"dst mirror kept", SourceInto(0, 0, 16, 10, -1, 1), 40, 30, 1, 1, 1, 1, Stretch},
      {"stretch", SourceInto(5, 5, 10, 10), 33, 17, 1, 1, 1, 1, Stretch},
      {"cover wider", SourceInto(0, 0, 1920, 1080), 640, 480, 1, 1, 1, 1, Cover},
      {"cover taller", SourceInto(0, 0, 640, 480), 1920, 1080, 1, 1, 1, 1, Cover},
      {"cover mirrored", SourceInto(100, 0, -101, 33), 16, 9, 1, 1, 1, 1, Cover},
      {"cover same shape", SourceInto(0, 0, 32, 18), 16, 9, 1, 1, 1, 1, Cover},
      {"integer", SourceInto(0, 0, 320, 240), 1920, 1080, 1, 1, 1, 1, Integer},
      {"integer odd", SourceInto(0, 0, 7, 5), 50, 23, 1, 1, 1, 1, Integer},
      {"integer too large", SourceInto(0, 0, 2000, 1000), 1920, 1080, 1, 1, 1, 1, Integer},
      {"retro 8:7", SourceInto(0, 0, 256, 224), 1920, 1080, 8, 7, 1, 1, Integer},
      {"anamorphic contain", SourceInto(0, 0, 720, 576), 1920, 1080, 64, 45, 1, 1, Contain},
      {"tall pixels out", SourceInto(0, 0, 100, 100), 100, 100, 1, 1, 1, 2, Contain},
      {"par cover", SourceInto(0, 0, 720, 480), 640, 480, 10, 11, 1, 1, Cover},
      {"none", SourceInto(1, 2, 3, 4, -5, 6), 9, 9, 1, 1, 1, 1, None},
  };
  return cases;
}

}  // namespace tesselox::test
