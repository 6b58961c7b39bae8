#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "c_api.h"
#include "reference_model.h"
#include "subsampled_model.h"
#include "tesselox/tesselox.h"

namespace tesselox::test {
namespace {

constexpr std::uint8_t kKept = 0xA5;

// A frame's formats: up to three planes, each with its sample size, shifts and packing.
struct Format {
  const char* name;
  int planes;
  tesselox_frame_plane layout[3];  // data and stride filled in per frame
};

// A frame of the format, its planes padded and some stored bottom-up; a source's bytes vary with
// place, a destination's are kKept.
struct TestFrame {
  TestFrame(const Format& f, std::int32_t w, std::int32_t h, bool source, bool bottomUp) {
    frame = tesselox_frame{w, h, f.planes, {}};
    for (int k = 0; k < f.planes; ++k) {
      tesselox_frame_plane p = f.layout[k];
      const bool packed = p.packing != TESSELOX_PLANAR;
      const std::int32_t pw = packed ? (w + 1) / 2 : (w + (1 << p.shift_x) - 1) >> p.shift_x;
      const std::int32_t ph = (h + (1 << p.shift_y) - 1) >> p.shift_y;
      const std::ptrdiff_t step = pw * p.pixel_bytes * (packed ? 2 : 1) + 3;
      bytes[k].assign(static_cast<std::size_t>(step * ph) + 1, kKept);
      for (std::size_t b = 0; source && b < bytes[k].size(); ++b)
        bytes[k][b] = static_cast<std::uint8_t>(b * 37 + k * 101 + 1);
      const bool up = bottomUp && k == f.planes - 1;
      p.data = bytes[k].data() + (up && ph > 0 ? (ph - 1) * step : 0);
      p.stride = up ? -step : step;
      frame.planes[k] = p;
    }
  }
  // Plane k's w x h samples (macropixels), rows packed top-down.
  std::vector<std::uint8_t> Rows(int k, std::int32_t w, std::int32_t h) const {
    const tesselox_frame_plane& p = frame.planes[k];
    std::vector<std::uint8_t> out;
    for (std::int32_t y = 0; y < h; ++y) {
      const auto* row = static_cast<const std::uint8_t*>(p.data) + y * p.stride;
      out.insert(out.end(), row, row + w * p.pixel_bytes * (p.packing ? 2 : 1));
    }
    return out;
  }
  tesselox_frame frame;
  std::vector<std::uint8_t> bytes[3];
};

// Frames of every subsampling, semi-planar and packed, through both calls, against the model of
// each plane computed from the full-size one.
TEST(CopyFrameApiTest, EveryPlaneFollowsTheFullSizeModel) {
  constexpr std::int32_t P = TESSELOX_PLANAR, YUYV = TESSELOX_PACKED_422_LUMA_FIRST,
                         UYVY = TESSELOX_PACKED_422_LUMA_SECOND;
  // clang-format off
  const Format formats[] = {
      {"I420", 3, {{0, 0, 1, 0, 0, P}, {0, 0, 1, 1, 1, P}, {0, 0, 1, 1, 1, P}}},
      {"NV12", 2, {{0, 0, 1, 0, 0, P}, {0, 0, 2, 1, 1, P}}},
      {"Y42B", 3, {{0, 0, 1, 0, 0, P}, {0, 0, 1, 1, 0, P}, {0, 0, 1, 1, 0, P}}},
      {"Y41B", 3, {{0, 0, 1, 0, 0, P}, {0, 0, 1, 2, 0, P}, {0, 0, 1, 2, 0, P}}},
      {"YUY2", 1, {{0, 0, 2, 0, 0, YUYV}}},
      {"UYVY", 1, {{0, 0, 2, 0, 0, UYVY}}},
      {"Y210 + A", 2, {{0, 0, 4, 0, 0, YUYV}, {0, 0, 1, 0, 0, P}}},
  };
  // clang-format on
  const std::uint8_t fills[3][8] = {{16, 17, 18, 19, 20, 21, 22, 23},
                                    {128, 129, 130, 131, 132, 133, 134, 135},
                                    {64, 65, 66, 67, 68, 69, 70, 71}};
  const std::uint8_t kept[8] = {kKept, kKept, kKept, kKept, kKept, kKept, kKept, kKept};
  std::mt19937 rng(2828);
  for (const Format& f : formats) {
    SCOPED_TRACE(f.name);
    for (int iteration = 0; iteration < 120; ++iteration) {
      const Geometry g = RandomGeometry(rng, 0, 23, 11);
      const bool filled = iteration % 3 != 0, planned = iteration % 2 != 0;
      SCOPED_TRACE(Describe(g) + (filled ? ", filled" : ", no fill") +
                   (planned ? ", planned" : ""));
      const TestFrame src(f, g.srcW, g.srcH, true, iteration % 4 == 1);
      TestFrame dst(f, g.dstW, g.dstH, false, iteration % 4 == 2);
      const tesselox_request r = CRequestOf(g.request);
      const void* fill[3] = {fills[0], fills[1], fills[2]};
      tesselox_plan* plan = nullptr;
      ASSERT_EQ(tesselox_plan_create(&plan, g.dstW, g.dstH, g.srcW, g.srcH, &r), TESSELOX_OK);
      const void* const* given = filled ? fill : nullptr;
      const int status = planned ? tesselox_plan_draw_frame(plan, &dst.frame, &src.frame, given)
                                 : tesselox_copy_frame(&dst.frame, &src.frame, &r, given);
      tesselox_plan_destroy(plan);
      ASSERT_EQ(status, TESSELOX_OK);
      for (int k = 0; k < f.planes; ++k) {
        const tesselox_frame_plane& p = f.layout[k];
        const tesselox_frame_plane& s = src.frame.planes[k];
        const std::uint8_t* planeFill = filled ? fills[k] : kept;
        std::vector<std::uint8_t> want;
        std::int32_t w = 0, h = 0;
        if (p.packing == TESSELOX_PLANAR) {
          w = (g.dstW + (1 << p.shift_x) - 1) >> p.shift_x;
          h = (g.dstH + (1 << p.shift_y) - 1) >> p.shift_y;
          const PlaneView from{
              static_cast<std::uint8_t*>(s.data), (g.srcW + (1 << p.shift_x) - 1) >> p.shift_x,
              (g.srcH + (1 << p.shift_y) - 1) >> p.shift_y, s.stride, p.pixel_bytes};
          want = ExpectedSubsampled(from, g.srcW, g.srcH, g.request, g.dstW, g.dstH, p.shift_x,
                                    p.shift_y, planeFill);
        } else {
          w = (g.dstW + 1) / 2, h = g.dstH;
          const PlaneView from{static_cast<std::uint8_t*>(s.data), g.srcW, g.srcH, s.stride,
                               p.pixel_bytes};
          want = ExpectedPacked422(from, g.srcW, g.request, g.dstW, g.dstH,
                                   p.packing == YUYV ? 0 : 1, filled ? planeFill : nullptr, kKept);
        }
        ASSERT_EQ(dst.Rows(k, w, h), want) << "plane " << k;
      }
    }
  }
}

// Frames the calls refuse, each with its status, the destination untouched.
TEST(CopyFrameApiTest, BadFramesAreRefused) {
  // A change to an I420 frame pair that is valid as made.
  struct Case {
    const char* name;
    void (*change)(tesselox_frame& dst, tesselox_frame& src);
    int want;
  };
  // clang-format off
  const Case cases[] = {
      {"valid",              [](tesselox_frame&, tesselox_frame&) {},                         TESSELOX_OK},
      {"no planes",          [](tesselox_frame& d, tesselox_frame& s) { d.plane_count = s.plane_count = 0; }, TESSELOX_ERROR_FRAME},
      {"five planes",        [](tesselox_frame& d, tesselox_frame& s) { d.plane_count = s.plane_count = 5; }, TESSELOX_ERROR_FRAME},
      {"plane counts differ", [](tesselox_frame&, tesselox_frame& s) { s.plane_count = 2; },  TESSELOX_ERROR_FRAME},
      {"shift 3",            [](tesselox_frame& d, tesselox_frame& s) { d.planes[1].shift_x = s.planes[1].shift_x = 3; }, TESSELOX_ERROR_FRAME},
      {"shift -1",           [](tesselox_frame& d, tesselox_frame& s) { d.planes[2].shift_y = s.planes[2].shift_y = -1; }, TESSELOX_ERROR_FRAME},
      {"shifts differ",      [](tesselox_frame&, tesselox_frame& s) { s.planes[1].shift_y = 0; }, TESSELOX_ERROR_FRAME},
      {"unknown packing",    [](tesselox_frame& d, tesselox_frame& s) { d.planes[0].packing = s.planes[0].packing = 3; }, TESSELOX_ERROR_FRAME},
      {"packing differs",    [](tesselox_frame&, tesselox_frame& s) { s.planes[0].packing = TESSELOX_PACKED_422_LUMA_FIRST; }, TESSELOX_ERROR_FRAME},
      {"packed, subsampled", [](tesselox_frame& d, tesselox_frame& s) { d.planes[1].packing = s.planes[1].packing = TESSELOX_PACKED_422_LUMA_FIRST; }, TESSELOX_ERROR_FRAME},
      {"packed 1-byte",      [](tesselox_frame& d, tesselox_frame& s) { d.planes[0].packing = s.planes[0].packing = TESSELOX_PACKED_422_LUMA_SECOND; }, TESSELOX_ERROR_PIXEL_BYTES},
      {"negative width",     [](tesselox_frame& d, tesselox_frame&) { d.width = -2; },         TESSELOX_ERROR_NEGATIVE_SIZE},
      {"chroma stride short", [](tesselox_frame& d, tesselox_frame&) { d.planes[2].stride = 2; }, TESSELOX_ERROR_STRIDE},
      {"dst U on src V",     [](tesselox_frame& d, tesselox_frame& s) { d.planes[1].data = s.planes[2].data; }, TESSELOX_ERROR_OVERLAP},
      {"dst U on dst V",     [](tesselox_frame& d, tesselox_frame&) { d.planes[1].data = d.planes[2].data; }, TESSELOX_ERROR_OVERLAP},
  };
  // clang-format on
  std::vector<std::uint8_t> memory(400, kKept);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::fill(memory.begin(), memory.end(), kKept);
    // 5 x 5 frames: luma 5 x 5, chroma 3 x 3 each; the source 200 bytes on.
    auto frame = [&memory](std::size_t at) {
      tesselox_frame f{5, 5, 3, {}};
      f.planes[0] = {memory.data() + at, 5, 1, 0, 0, TESSELOX_PLANAR};
      f.planes[1] = {memory.data() + at + 25, 3, 1, 1, 1, TESSELOX_PLANAR};
      f.planes[2] = {memory.data() + at + 34, 3, 1, 1, 1, TESSELOX_PLANAR};
      return f;
    };
    tesselox_frame dst = frame(0), src = frame(200);
    c.change(dst, src);
    const tesselox_request r{0, 0, 5, 5, 0, 0, 5, 5, 0, 0};
    const std::uint8_t black[2] = {16, 128};
    const void* fill[3] = {black, black + 1, black + 1};
    tesselox_plan* plan = nullptr;
    ASSERT_EQ(tesselox_plan_create(&plan, 5, 5, 5, 5, &r), TESSELOX_OK);
    EXPECT_EQ(tesselox_plan_draw_frame(plan, &dst, &src, fill), c.want) << "planned";
    tesselox_plan_destroy(plan);
    EXPECT_EQ(tesselox_copy_frame(&dst, &src, &r, fill), c.want);
    if (c.want == TESSELOX_OK) continue;
    for (std::size_t k = 0; k < 200; ++k) ASSERT_EQ(memory[k], kKept) << "byte " << k;
    EXPECT_STRNE(tesselox_error_text(c.want), tesselox_error_text(1));
  }
  const tesselox_frame none{0, 0, 1, {{nullptr, 0, 1, 0, 0, TESSELOX_PLANAR}}};
  const tesselox_request r{};
  EXPECT_EQ(tesselox_copy_frame(nullptr, &none, &r, nullptr), TESSELOX_ERROR_NULL_ARGUMENT);
  EXPECT_EQ(tesselox_copy_frame(&none, &none, nullptr, nullptr), TESSELOX_ERROR_NULL_ARGUMENT);
  EXPECT_EQ(tesselox_plan_draw_frame(nullptr, &none, &none, nullptr), TESSELOX_ERROR_NULL_ARGUMENT);
  tesselox_plan* plan = nullptr;
  ASSERT_EQ(tesselox_plan_create(&plan, 4, 4, 4, 4, &r), TESSELOX_OK);
  EXPECT_EQ(tesselox_plan_draw_frame(plan, &none, &none, nullptr), TESSELOX_ERROR_PLAN_SIZE);
  tesselox_plan_destroy(plan);
}

}  // namespace
}  // namespace tesselox::test
