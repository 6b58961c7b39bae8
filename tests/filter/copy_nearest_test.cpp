#include "filter/copy_nearest.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "guarded_buffer.h"
#include "reference_model.h"
#include "test_image.h"

namespace tesselox::test {
namespace {

// Through the documented twelve-argument entry, which every other test reaches through the
// request form.
void Copy(GuardedImage& dst, GuardedImage& src, const CopyRequest& a) {
  CopyNearest(dst.View(), a.x.corner, a.y.corner, a.x.extent, a.y.extent, src.View(),
              a.x.sourceCorner, a.y.sourceCorner, a.x.sourceExtent, a.y.sourceExtent, a.x.phase,
              a.y.phase);
}

std::string Describe(const CopyRequest& a, std::int32_t dw, std::int32_t dh, std::int32_t sw,
                     std::int32_t sh) {
  return "dst " + std::to_string(dw) + "x" + std::to_string(dh) + " src " + std::to_string(sw) +
         "x" + std::to_string(sh) + " " + test::Describe(a);
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

// 20000 random cases from `seed`: four image sizes (dw, dh, sw, sh) from the ranges in `sizes`,
// then a request whose ten values, drawn as DrawRequest draws them, lie within +-reach[k] (0 when
// reach[k] is 0). Stops at the first fatal failure.
template <typename Check>
void ForEachRandomCase(std::uint32_t seed, const std::array<int, 8>& sizes,
                       const std::array<int, 10>& reach, Check check) {
  std::mt19937 rng(seed);
  auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  for (int iteration = 0; iteration < 20000; ++iteration) {
    const std::int32_t dw = pick(sizes[0], sizes[1]), dh = pick(sizes[2], sizes[3]);
    const std::int32_t sw = pick(sizes[4], sizes[5]), sh = pick(sizes[6], sizes[7]);
    const CopyRequest a =
        DrawRequest([&](int k) { return reach[k] != 0 ? pick(-reach[k], reach[k]) : 0; });
    SCOPED_TRACE(Describe(a, dw, dh, sw, sh));
    check(dw, dh, sw, sh, a);
    if (::testing::Test::HasFatalFailure()) return;
  }
}

// Every destination pixel holds what the model says (phase 0), or stays blank.
void ExpectMatchesModel(const GuardedImage& dst, const GuardedImage& src, const CopyRequest& a) {
  ASSERT_TRUE(dst.GuardsIntact()) << "wrote outside the destination";
  for (std::int32_t y = 0; y < dst.Height(); ++y) {
    for (std::int32_t x = 0; x < dst.Width(); ++x) {
      const auto want = ModelSource(a, src.Width(), src.Height(), x, y);
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

TEST(CopyNearestTest, RowExamples) {
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

// Geometry cases checked against the model, on small images with every pixel compared.
TEST(CopyNearestTest, EdgeCasesMatchModel) {
  struct Case {
    const char* name;
    std::int32_t dw, dh, sw, sh;
    CopyRequest a;
  };
  const std::vector<Case> cases = {
      {"mirrored run starting at column W", 8, 4, 8, 4, {{8, -5, 0, 5, 0}, {0, 2, 0, 2, 0}}},
      {"mirrored rows starting at row H", 4, 8, 4, 8, {{0, 2, 0, 2, 0}, {8, -5, 0, 5, 0}}},
      {"destination wholly left", 8, 4, 8, 4, {{-5, 5, 0, 5, 0}, {0, 2, 0, 2, 0}}},
      {"destination wholly above", 8, 4, 8, 4, {{0, 3, 0, 3, 0}, {-4, 4, 0, 4, 0}}},
      {"source wholly right", 8, 4, 8, 4, {{0, 4, 8, 4, 0}, {0, 4, 0, 4, 0}}},
      {"source wholly left, mirrored", 8, 4, 8, 4, {{0, 4, -1, -4, 0}, {0, 4, 0, 4, 0}}},
      {"mirrored source past left edge", 8, 4, 8, 4, {{0, 8, 2, -8, 0}, {0, 4, 0, 4, 0}}},
      {"mirrored source past far edge", 8, 4, 8, 4, {{0, 8, 10, -8, 0}, {0, 4, 0, 4, 0}}},
      {"source left of image, upscaled", 8, 4, 8, 4, {{0, 8, -3, 5, 0}, {0, 4, 0, 4, 0}}},
      {"both mirrored", 6, 6, 6, 6, {{5, -6, 5, -6, 0}, {5, -6, 5, -6, 0}}},
      {"one by one", 5, 5, 5, 5, {{2, 1, 4, 3, 0}, {3, 1, 1, 3, 0}}},
      {"one by one, source outside", 5, 5, 5, 5, {{2, 1, 5, 3, 0}, {3, 1, 1, 3, 0}}},
      {"rectangle past every edge", 6, 5, 7, 4, {{-3, 12, -2, 11, 0}, {-2, 11, -1, 7, 0}}},
      {"mirrored past every edge", 6, 5, 7, 4, {{8, -12, 9, -11, 0}, {7, -11, 5, -7, 0}}},
      {"shrink 7 to 3", 10, 1, 10, 1, {{0, 3, 0, 7, 0}, {0, 1, 0, 1, 0}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    GuardedImage src(c.sw, c.sh, false);
    GuardedImage dst(c.dw, c.dh, true);
    Copy(dst, src, c.a);
    ExpectMatchesModel(dst, src, c.a);
  }
}

TEST(CopyNearestTest, ZeroExtentsAndEmptyImagesDrawNothing) {
  const std::vector<CopyRequest> zeroes = {{{0, 0, 0, 4, 0}, {0, 4, 0, 4, 0}},
                                           {{0, 4, 0, 4, 0}, {0, 0, 0, 4, 0}},
                                           {{0, 4, 0, 0, 0}, {0, 4, 0, 4, 0}},
                                           {{0, 4, 0, 4, 0}, {0, 4, 0, 0, 0}}};
  for (const auto& a : zeroes) {
    GuardedImage src(4, 4, false), dst(4, 4, true);
    Copy(dst, src, a);
    ExpectMatchesModel(dst, src, a);
  }
  for (auto [w, h] : {std::pair{0, 4}, std::pair{4, 0}, std::pair{0, 0}}) {
    GuardedImage empty(w, h, false), full(4, 4, false), dst(4, 4, true), blankDst(w, h, true);
    const CopyRequest a{{0, 4, 0, 4, 0}, {0, 4, 0, 4, 0}};
    Copy(dst, empty, a);      // empty source
    Copy(blankDst, full, a);  // empty destination
    EXPECT_TRUE(dst.GuardsIntact());
    EXPECT_TRUE(blankDst.GuardsIntact());
    for (std::int32_t y = 0; y < 4; ++y) {
      for (std::int32_t x = 0; x < 4; ++x) EXPECT_TRUE(IsZero(dst.At(x, y)));
    }
  }
}

// Random small geometry, phase 0: exactly the model's pixels are written.
TEST(CopyNearestTest, RandomGeometryMatchesModel) {
  ForEachRandomCase(
      20261207, {0, 9, 0, 7, 0, 9, 0, 7}, {12, 10, 20, 16, 12, 10, 20, 16, 0, 0},
      [](std::int32_t dw, std::int32_t dh, std::int32_t sw, std::int32_t sh, const CopyRequest& a) {
        GuardedImage src(sw, sh, false), dst(dw, dh, true);
        Copy(dst, src, a);
        ExpectMatchesModel(dst, src, a);
      });
}

// Random geometry with any phase: the same result as the plain walk, every written pixel in the
// destination and every read pixel from the source image (guards carry their own tag).
TEST(CopyNearestTest, RandomPhasesMatchReferenceWalk) {
  ForEachRandomCase(
      7, {1, 12, 1, 8, 1, 9, 1, 7}, {14, 10, 24, 16, 12, 10, 20, 16, 30, 30},
      [](std::int32_t dw, std::int32_t dh, std::int32_t sw, std::int32_t sh, const CopyRequest& a) {
        GuardedImage src(sw, sh, false), dst(dw, dh, true), want(dw, dh, true);
        Copy(dst, src, a);
        ReferenceCopy(want.View(), src.View(), a);
        ASSERT_TRUE(dst.GuardsIntact());
        for (std::int32_t y = 0; y < dh; ++y) {
          for (std::int32_t x = 0; x < dw; ++x) {
            ASSERT_EQ(dst.At(x, y), want.At(x, y)) << "at " << x << "," << y;
            if (!IsZero(dst.At(x, y))) {
              const auto from = TagOf(dst.At(x, y));
              ASSERT_TRUE(from && from->x < sw && from->y < sh) << "read outside the source";
            }
          }
        }
      });
}

// A phase pushes the far end of a run one source pixel past the image: the edge repeats, and
// the destination rectangle stays filled.
TEST(CopyNearestTest, PhaseOvershootRepeatsEdge) {
  struct Case {
    const char* name;
    CopyRequest a;
    std::int32_t sw, sh;
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
    GuardedImage src(c.sw, c.sh, false), dst(6, 6, true);
    Copy(dst, src, c.a);
    EXPECT_TRUE(dst.GuardsIntact());
    EXPECT_EQ(TagOf(dst.At(c.at.x, c.at.y)), c.want);
  }
}

// Any int32 values: no access outside either image, and where the model can be evaluated the
// result still matches it.
TEST(CopyNearestTest, ExtremeValuesStayInside) {
  const std::vector<std::int32_t> values = {INT_MIN, INT_MIN + 1, -65536, -7,          -1,     0, 1,
                                            3,       5,           65536,  INT_MAX - 1, INT_MAX};
  std::mt19937 rng(99);
  auto any = [&] {
    return values[std::uniform_int_distribution<std::size_t>(0, values.size() - 1)(rng)];
  };
  for (int iteration = 0; iteration < 20000; ++iteration) {
    CopyRequest a = DrawRequest([&](int k) { return k < 8 ? any() : 0; });
    if (iteration % 2 == 1) {
      a.x.phase = any();
      a.y.phase = any();
    }
    SCOPED_TRACE(Describe(a, 7, 5, 6, 4));
    GuardedImage src(6, 4, false), dst(7, 5, true);
    Copy(dst, src, a);
    ASSERT_TRUE(dst.GuardsIntact());
    ASSERT_TRUE(src.GuardsIntact());
    if (a.x.phase == 0 && a.y.phase == 0) {
      ExpectMatchesModel(dst, src, a);
      if (HasFatalFailure()) return;
    }
  }
}

}  // namespace
}  // namespace tesselox::test
