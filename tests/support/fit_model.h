#pragma once

// What a fit mode makes of a request, straight from its formulas in 64-bit arithmetic, and the
// cases the element and the host are checked against.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <tuple>
#include <vector>

#include "filter/copy_request.h"
#include "filter/fit_request.h"

namespace tesselox::test {

struct FitCase {
  const char* name;
  std::int32_t x, y, cx, cy, dstCx, dstCy;  // as set; only the destination's signs matter
  std::int32_t frameW, frameH;
  std::int32_t inN, inD, outN, outD;  // pixel aspect ratios
  FitMode mode;
  CopyRequest AsSet() const { return {{0, dstCx, x, cx, 0}, {0, dstCy, y, cy, 0}}; }
};

inline CopyRequest ModelFit(const FitCase& c) {
  CopyRequest r = c.AsSet();
  auto round = [](std::int64_t p, std::int64_t q) { return (2 * p + q) / (2 * q); };  // halves up
  // In frame pixels the source is w * a / b wide and h high.
  const std::int64_t w = std::llabs(c.cx), h = std::llabs(c.cy), W = c.frameW, H = c.frameH;
  const std::int64_t a = std::int64_t{c.inN} * c.outD, b = std::int64_t{c.inD} * c.outN;
  const std::int64_t k = std::min(W * b / (w * a), H / h);
  const bool wider = w * a * H >= h * W * b;
  if (c.mode == FitMode::None) return r;
  std::int64_t dstW = W, dstH = H;
  if (c.mode == FitMode::Integer && k >= 1) {
    dstW = round(k * w * a, b), dstH = k * h;
  } else if (c.mode == FitMode::Contain || c.mode == FitMode::Integer) {
    (wider ? dstH : dstW) =
        std::max<std::int64_t>(1, wider ? round(h * W * b, w * a) : round(w * a * H, h * b));
  } else if (c.mode == FitMode::Cover) {  // the source cut about its centre to the frame's shape
    CopyAxis& s = wider ? r.x : r.y;
    const std::int64_t to = wider ? round(h * W * b, H * a) : round(w * a * H, W * b);
    const std::int32_t sign = s.sourceExtent < 0 ? -1 : 1;
    s.sourceCorner += sign * static_cast<std::int32_t>(((wider ? w : h) - to) / 2);
    s.sourceExtent = sign * static_cast<std::int32_t>(to);
  }
  for (auto [d, size, frame] : {std::tuple{&r.x, dstW, W}, std::tuple{&r.y, dstH, H}}) {
    const std::int64_t corner = (frame - size) / 2;  // a backwards extent starts at the far end
    d->corner = static_cast<std::int32_t>(d->extent < 0 ? corner + size - 1 : corner);
    d->extent = static_cast<std::int32_t>(d->extent < 0 ? -size : size);
  }
  return r;
}

// A request's numbers, for comparisons that print them.
inline std::vector<std::int32_t> Numbers(const CopyRequest& r) {
  return {r.x.corner, r.x.extent, r.x.sourceCorner, r.x.sourceExtent, r.x.phase,
          r.y.corner, r.y.extent, r.y.sourceCorner, r.y.sourceExtent, r.y.phase};
}

// Aspects wider and taller, exact halves, odd sizes, sources larger than the frame, mirrored
// sources and destinations, pixel aspect ratios.
inline const std::vector<FitCase>& FitCases() {
  using enum FitMode;
  static const std::vector<FitCase> cases = {
      {"wider contain", 0, 0, 1920, 1080, 1, 1, 640, 480, 1, 1, 1, 1, Contain},
      {"half rounds up", 0, 0, 4, 2, 1, 1, 5, 5, 1, 1, 1, 1, Contain},
      {"half across", 0, 0, 2, 4, 1, 1, 5, 5, 1, 1, 1, 1, Contain},
      {"odd sizes", 3, 1, 7, 5, 1, 1, 33, 17, 1, 1, 1, 1, Contain},
      {"thin source", 0, 0, 1000, 1, 1, 1, 9, 9, 1, 1, 1, 1, Contain},
      {"mirrored contain", 99, 0, -100, 50, 1, 1, 31, 31, 1, 1, 1, 1, Contain},
      {"mirrored rows", 0, 9, 16, -10, 1, 1, 40, 30, 1, 1, 1, 1, Contain},
      {"stretch, dst mirror kept", 5, 5, 16, 10, -1, 1, 40, 30, 1, 1, 1, 1, Stretch},
      {"cover wider", 0, 0, 1920, 1080, 1, 1, 640, 480, 1, 1, 1, 1, Cover},
      {"cover taller", 0, 0, 640, 480, 1, 1, 1920, 1080, 1, 1, 1, 1, Cover},
      {"cover mirrored", 100, 0, -101, 33, 1, 1, 16, 9, 1, 1, 1, 1, Cover},
      {"cover same shape", 0, 0, 32, 18, 1, 1, 16, 9, 1, 1, 1, 1, Cover},
      {"integer", 0, 0, 320, 240, 1, 1, 1920, 1080, 1, 1, 1, 1, Integer},
      {"integer odd", 0, 0, 7, 5, 1, 1, 50, 23, 1, 1, 1, 1, Integer},
      {"integer too large", 0, 0, 2000, 1000, 1, 1, 1920, 1080, 1, 1, 1, 1, Integer},
      {"retro 8:7", 0, 0, 256, 224, 1, 1, 1920, 1080, 8, 7, 1, 1, Integer},
      {"tall pixels out", 0, 0, 100, 100, 1, 1, 100, 100, 1, 1, 1, 2, Contain},
      {"par cover", 0, 0, 720, 480, 1, 1, 640, 480, 10, 11, 1, 1, Cover},
      {"none", 1, 2, 3, 4, -5, 6, 9, 9, 1, 1, 1, 1, None},
  };
  return cases;
}

}  // namespace tesselox::test
