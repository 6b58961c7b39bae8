#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
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

// A frame of the format, rows padded, plane `bottomUp` stored bottom-up; a source's bytes vary
// with place, a destination's are kKept.
struct TestFrame {
  TestFrame(const Format& f, std::int32_t w, std::int32_t h, bool source, int bottomUp)
      : frame{w, h, f.planes, {}} {
    for (int k = 0; k < f.planes; ++k) {
      tesselox_frame_plane p = f.layout[k];
      const int sx = p.packing != TESSELOX_PLANAR ? 1 : p.shift_x;
      rowBytes[k] = ((w + (1 << sx) - 1) >> sx) * p.pixel_bytes * (sx == p.shift_x ? 1 : 2);
      rows[k] = (h + (1 << p.shift_y) - 1) >> p.shift_y;
      const std::ptrdiff_t step = rowBytes[k] + 3;
      bytes[k].assign(static_cast<std::size_t>(step * rows[k]), kKept);
      for (std::size_t b = 0; source && b < bytes[k].size(); ++b)
        bytes[k][b] = static_cast<std::uint8_t>(b * 37 + k * 101 + 1);
      const bool up = bottomUp == k && rows[k] > 0;
      p.data = bytes[k].data() + (up ? (rows[k] - 1) * step : 0);
      p.stride = up ? -step : step;
      frame.planes[k] = p;
    }
  }
  tesselox_frame frame;
  std::vector<std::uint8_t> bytes[3];
  std::int32_t rowBytes[3], rows[3];
};

// What only the frame calls add to the core's planes: every plane's own size and fill, in the
// order given, planes stored bottom-up, planes left as they were without a fill, through both
// calls. One geometry: odd sizes, mirrored, phased, reaching outside on both axes.
TEST(CopyFrameApiTest, EveryPlaneFollowsTheModel) {
  constexpr std::int32_t P = TESSELOX_PLANAR, YUYV = TESSELOX_PACKED_422_LUMA_FIRST,
                         UYVY = TESSELOX_PACKED_422_LUMA_SECOND;
  struct Case {
    Format f;
    int dstBottomUp, srcBottomUp;
    bool filled, planned;
  };
  // clang-format off
  const Case cases[] = {
      {{"I420", 3, {{0, 0, 1, 0, 0, P}, {0, 0, 1, 1, 1, P}, {0, 0, 1, 1, 1, P}}}, 2, -1, true, false},
      {{"NV12", 2, {{0, 0, 1, 0, 0, P}, {0, 0, 2, 1, 1, P}}},                     -1, 1, false, true},
      {{"Y41B", 3, {{0, 0, 1, 0, 0, P}, {0, 0, 1, 2, 0, P}, {0, 0, 1, 2, 0, P}}}, 0, 0, true, true},
      {{"YUY2", 1, {{0, 0, 2, 0, 0, YUYV}}},                                      0, -1, true, false},
      {{"UYVY", 1, {{0, 0, 2, 0, 0, UYVY}}},                                      -1, 0, false, false},
      {{"Y210 + A", 2, {{0, 0, 4, 0, 0, YUYV}, {0, 0, 1, 0, 0, P}}},              1, 0, true, true},
  };
  // clang-format on
  const Geometry g{15, 9, 17, 11, {{14, -18, 2, 13, 3}, {-2, 10, 10, -7, -5}}};
  const std::uint8_t fills[3][8] = {{16, 17, 18, 19, 20, 21, 22, 23},
                                    {128, 129, 130, 131, 132, 133, 134, 135},
                                    {64, 65, 66, 67, 68, 69, 70, 71}};
  const std::uint8_t kept[8] = {kKept, kKept, kKept, kKept, kKept, kKept, kKept, kKept};
  const void* fill[3] = {fills[0], fills[1], fills[2]};
  const tesselox_request r = CRequestOf(g.request);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.f.name);
    const TestFrame src(c.f, g.srcW, g.srcH, true, c.srcBottomUp);
    TestFrame dst(c.f, g.dstW, g.dstH, false, c.dstBottomUp);
    tesselox_plan* plan = nullptr;
    ASSERT_EQ(tesselox_plan_create(&plan, g.dstW, g.dstH, g.srcW, g.srcH, &r), TESSELOX_OK);
    const void* const* given = c.filled ? fill : nullptr;
    const int status = c.planned ? tesselox_plan_draw_frame(plan, &dst.frame, &src.frame, given)
                                 : tesselox_copy_frame(&dst.frame, &src.frame, &r, given);
    tesselox_plan_destroy(plan);
    ASSERT_EQ(status, TESSELOX_OK);
    for (int k = 0; k < c.f.planes; ++k) {
      const tesselox_frame_plane& s = src.frame.planes[k];
      const PlaneView from{static_cast<std::uint8_t*>(s.data), g.srcW, g.srcH, s.stride,
                           s.pixel_bytes};
      const std::vector<std::uint8_t> want =
          s.packing == P
              ? ExpectedSubsampled(from, g.srcW, g.srcH, g.request, g.dstW, g.dstH, s.shift_x,
                                   s.shift_y, c.filled ? fills[k] : kept)
              : ExpectedPacked422(from, g.srcW, g.request, g.dstW, g.dstH,
                                  s.packing == YUYV ? 0 : 1, c.filled ? fills[k] : nullptr, kKept);
      const tesselox_frame_plane& d = dst.frame.planes[k];
      for (std::int32_t y = 0; y < dst.rows[k]; ++y) {
        const auto* row = static_cast<const std::uint8_t*>(d.data) + y * d.stride;
        ASSERT_TRUE(std::equal(row, row + dst.rowBytes[k], want.begin() + y * dst.rowBytes[k]))
            << "plane " << k << ", row " << y;
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
      {"packed stride short", [](tesselox_frame& d, tesselox_frame& s) {
           for (tesselox_frame* f : {&d, &s}) f->plane_count = 1, f->planes[0] = {f->planes[0].data, 12, 2, 0, 0, TESSELOX_PACKED_422_LUMA_FIRST};
           d.planes[0].stride = 8; }, TESSELOX_ERROR_STRIDE},
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
