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

// Geometries of every kind: odd sizes and corners, mirrored, phased, reaching outside, extents
// of every int32, and random ones.
std::vector<Geometry> Geometries() {
  // clang-format off
  std::vector<Geometry> table = {
      {16, 8, 16, 8, {{0, 16, 0, 16, 0}, {0, 8, 0, 8, 0}}},             // 1:1
      {15, 9, 17, 11, {{1, 13, 3, 13, 0}, {1, 7, 1, 7, 0}}},            // odd sizes and corners
      {33, 9, 33, 9, {{32, -33, 0, 33, 0}, {8, -9, 0, 9, 0}}},          // mirrored, odd
      {40, 12, 64, 24, {{3, 37, 64, -61, 0}, {0, 12, 23, -24, 0}}},     // source runs backwards
      {31, 13, 17, 7, {{-5, 40, 2, 15, 3}, {2, 11, -2, 9, -4}}},        // enlarged, phased, outside
      {20, 10, 90, 45, {{0, 20, 1, 89, 7}, {9, -10, 44, -45, 2}}},      // shrunk, phased
      {64, 8, 32, 4, {{0, 64, 0, 32, 1}, {0, 8, 0, 4, 1}}},             // 2x on odd phases
      {19, 7, 23, 9, {{5, INT32_MIN, 0, INT32_MAX, 0}, {0, 7, 2, INT32_MAX, 0}}},  // huge extents
      {19, 7, 23, 9, {{-9, INT32_MAX, 22, INT32_MIN, INT32_MAX}, {6, -7, 8, -9, INT32_MIN}}},
      {9, 6, 9, 6, {{8, 3, 0, 3, 0}, {5, 1, 0, 1, 0}}},                 // one pixel at odd corner
      {17, 9, 8, 4, {{0, 17, 0, 8, 1}, {0, 9, 0, 4, 1}}},               // phase past the edge
      {17, 9, 8, 4, {{16, -17, 7, -8, 1}, {8, -9, 3, -4, 1}}},
      {32, 2, 32, 2, {{0, 32, 31, -32, 0}, {0, 2, 0, 2, 0}}},           // mirrored onto odd pixels
      {33, 2, 34, 2, {{2, 31, 33, -31, 0}, {0, 2, 0, 2, 0}}},
      {34, 2, 34, 2, {{1, 32, 32, -32, 0}, {0, 2, 1, -2, 0}}},
  };
  // clang-format on
  std::mt19937 rng(28);
  for (int k = 0; k < 60; ++k) table.push_back(RandomGeometry(rng, 1, 70, 9));
  return table;
}

// Frames whose luma is copied as `request` asks, with chroma of every subsampling: each plane
// drawn with the plan SubsamplePlan derives, by the plain and the vector kernels, against the
// model built from the full-size one.
TEST(SubsampledPlaneTest, ChromaFollowsItsBlocksTopLeftPixel) {
  const std::vector<Geometry> table = Geometries();
  const std::uint8_t fill[4] = {0x10, 0x80, 0x81, 0xEB};
  const int sampleBytes[] = {1, 2, 4};
  for (const Geometry& g : table) {
    SCOPED_TRACE(Describe(g));
    const CopyPlan full = PlanCopy({g.dstW, g.dstH}, {g.srcW, g.srcH}, g.request);
    for (int sx = 0; sx <= 2; ++sx) {
      for (int sy = 0; sy <= 2; ++sy) {
        const int bytes = sampleBytes[(sx + sy) % 3];
        SCOPED_TRACE(::testing::Message()
                     << "shifts " << sx << ", " << sy << ", " << bytes << "-byte samples");
        const PlaneSize to = SubsampledSize({g.dstW, g.dstH}, sx, sy);
        const PlaneSize from = SubsampledSize({g.srcW, g.srcH}, sx, sy);
        const DirtyPlane src(from.width, from.height, bytes, sx, true);
        const std::vector<std::uint8_t> want =
            ExpectedSubsampled(src.view, g.srcW, g.srcH, g.request, g.dstW, g.dstH, sx, sy, fill);
        const CopyPlan plan = SubsamplePlan(full, sx, sy);
        for (Kernels kernels : kEveryKernels) {
          const UseKernels use(kernels);
          DirtyPlane dst(to.width, to.height, bytes, 2 * sy, false);
          RenderPlane(dst.view, src.view, plan, fill);
          ASSERT_TRUE(dst.Holds(want)) << "kernels " << static_cast<int>(kernels);
        }
      }
    }
  }
}

// Packed 4:2:2 of 1- and 2-byte samples, luma first or second: luma by the full plan, each
// macropixel's chroma pair by its first pixel, an odd width's phantom sample as a pixel not drawn.
TEST(SubsampledPlaneTest, PackedPairsFollowTheirFirstPixel) {
  const std::uint8_t black[8] = {0x10, 0x01, 0x80, 0x02, 0x11, 0x03, 0x81, 0x04};
  for (const Geometry& g : Geometries()) {
    SCOPED_TRACE(Describe(g));
    const CopyPlan full = PlanCopy({g.dstW, g.dstH}, {g.srcW, g.srcH}, g.request);
    const CopyPlan pairs = SubsamplePlan(full, 1, 0);
    for (int pixel : {2, 4}) {
      for (LumaSamples luma : {LumaSamples::First, LumaSamples::Second}) {
        const int lumaAt = luma == LumaSamples::First ? 0 : 1;
        const std::uint8_t* fill = lumaAt == 0 ? black : nullptr;
        SCOPED_TRACE(::testing::Message() << pixel << "-byte pixels, luma at " << lumaAt
                                          << (fill ? ", filled" : ", no fill"));
        DirtyPlane src((g.srcW + 1) / 2, g.srcH, 2 * pixel, pixel, true);
        const PlaneView from{src.view.bytes, g.srcW, g.srcH, src.view.stride, pixel};
        const std::vector<std::uint8_t> want =
            ExpectedPacked422(from, g.srcW, g.request, g.dstW, g.dstH, lumaAt, fill, kDirt);
        for (Kernels kernels : kEveryKernels) {
          const UseKernels use(kernels);
          DirtyPlane dst((g.dstW + 1) / 2, g.dstH, 2 * pixel, 3, false);
          RenderPacked422({dst.view.bytes, g.dstW, g.dstH, dst.view.stride, pixel}, from, full,
                          pairs, luma, fill);
          ASSERT_TRUE(dst.Holds(want)) << "kernels " << static_cast<int>(kernels);
        }
      }
    }
  }
}

}  // namespace
}  // namespace tesselox::test
