#include "filter/subsampled_plan.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <random>
#include <vector>

#include "dirty_plane.h"
#include "filter/copy_plan.h"
#include "filter/render_packed_422.h"
#include "filter/render_plane.h"
#include "kernels.h"
#include "reference_model.h"
#include "subsampled_model.h"

namespace tesselox::test {
namespace {

// Every subsampling of planar samples of 1, 2 and 4 bytes, and packed 4:2:2 of 1- and 2-byte
// samples either way round, with and without a fill, over geometries of every kind (odd sizes and
// corners, mirrored, phased, reaching outside, extents of every int32, random): each plane by the
// plain and the vector kernels, against the model built from the full-size one, the bytes around
// it untouched.
TEST(SubsampledPlaneTest, EveryPlaneFollowsItsBlocksTopLeftPixel) {
  // clang-format off
  std::vector<Geometry> geometries = {
      {16, 8, 16, 8, {{0, 16, 0, 16, 0}, {0, 8, 0, 8, 0}}},             // 1:1
      {64, 8, 32, 4, {{0, 64, 0, 32, 1}, {0, 8, 0, 4, 1}}},             // 2x on odd phases
      {358, 4, 179, 2, {{0, 358, 0, 179, 1}, {0, 4, 0, 2, 0}}},       // 2x, wide enough for every kernel
      {15, 9, 17, 11, {{1, 13, 3, 13, 0}, {1, 7, 1, 7, 0}}},            // odd sizes and corners
      {33, 9, 33, 9, {{32, -33, 0, 33, 0}, {8, -9, 0, 9, 0}}},          // mirrored, odd
      {40, 12, 64, 24, {{3, 37, 64, -61, 0}, {0, 12, 23, -24, 0}}},     // source runs backwards
      {31, 13, 17, 7, {{-5, 40, 2, 15, 3}, {2, 11, -2, 9, -4}}},        // enlarged, phased, outside
      {20, 10, 90, 45, {{0, 20, 1, 89, 7}, {9, -10, 44, -45, 2}}},      // shrunk, phased
      {17, 9, 8, 4, {{0, 17, 0, 8, 1}, {0, 9, 0, 4, 1}}},               // phase past the edge
      {17, 9, 8, 4, {{16, -17, 7, -8, 1}, {8, -9, 3, -4, 1}}},
      {19, 7, 23, 9, {{5, INT32_MIN, 0, INT32_MAX, 0}, {0, 7, 2, INT32_MAX, 0}}},  // huge extents
      {19, 7, 23, 9, {{-9, INT32_MAX, 22, INT32_MIN, INT32_MAX}, {6, -7, 8, -9, INT32_MIN}}},
      {9, 6, 9, 6, {{8, 3, 0, 3, 0}, {5, 1, 0, 1, 0}}},                 // one pixel at odd corner
      {33, 2, 34, 2, {{2, 31, 33, -31, 0}, {0, 2, 0, 2, 0}}},           // mirrored onto odd pixels
  };
  struct Plane { int shiftX, shiftY, sampleBytes; bool packed; LumaSamples luma; bool filled; };
  const Plane planes[] = {
      {0, 0, 1, false, {}, true}, {1, 0, 2, false, {}, true}, {2, 0, 4, false, {}, true},
      {0, 1, 2, false, {}, true}, {1, 1, 4, false, {}, true}, {2, 1, 1, false, {}, true},
      {0, 2, 4, false, {}, true}, {1, 2, 1, false, {}, true}, {2, 2, 2, false, {}, true},
      {1, 0, 1, true, LumaSamples::First, true},  {1, 0, 2, true, LumaSamples::Second, true},
      {1, 0, 1, true, LumaSamples::Second, false}, {1, 0, 2, true, LumaSamples::First, false},
  };
  // clang-format on
  std::mt19937 rng(28);
  auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  for (int k = 0; k < 60; ++k) {
    Geometry& g =
        geometries.emplace_back(Geometry{pick(1, 70), pick(1, 9), pick(1, 70), pick(1, 9), {}});
    for (CopyAxis* a : {&g.request.x, &g.request.y}) {
      const int d = a == &g.request.x ? g.dstW : g.dstH, s = a == &g.request.x ? g.srcW : g.srcH;
      *a = CopyAxis{pick(-d / 2, d), pick(-2 * d, 2 * d), pick(-s / 2, s), pick(-2 * s, 2 * s),
                    pick(0, 15) == 0 ? INT32_MIN : pick(-9, 9)};
    }
  }
  const std::uint8_t fill[8] = {0x10, 0x01, 0x80, 0x02, 0x11, 0x03, 0x81, 0x04};
  for (const Geometry& g : geometries) {
    SCOPED_TRACE(Describe(g));
    const CopyPlan full = PlanCopy({g.dstW, g.dstH}, {g.srcW, g.srcH}, g.request);
    for (const Plane& p : planes) {
      SCOPED_TRACE(::testing::Message()
                   << "shifts " << p.shiftX << ", " << p.shiftY << ", " << p.sampleBytes
                   << "-byte samples" << (p.packed ? ", packed" : "")
                   << (p.filled ? "" : ", no fill"));
      const CopyPlan plan = SubsamplePlan(full, p.shiftX, p.shiftY);
      const PlaneSize from = SubsampledSize({g.srcW, g.srcH}, p.shiftX, p.shiftY);
      const PlaneSize to = SubsampledSize({g.dstW, g.dstH}, p.shiftX, p.shiftY);
      // A packed plane's pixel here is a macropixel; the calls see it as two luma pixels.
      const int bytes = p.sampleBytes * (p.packed ? 4 : 1);
      const DirtyPlane src(from.width, from.height, bytes, p.shiftX + 1, true);
      const PlaneView luma{src.view.bytes, g.srcW, g.srcH, src.view.stride, bytes / 2};
      const std::uint8_t* given = p.filled ? fill : nullptr;
      const std::vector<std::uint8_t> want =
          p.packed ? ExpectedPacked422(luma, g.srcW, g.request, g.dstW, g.dstH,
                                       p.luma == LumaSamples::First ? 0 : 1, given, kDirt)
                   : ExpectedSubsampled(src.view, g.srcW, g.srcH, g.request, g.dstW, g.dstH,
                                        p.shiftX, p.shiftY, fill);
      for (Kernels kernels : kEveryKernels) {
        const UseKernels use(kernels);
        DirtyPlane dst(to.width, to.height, bytes, 2 * p.shiftY + 1, false);
        if (p.packed)
          RenderPacked422({dst.view.bytes, g.dstW, g.dstH, dst.view.stride, bytes / 2}, luma, full,
                          plan, p.luma, given);
        else
          RenderPlane(dst.view, src.view, plan, fill);
        ASSERT_TRUE(dst.Holds(want)) << "kernels " << static_cast<int>(kernels);
      }
    }
  }
}

}  // namespace
}  // namespace tesselox::test
