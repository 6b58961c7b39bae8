#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <vector>

#include "c_api.h"
#include "reference_model.h"
#include "test_frame.h"
#include "tesselox/tesselox.h"

namespace tesselox::test {
namespace {

constexpr std::uint8_t kKept = 0xA5;

// What only the frame calls add to the core's planes: every plane's own size and fill, in the
// order given, planes stored bottom-up, planes left as they were without a fill, through the
// calls: whole frames, and bands of luma rows drawn last band first (so that none leans on rows
// another drew), more bands than rows included. One geometry: odd sizes, mirrored, phased,
// reaching outside on both axes.
TEST(CopyFrameApiTest, EveryPlaneFollowsTheModel) {
  constexpr std::int32_t P = TESSELOX_PLANAR, YUYV = TESSELOX_PACKED_422_LUMA_FIRST,
                         UYVY = TESSELOX_PACKED_422_LUMA_SECOND;
  struct Case {
    const char* name;
    int planes;
    tesselox_frame_plane layout[3];     // data and stride set per frame
    unsigned dstBottomUp, srcBottomUp;  // a bit per plane
    bool filled;
    int bands;  // 0: tesselox_copy_frame, 1: tesselox_plan_draw_frame, more: in that many bands
  };
  // clang-format off
  const Case cases[] = {
      {"I420", 3, {{0, 0, 1, 0, 0, P}, {0, 0, 1, 1, 1, P}, {0, 0, 1, 1, 1, P}}, 4, 0, true, 0},
      {"NV12", 2, {{0, 0, 1, 0, 0, P}, {0, 0, 2, 1, 1, P}}, 2, 2, false, 3},
      {"Y41B", 3, {{0, 0, 1, 0, 0, P}, {0, 0, 1, 2, 0, P}, {0, 0, 1, 2, 0, P}}, 1, 1, true, 1},
      {"YUY2", 1, {{0, 0, 2, 0, 0, YUYV}}, 1, 0, true, 2},
      {"UYVY", 1, {{0, 0, 2, 0, 0, UYVY}}, 0, 1, false, 0},
      {"Y210 + A", 2, {{0, 0, 4, 0, 0, YUYV}, {0, 0, 1, 0, 0, P}}, 2, 1, true, 11},
  };
  // clang-format on
  const Geometry g{15, 9, 17, 11, {{14, -18, 2, 13, 3}, {-2, 10, 10, -7, -5}}};
  const std::uint8_t fills[3][8] = {{16, 17, 18, 19, 20, 21, 22, 23},
                                    {128, 129, 130, 131, 132, 133, 134, 135},
                                    {64, 65, 66, 67, 68, 69, 70, 71}};
  const void* fill[3] = {fills[0], fills[1], fills[2]};
  const tesselox_request r = CRequestOf(g.request);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TestFrame src(c.layout, c.planes, g.srcW, g.srcH, true, c.srcBottomUp, 3, 0);
    TestFrame dst(c.layout, c.planes, g.dstW, g.dstH, false, c.dstBottomUp, 3, kKept);
    tesselox_plan* plan = nullptr;
    ASSERT_EQ(tesselox_plan_create(&plan, g.dstW, g.dstH, g.srcW, g.srcH, &r), TESSELOX_OK);
    const void* const* given = c.filled ? fill : nullptr;
    int status = c.bands == 0   ? tesselox_copy_frame(&dst.frame, &src.frame, &r, given)
                 : c.bands == 1 ? tesselox_plan_draw_frame(plan, &dst.frame, &src.frame, given)
                                : TESSELOX_OK;
    for (int b = c.bands - 1; b >= 0 && c.bands > 1 && status == TESSELOX_OK; --b) {
      // Before the first band is drawn, its rows in every plane still hold what they held.
      for (int k = 0; k < c.planes && b == 0; ++k) {
        const tesselox_frame_plane& p = dst.frame.planes[k];
        const int owned = (g.dstH / c.bands + (1 << p.shift_y) - 1) >> p.shift_y;
        for (int y = 0; y < owned; ++y) {
          const auto* row = static_cast<const std::uint8_t*>(p.data) + y * p.stride;
          EXPECT_EQ(std::count(row, row + dst.rowBytes[k], kKept), dst.rowBytes[k])
              << "plane " << k << ", row " << y;
        }
      }
      status = tesselox_plan_draw_frame_rows(plan, &dst.frame, &src.frame, given,
                                             g.dstH * b / c.bands, g.dstH * (b + 1) / c.bands);
    }
    tesselox_plan_destroy(plan);
    ASSERT_EQ(status, TESSELOX_OK);
    for (int k = 0; k < c.planes; ++k)
      EXPECT_EQ(dst.WrongRow(k, src, g.request, c.filled ? fills[k] : nullptr, kKept), -1)
          << "plane " << k;
  }
}

// Frames the calls refuse, each with its status, the destination untouched.
TEST(CopyFrameApiTest, BadFramesAreRefused) {
  // A change to a pair of 5 x 5 I420 frames that is valid as made.
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
  const tesselox_frame_plane i420[3] = {{nullptr, 0, 1, 0, 0, TESSELOX_PLANAR},
                                        {nullptr, 0, 1, 1, 1, TESSELOX_PLANAR},
                                        {nullptr, 0, 1, 1, 1, TESSELOX_PLANAR}};
  const tesselox_request r{0, 0, 5, 5, 0, 0, 5, 5, 0, 0};
  const std::uint8_t black[2] = {16, 128};
  const void* fill[3] = {black, black + 1, black + 1};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestFrame dst(i420, 3, 5, 5, false, 0, 0, kKept);
    const TestFrame src(i420, 3, 5, 5, true, 0, 0, 0);
    tesselox_frame to = dst.frame, from = src.frame;
    c.change(to, from);
    tesselox_plan* plan = nullptr;
    ASSERT_EQ(tesselox_plan_create(&plan, 5, 5, 5, 5, &r), TESSELOX_OK);
    EXPECT_EQ(tesselox_plan_draw_frame(plan, &to, &from, fill), c.want) << "planned";
    tesselox_plan_destroy(plan);
    EXPECT_EQ(tesselox_copy_frame(&to, &from, &r, fill), c.want);
    if (c.want == TESSELOX_OK) continue;
    for (const std::vector<std::uint8_t>& plane : dst.bytes)
      EXPECT_EQ(std::count(plane.begin(), plane.end(), kKept), std::ssize(plane));
    EXPECT_STRNE(tesselox_error_text(c.want), tesselox_error_text(1));
  }
  const tesselox_frame none{0, 0, 1, {{nullptr, 0, 1, 0, 0, TESSELOX_PLANAR}}};
  EXPECT_EQ(tesselox_copy_frame(nullptr, &none, &r, nullptr), TESSELOX_ERROR_NULL_ARGUMENT);
  EXPECT_EQ(tesselox_copy_frame(&none, &none, nullptr, nullptr), TESSELOX_ERROR_NULL_ARGUMENT);
  EXPECT_EQ(tesselox_plan_draw_frame(nullptr, &none, &none, nullptr), TESSELOX_ERROR_NULL_ARGUMENT);
  tesselox_plan* plan = nullptr;
  ASSERT_EQ(tesselox_plan_create(&plan, 4, 4, 4, 4, &r), TESSELOX_OK);
  EXPECT_EQ(tesselox_plan_draw_frame(plan, &none, &none, nullptr), TESSELOX_ERROR_PLAN_SIZE);
  tesselox_plan_destroy(plan);
  ASSERT_EQ(tesselox_plan_create(&plan, 0, 0, 0, 0, &r), TESSELOX_OK);
  EXPECT_EQ(tesselox_plan_draw_frame_rows(plan, &none, &none, nullptr, 0, 1), TESSELOX_ERROR_ROWS);
  EXPECT_EQ(tesselox_plan_draw_frame_rows(plan, &none, &none, nullptr, 0, 0), TESSELOX_OK);
  tesselox_plan_destroy(plan);
}

}  // namespace
}  // namespace tesselox::test
