#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstdint>
#include <random>
#include <utility>
#include <vector>

#include "c_api.h"
#include "guarded_buffer.h"
#include "reference_model.h"
#include "source_model.h"
#include "test_image.h"

namespace tesselox::test {
namespace {

// tesselox_copy_plane on six-byte planes without a fill: only the pixels it draws change.
void Copy(GuardedImage& dst, GuardedImage& src, const CopyRequest& request) {
  ASSERT_EQ(CopyImage(dst.View(), src.View(), request), TESSELOX_OK);
}

// A request of ten values drawn one after the other, draw(k) for k = 0..9: destination corner,
// destination extent, source corner, source extent, each x then y, then the phases (the order the
// random cases were first drawn in, which keeps them the same cases).
template <typename Draw>
CopyRequest DrawRequest(Draw draw) {
  std::int32_t v[10];
  for (int k = 0; k < 10; ++k) v[k] = draw(k);
  return CopyRequest{{v[0], v[2], v[4], v[6], v[8]}, {v[1], v[3], v[5], v[7], v[9]}};
}

// Copies src into a blank dst; then every destination pixel holds what the model says, or stays
// blank, and nothing outside either image changed. Fatal on the first wrong pixel.
void CopyAndCheck(const Geometry& g) {
  GuardedImage src(g.srcW, g.srcH, false), dst(g.dstW, g.dstH, true);
  Copy(dst, src, g.request);
  ASSERT_TRUE(dst.GuardsIntact()) << "wrote outside the destination";
  ASSERT_TRUE(src.GuardsIntact()) << "wrote into the source's guards";
  const SourceModel model(g.request, g.dstW, g.dstH, g.srcW, g.srcH);
  for (std::int32_t y = 0; y < g.dstH; ++y) {
    for (std::int32_t x = 0; x < g.dstW; ++x) {
      const auto want = model.At(x, y);
      const Pixel& got = dst.At(x, y);
      if (want) {
        ASSERT_EQ(TagOf(got), want) << "at " << x << "," << y;
      } else {
        ASSERT_TRUE(IsZero(got)) << "wrote " << x << "," << y << " outside the rectangle";
      }
    }
  }
}

// One row of 10 pixels copied into one row of `dstWidth`; the pairs are dst column -> src column.
struct RowExample {
  const char* name;
  std::int32_t scx, dcx, dx, sx, px, dstWidth;
  std::vector<std::pair<std::int32_t, std::int32_t>> pairs;
};

TEST(CopyPlaneTest, RowExamples) {
  const std::vector<RowExample> examples = {
      {"double", 2, 4, 0, 0, 0, 10, {{0, 0}, {1, 0}, {2, 1}, {3, 1}}},
      {"mirrored destination", 2, -4, 5, 0, 0, 10, {{5, 0}, {4, 0}, {3, 1}, {2, 1}}},
      {"mirrored, first index clipped", 2, -4, 6, 0, 0, 6, {{5, 0}, {4, 1}, {3, 1}}},
      {"destination left of image", 6, 6, -3, 0, 0, 10, {{0, 3}, {1, 4}, {2, 5}}},
      {"shrink 5 to 2", 5, 2, 0, 0, 0, 10, {{0, 0}, {1, 2}}},
      {"mirrored source", -3, 3, 0, 2, 0, 10, {{0, 2}, {1, 1}, {2, 0}}},
      {"source left of image", 4, 8, 0, -2, 0, 10, {{4, 0}, {5, 0}, {6, 1}, {7, 1}}},
      {"phase 0", 3, 6, 0, 0, 0, 10, {{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}, {5, 2}}},
      {"phase 2 is phase 0", 3, 6, 0, 0, 2, 10, {{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}, {5, 2}}},
      {"phase 1", 3, 6, 0, 0, 1, 10, {{0, 0}, {1, 1}, {2, 1}, {3, 2}, {4, 2}, {5, 3}}},
      {"phase 3 is phase 1", 3, 6, 0, 0, 3, 10, {{0, 0}, {1, 1}, {2, 1}, {3, 2}, {4, 2}, {5, 3}}},
      {"shrink 7 to 3", 7, 3, 0, 0, 0, 10, {{0, 0}, {1, 2}, {2, 4}}},
  };
  for (const auto& e : examples) {
    SCOPED_TRACE(e.name);
    GuardedImage src(10, 1, false);
    GuardedImage dst(e.dstWidth, 1, true);
    Copy(dst, src, CopyRequest{{e.dx, e.dcx, e.sx, e.scx, e.px}, {0, 1, 0, 1, 0}});
    EXPECT_TRUE(dst.GuardsIntact());
    std::vector<bool> written(static_cast<std::size_t>(e.dstWidth), false);
    for (const auto& [d, s] : e.pairs) {
      EXPECT_EQ(TagOf(dst.At(d, 0)), (Position{s, 0})) << "destination column " << d;
      written[static_cast<std::size_t>(d)] = true;
    }
    for (std::int32_t x = 0; x < e.dstWidth; ++x) {
      if (!written[static_cast<std::size_t>(x)]) {
        EXPECT_TRUE(IsZero(dst.At(x, 0))) << "column " << x;
      }
    }
  }
}

// Geometry cases on small images, every pixel against the model.
TEST(CopyPlaneTest, EdgeCasesMatchModel) {
  struct Case {
    const char* name;
    Geometry g;  // dstW, dstH, srcW, srcH, request
  };
  const CopyRequest whole{{0, 4, 0, 4, 0}, {0, 4, 0, 4, 0}};
  // clang-format off
  const std::vector<Case> cases = {
      {"mirrored run starting at column W", {8, 4, 8, 4, {{8, -5, 0, 5, 0}, {0, 2, 0, 2, 0}}}},
      {"mirrored rows starting at row H",   {4, 8, 4, 8, {{0, 2, 0, 2, 0}, {8, -5, 0, 5, 0}}}},
      {"destination wholly left",           {8, 4, 8, 4, {{-5, 5, 0, 5, 0}, {0, 2, 0, 2, 0}}}},
      {"destination wholly above",          {8, 4, 8, 4, {{0, 3, 0, 3, 0}, {-4, 4, 0, 4, 0}}}},
      {"source wholly right",               {8, 4, 8, 4, {{0, 4, 8, 4, 0}, {0, 4, 0, 4, 0}}}},
      {"source wholly left, mirrored",      {8, 4, 8, 4, {{0, 4, -1, -4, 0}, {0, 4, 0, 4, 0}}}},
      {"mirrored source past left edge",    {8, 4, 8, 4, {{0, 8, 2, -8, 0}, {0, 4, 0, 4, 0}}}},
      {"mirrored source past far edge",     {8, 4, 8, 4, {{0, 8, 10, -8, 0}, {0, 4, 0, 4, 0}}}},
      {"source left of image, upscaled",    {8, 4, 8, 4, {{0, 8, -3, 5, 0}, {0, 4, 0, 4, 0}}}},
      {"both mirrored",                     {6, 6, 6, 6, {{5, -6, 5, -6, 0}, {5, -6, 5, -6, 0}}}},
      {"one by one",                        {5, 5, 5, 5, {{2, 1, 4, 3, 0}, {3, 1, 1, 3, 0}}}},
      {"one by one, source outside",        {5, 5, 5, 5, {{2, 1, 5, 3, 0}, {3, 1, 1, 3, 0}}}},
      {"rectangle past every edge",         {6, 5, 7, 4, {{-3, 12, -2, 11, 0}, {-2, 11, -1, 7, 0}}}},
      {"mirrored past every edge",          {6, 5, 7, 4, {{8, -12, 9, -11, 0}, {7, -11, 5, -7, 0}}}},
      {"shrink 7 to 3",                     {10, 1, 10, 1, {{0, 3, 0, 7, 0}, {0, 1, 0, 1, 0}}}},
      {"zero destination width",            {4, 4, 4, 4, {{0, 0, 0, 4, 0}, {0, 4, 0, 4, 0}}}},
      {"zero destination height",           {4, 4, 4, 4, {{0, 4, 0, 4, 0}, {0, 0, 0, 4, 0}}}},
      {"zero source width",                 {4, 4, 4, 4, {{0, 4, 0, 0, 0}, {0, 4, 0, 4, 0}}}},
      {"zero source height",                {4, 4, 4, 4, {{0, 4, 0, 4, 0}, {0, 4, 0, 0, 0}}}},
      {"empty source image",                {4, 4, 0, 4, whole}},
      {"source image of no lines",          {4, 4, 4, 0, whole}},
      {"empty destination image",           {0, 0, 4, 4, whole}},
      {"destination of no columns",         {0, 4, 4, 4, whole}},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CopyAndCheck(c.g);
  }
}

// Random small geometry, every pixel against the model: phase 0 with empty images among the
// sizes, then any phase. Each row: a seed, the ranges of dstW, dstH, srcW, srcH, and how far
// each of the ten values DrawRequest draws may reach either side of 0.
TEST(CopyPlaneTest, RandomGeometryMatchesModel) {
  struct Case {
    std::uint32_t seed;
    std::array<int, 8> sizes;
    std::array<int, 10> reach;
  };
  // clang-format off
  const Case cases[] = {
      {20261207, {0, 9, 0, 7, 0, 9, 0, 7}, {12, 10, 20, 16, 12, 10, 20, 16, 0, 0}},
      {7,        {1, 12, 1, 8, 1, 9, 1, 7}, {14, 10, 24, 16, 12, 10, 20, 16, 30, 30}},
  };
  // clang-format on
  for (const Case& c : cases) {
    std::mt19937 rng(c.seed);
    auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (int iteration = 0; iteration < 20000; ++iteration) {
      auto draw = [&](int k) { return c.reach[k] ? pick(-c.reach[k], c.reach[k]) : 0; };
      const Geometry g{pick(c.sizes[0], c.sizes[1]), pick(c.sizes[2], c.sizes[3]),
                       pick(c.sizes[4], c.sizes[5]), pick(c.sizes[6], c.sizes[7]),
                       DrawRequest(draw)};
      SCOPED_TRACE(Describe(g));
      CopyAndCheck(g);
      if (HasFatalFailure()) return;
    }
  }
}

// A phase pushes the far end of a run one source pixel past the image: the edge repeats, and
// the destination rectangle stays filled.
TEST(CopyPlaneTest, PhaseOvershootRepeatsEdge) {
  struct Case {
    const char* name;
    CopyRequest request;
    std::int32_t srcW, srcH;
    Position at;    // destination pixel that would read past the source
    Position want;  // the edge pixel it takes instead
  };
  const std::vector<Case> cases = {
      {"columns", {{0, 6, 0, 3, 1}, {0, 1, 0, 1, 0}}, 3, 1, {5, 0}, {2, 0}},
      {"rows", {{0, 1, 0, 1, 0}, {0, 6, 0, 3, 1}}, 1, 3, {0, 5}, {0, 2}},
      {"mirrored source", {{0, 6, 2, -3, 1}, {0, 1, 0, 1, 0}}, 3, 1, {5, 0}, {0, 0}},
      {"mirrored destination", {{5, -6, 0, 3, 1}, {0, 1, 0, 1, 0}}, 3, 1, {0, 0}, {2, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    GuardedImage src(c.srcW, c.srcH, false), dst(6, 6, true);
    Copy(dst, src, c.request);
    EXPECT_TRUE(dst.GuardsIntact());
    EXPECT_EQ(TagOf(dst.At(c.at.x, c.at.y)), c.want);
  }
}

// Any int32 values: no access outside either image, and the model's result.
TEST(CopyPlaneTest, ExtremeValuesStayInside) {
  const std::vector<std::int32_t> values = {INT_MIN, INT_MIN + 1, -65536, -7,          -1,     0, 1,
                                            3,       5,           65536,  INT_MAX - 1, INT_MAX};
  std::mt19937 rng(99);
  auto any = [&] {
    return values[std::uniform_int_distribution<std::size_t>(0, values.size() - 1)(rng)];
  };
  for (int iteration = 0; iteration < 20000; ++iteration) {
    Geometry g{7, 5, 6, 4, DrawRequest([&](int k) { return k < 8 ? any() : 0; })};
    if (iteration % 2 == 1) {
      g.request.x.phase = any();
      g.request.y.phase = any();
    }
    SCOPED_TRACE(Describe(g));
    CopyAndCheck(g);
    if (HasFatalFailure()) return;
  }
}

}  // namespace
}  // namespace tesselox::test
