#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "filter/copy_plan.h"
#include "filter/execute_copy.h"
#include "filter/gather_blocks.h"
#include "filter/row_copy.h"
#include "filter/row_routine.h"
#include "c_api.h"
#include "guarded_buffer.h"
#include "kernels.h"
#include "reference_model.h"
#include "test_image.h"

namespace tesselox::test {
namespace {

const Pixel kDirt{{0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5}};

// The plan of a copy between images of the geometry's sizes (planning reads only the sizes).
CopyPlan Plan(const Geometry& g) {
  return PlanCopy({g.dstW, g.dstH}, {g.srcW, g.srcH}, g.request);
}

// The routines in the table, by id.
const RowRoutineEntry& Routine(RowRoutine id) {
  for (const RowRoutineEntry& r : RowRoutines()) {
    if (r.id == id) return r;
  }
  ADD_FAILURE() << "no routine " << static_cast<int>(id);
  return RowRoutines().back();
}

// Extents in the ratios the fast paths look for (1:1, integer shrink, 2x and other integer
// enlargements) as well as any ratio, with random signs.
class GeometrySource {
 public:
  explicit GeometrySource(std::uint32_t seed) : rng_(seed) {}

  int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }

  // A pair of signed extents (destination, source) along one axis.
  std::pair<std::int32_t, std::int32_t> Extents(int maxSource) {
    int s = Pick(1, maxSource);
    int d = s;
    switch (Pick(0, 5)) {
      case 0:  // 1:1
        break;
      case 1:  // integer shrink
        d = Pick(1, std::max(1, maxSource / 2));
        s = d * Pick(2, 4);
        break;
      case 2:  // 2x
        d = 2 * s;
        break;
      case 3:  // other integer enlargement
        d = s * Pick(3, 5);
        break;
      case 4:  // close to 1:1
        s = Pick(4, std::max(4, maxSource));
        d = s + (Pick(0, 1) ? 1 : -1) * Pick(1, s / 4);
        break;
      default:
        d = Pick(1, 3 * maxSource);
        break;
    }
    const int ds = Pick(0, 1) ? -1 : 1;
    const int ss = Pick(0, 1) ? -1 : 1;
    return {ds * d, ss * s};
  }

  std::int32_t Phase() {
    switch (Pick(0, 5)) {
      case 0:
        return 0;
      case 1:
        return Pick(0, 1) ? INT_MIN : INT_MAX;
      default:
        return Pick(-60, 60);
    }
  }

  Geometry Next(int maxW, int maxH) {
    Geometry g{};
    g.dstW = Pick(1, maxW);
    g.dstH = Pick(1, maxH);
    g.srcW = Pick(1, maxW);
    g.srcH = Pick(1, maxH);
    const auto [dcx, scx] = Extents(maxW);
    const auto [dcy, scy] = Extents(maxH);
    // Corners mostly inside the images, sometimes around and beyond them, so that every
    // clipping rule comes into play.
    auto corner = [this](int size, int max) {
      return Pick(0, 2) != 0 ? Pick(0, size - 1) : Pick(-max, 2 * max);
    };
    // Drawn in this order: the cases depend on it.
    const std::int32_t dx = corner(g.dstW, maxW), dy = corner(g.dstH, maxH);
    const std::int32_t sx = corner(g.srcW, maxW), sy = corner(g.srcH, maxH);
    const std::int32_t px = Phase(), py = Phase();
    g.request = CopyRequest{{dx, dcx, sx, scx, px}, {dy, dcy, sy, scy, py}};
    return g;
  }

 private:
  std::mt19937 rng_;
};

// Calls `check` with every random geometry of `iterations` from `seed` that draws something.
template <typename Check>
void ForEachDrawnGeometry(std::uint32_t seed, int iterations, int maxW, int maxH, Check check) {
  GeometrySource source(seed);
  for (int iteration = 0; iteration < iterations; ++iteration) {
    const Geometry g = source.Next(maxW, maxH);
    SCOPED_TRACE(Describe(g));
    const CopyPlan plan = Plan(g);
    if (!plan.draw) continue;
    check(g, plan);
    if (::testing::Test::HasFatalFailure()) return;
  }
}

// The routine `id` where it fits the columns, else Map, which fits anything.
const RowRoutineEntry& Forced(RowRoutine id, const AxisPlan& x) {
  const RowRoutineEntry& r = Routine(id);
  return r.fits(x) ? r : RowRoutines().back();
}

// Runs `routine` (forced: Map where it does not fit) on the geometry and compares the whole
// destination, guards included, with the model. Returns false (after reporting) on the
// first difference.
bool MatchesModel(const Geometry& g, RowRoutine id, Kernels kernels = Kernels::Fastest) {
  const UseKernels use(kernels);
  GuardedImage src(g.srcW, g.srcH, false), got(g.dstW, g.dstH, true), want(g.dstW, g.dstH, true);
  const CopyPlan plan = Plan(g);
  const char* name = Routine(id).name;
  const RowRoutineEntry& routine = Forced(id, plan.x);
  EXPECT_TRUE(kernels != Kernels::Plain || routine.kernel == routine.plainKernel) << name;
  if (plan.draw) ExecuteCopy(got.View(), src.View(), plan, routine);
  ReferenceCopy(want.View(), src.View(), g.request);
  EXPECT_TRUE(got.GuardsIntact()) << name << " wrote outside the image";
  EXPECT_TRUE(src.GuardsIntact());
  for (std::int32_t y = 0; y < g.dstH; ++y) {
    for (std::int32_t x = 0; x < g.dstW; ++x) {
      if (!(got.At(x, y) == want.At(x, y))) {
        ADD_FAILURE() << name << " differs at " << x << "," << y;
        return false;
      }
    }
  }
  return got.GuardsIntact();
}

// Every routine that claims to fit a plan gives the model's result, and the random shapes
// reach every routine many times.
TEST(FastPathsTest, EveryFittingRoutineMatchesModel) {
  std::map<RowRoutine, int> tried;
  std::map<RowRoutine, int> chosen;
  ForEachDrawnGeometry(5150, 20000, 14, 7, [&](const Geometry& g, const CopyPlan& plan) {
    ++chosen[PickRowRoutine(plan.x).id];
    for (const RowRoutineEntry& r : RowRoutines()) {
      if (!r.fits(plan.x)) continue;
      ++tried[r.id];
      ASSERT_TRUE(MatchesModel(g, r.id, Kernels::Plain));
      ASSERT_TRUE(MatchesModel(g, r.id, Kernels::Fastest));
    }
  });
  for (const RowRoutineEntry& r : RowRoutines()) {
    SCOPED_TRACE(r.name);
    EXPECT_GE(tried[r.id], 300);
    EXPECT_GE(chosen[r.id], 100);
  }
}

// Forcing a routine on a plan it does not fit must still draw correctly (it falls back).
TEST(FastPathsTest, UnfittingRoutineFallsBackToMap) {
  int checked = 0;
  ForEachDrawnGeometry(77, 4000, 12, 6, [&](const Geometry& g, const CopyPlan& plan) {
    for (const RowRoutineEntry& r : RowRoutines()) {
      if (r.fits(plan.x)) continue;
      ++checked;
      ASSERT_TRUE(MatchesModel(g, r.id));
    }
  });
  EXPECT_GT(checked, 1000);
}

TEST(FastPathsTest, DispatcherPicksRoutineByShape) {
  struct Case {
    const char* name;
    std::int32_t dcx, scx, dx, sx, px;
    RowRoutine want;
  };
  // Source and destination 64 wide.
  const std::vector<Case> cases = {
      {"1:1", 16, 16, 0, 0, 0, RowRoutine::Copy},
      {"1:1, both mirrored", -16, -16, 20, 20, 0, RowRoutine::Copy},
      {"1:1 with a phase", 16, 16, 0, 0, 5, RowRoutine::Copy},
      {"mirrored source", 16, -16, 0, 20, 0, RowRoutine::Reverse},
      {"mirrored destination", -16, 16, 20, 0, 0, RowRoutine::Reverse},
      {"shrink 3", 8, 24, 0, 0, 0, RowRoutine::Strided},
      {"shrink 2, mirrored", -8, 16, 20, 0, 3, RowRoutine::Strided},
      {"2x", 32, 16, 0, 0, 0, RowRoutine::RepeatTwice},
      {"2x with phase", 32, 16, 0, 0, 1, RowRoutine::RepeatTwice},
      {"2x, mirrored source", 32, -16, 0, 20, 0, RowRoutine::RepeatTwice},
      {"3x", 48, 16, 0, 0, 2, RowRoutine::Repeat},
      {"2x, mirrored destination", -32, 16, 40, 0, 0, RowRoutine::Map},
      {"shrink 7 to 3", 3, 7, 0, 0, 0, RowRoutine::Map},
      {"enlarge 3 to 5", 5, 3, 0, 0, 0, RowRoutine::Map},
      {"enlarge 10 to 11", 11, 10, 0, 0, 0, RowRoutine::Runs},
      {"shrink 9 to 8, both mirrored", -8, -9, 20, 20, 3, RowRoutine::Runs},
      {"enlarge 10 to 11, mirrored", 11, -10, 0, 20, 0, RowRoutine::Map},
      {"shrink 5 to 4", 4, 5, 0, 0, 0, RowRoutine::Runs},
      {"shrink 4 to 3", 3, 4, 0, 0, 0, RowRoutine::Map},
      {"1:1, phase, source clipped", 16, 16, 0, -4, 1, RowRoutine::Copy},
      // A phase carries the last pixels past the source edge; the edge repeat follows the runs.
      {"2x past the source edge", 32, 16, 0, 56, 1, RowRoutine::RepeatTwice},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const CopyPlan plan =
        Plan(Geometry{64, 1, 64, 1, {{c.dx, c.dcx, c.sx, c.scx, c.px}, {0, 1, 0, 1, 0}}});
    ASSERT_TRUE(plan.draw);
    EXPECT_STREQ(PickRowRoutine(plan.x).name, Routine(c.want).name);
  }
}

// Rows wider than the column map's chunk, every direction and ratio, against the model. Three
// rows each.
TEST(FastPathsTest, WideRowsCrossColumnMapChunks) {
  struct Case {
    const char* name;
    std::int32_t dstW, srcW;
    CopyRequest request;
  };
  const std::int32_t w = 2 * kColumnMapChunk + 300;
  // clang-format off
  const std::vector<Case> cases = {
      {"shrink 7 to 3", w, 3 * w, {{0, w, 0, 7 * w / 3, 0}, {0, 3, 0, 3, 0}}},
      {"mirrored destination, enlarge", w, w / 2, {{w - 1, -w, 0, w / 2 + 7, 3}, {0, 3, 0, 3, 1}}},
      {"mirrored source, clipped", w, w, {{-90, w + 500, w - 1, -w + 17, 11}, {0, 3, 0, 3, 0}}},
      {"mirrored both, phase past edge", w, w / 3, {{w - 5, -w - 40, w / 3 - 1, -(w / 3), 977}, {2, -3, 2, -2, 1}}},
      {"2x, mirrored destination", w, w / 2, {{w - 1, -w, 0, w / 2, 1}, {0, 3, 0, 3, 0}}},
      {"1:1", w, w, {{0, w, 0, w, 0}, {0, 3, 0, 3, 0}}},
      {"mirrored 1:1, odd start", w, w, {{w - 2, -w + 3, 1, w - 3, 0}, {0, 3, 0, 3, 0}}},
      {"near 1:1, clipped", w, w, {{-100, w + 212, 0, w, 0}, {0, 3, 0, 3, 0}}},
      {"shrink 9 to 4, mirrored destination", w, 3 * w, {{w - 1, -w, 0, 9 * w / 4, 0}, {0, 3, 0, 3, 0}}},
      {"shrink 50 to 1, sources too far apart for byte deltas", w / 40, w, {{0, w / 50, 0, w, 0}, {0, 3, 0, 3, 0}}},
      {"shrink 7 to 1, just within byte deltas, phase past the edge", w / 7, w, {{0, w / 7, 0, w, 5}, {0, 3, 0, 3, 0}}},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Geometry g{c.dstW, 3, c.srcW, 3, c.request};
    const CopyPlan plan = Plan(g);
    ASSERT_TRUE(plan.draw);
    EXPECT_TRUE(MatchesModel(g, PickRowRoutine(plan.x).id, Kernels::Plain));
    EXPECT_TRUE(MatchesModel(g, PickRowRoutine(plan.x).id, Kernels::Fastest));
    EXPECT_TRUE(MatchesModel(g, RowRoutine::Map));
  }
}

// Images that fill their buffers exactly, so that the address sanitizer sees any read or write
// past either image (wide rows that the vector twins take in blocks, wide runs moved 16 bytes at
// a time).
TEST(FastPathsTest, ExactBuffersAreNotOverrun) {
  GeometrySource source(31337);
  for (int iteration = 0; iteration < 3000; ++iteration) {
    const Geometry g = source.Next(iteration % 2 == 0 ? 9 : 70, 5);
    SCOPED_TRACE(Describe(g));
    std::vector<Pixel> srcPixels(static_cast<std::size_t>(g.srcW) * g.srcH);
    for (std::int32_t y = 0; y < g.srcH; ++y) {
      for (std::int32_t x = 0; x < g.srcW; ++x) {
        srcPixels[static_cast<std::size_t>(y * g.srcW + x)] = Tagged(x, y);
      }
    }
    std::vector<Pixel> want(static_cast<std::size_t>(g.dstW) * g.dstH);
    const PlaneView src = ViewOf(srcPixels.data(), g.srcW, g.srcH, g.srcW);
    ReferenceCopy(ViewOf(want.data(), g.dstW, g.dstH, g.dstW), src, g.request);
    const CopyPlan plan = Plan(g);
    if (!plan.draw) continue;
    for (Kernels kernels : kEveryKernels) {
      const UseKernels use(kernels);
      for (const RowRoutineEntry& r : RowRoutines()) {
        if (!r.fits(plan.x)) continue;
        std::vector<Pixel> got(want.size());
        ExecuteCopy(ViewOf(got.data(), g.dstW, g.dstH, g.dstW), src, plan, r);
        ASSERT_TRUE(got == want) << r.name << ", kernels " << static_cast<int>(kernels);
      }
    }
  }
}

TEST(FastPathsTest, BlockShapeNamesTheRepeatedPixel) {
  struct Case {
    const char* name;
    std::int32_t map[8];
    int want;
  };
  const std::vector<Case> cases = {
      {"consecutive", {5, 6, 7, 8, 9, 10, 11, 12}, 0},
      {"second repeats first", {5, 5, 6, 7, 8, 9, 10, 11}, 1},
      {"last repeats", {5, 6, 7, 8, 9, 10, 11, 11}, 7},
      {"two repeats", {5, 5, 6, 6, 7, 8, 9, 10}, -1},
      {"a skip", {5, 6, 8, 9, 10, 11, 12, 13}, -1},
      {"skip and repeat", {5, 6, 8, 8, 9, 10, 11, 12}, -1},
      {"leftwards", {12, 11, 10, 9, 8, 7, 6, 5}, -1},
      {"all the same", {3, 3, 3, 3, 3, 3, 3, 3}, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(BlockShape(c.map), c.want);
  }
}

// The block form of a column map: which blocks the vector gather may read eight bytes a pixel,
// and that both gathers give row[map[k]], read nothing past the row, and zero their share of a
// clear without touching the run.
TEST(FastPathsTest, GatherBlocksFollowTheColumnMap) {
  struct Case {
    const char* name;
    std::int32_t width;  // of the source row
    std::vector<std::int32_t> map;
    std::vector<bool> fast;  // per whole block
  };
  auto walk = [](std::int32_t count, std::int32_t first, std::int32_t num, std::int32_t den) {
    std::vector<std::int32_t> map;
    for (std::int32_t k = 0; k < count; ++k) map.push_back(first + k * num / den);
    return map;
  };
  const std::vector<Case> cases = {
      {"consecutive, short tail", 20, walk(11, 0, 1, 1), {true}},
      {"shrink 7 to 3", 48, walk(19, 1, 7, 3), {true, true}},
      {"mirrored shrink 9 to 4", 64, walk(16, 40, -9, 4), {true, true}},
      {"a span of 42 columns fits", 50, walk(8, 0, 6, 1), {true}},
      {"a span of 43 does not", 50, walk(8, 0, 43, 7), {false}},
      {"the row's last pixel", 16, walk(16, 0, 1, 1), {true, false}},
      {"the edge repeated", 10, {3, 4, 5, 6, 7, 8, 9, 9, 9}, {false}},
      {"one column", 10, std::vector<std::int32_t>(17, 4), {true, true}},
      {"a shrink by 50", 600, walk(10, 2, 50, 1), {false}},
      {"too short for a block", 10, {0, 2, 4, 6, 8}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto n = static_cast<std::ptrdiff_t>(c.map.size());
    // The row fills its allocation exactly, so the address sanitizer sees any read past it.
    std::vector<Pixel> row(static_cast<std::size_t>(c.width));
    for (std::int32_t x = 0; x < c.width; ++x) row[static_cast<std::size_t>(x)] = Tagged(x, 0);
    std::vector<GatherBlock> blocks(c.map.size() / 8);
    BuildGatherBlocks(c.map.data(), n, c.width - 1, blocks.data());
    ASSERT_EQ(blocks.size(), c.fast.size());
    for (std::size_t b = 0; b < blocks.size(); ++b) {
      EXPECT_EQ(blocks[b].base >= 0, c.fast[b]) << "block " << b;
      if (blocks[b].base < 0) continue;
      for (std::size_t t = 0; t < 8; ++t) {
        EXPECT_EQ(blocks[b].base + blocks[b].delta[t], 6 * c.map[8 * b + t]) << b << ", " << t;
      }
    }
    // The run in the middle line of a dirty three-line buffer that a clear of everything else
    // shares with the gather, at offsets that move it across 16-byte and 64-byte boundaries.
    for (std::ptrdiff_t left : {0, 1, 3, 8, 11}) {
      for (int twin = 0; twin < (HaveAvx() ? 3 : 1); ++twin) {
        for (int linesPerBlock : {0, 1, 8}) {
          SCOPED_TRACE(std::string(twin == 0   ? "plain"
                                   : twin == 1 ? "streamed"
                                               : "cached") +
                       ", left " + std::to_string(left) + ", lines per block " +
                       std::to_string(linesPerBlock));
          const std::ptrdiff_t stride = n + 19;
          std::vector<Pixel> buffer(static_cast<std::size_t>(3 * stride + 2), kDirt);
          Pixel* frame = buffer.data() + 1;
          Pixel* out = frame + stride + left;
          ClearStream clear(frame, stride, 3, PixelRect{left, 1, n, 1});
          if (twin == 0) {
            GatherBlocks(out, row.data(), blocks.data(), c.map.data(), n, &clear, linesPerBlock);
          } else {
#ifdef TESSELOX_X86
            // The prefetch distance may point anywhere, even outside the row.
            GatherBlocksAvx(out, row.data(), blocks.data(), c.map.data(), n, -(1 << 20), &clear,
                            linesPerBlock, twin == 1);
#endif
          }
          clear.Finish();
          EXPECT_EQ(buffer.front(), kDirt);
          EXPECT_EQ(buffer.back(), kDirt);
          for (std::ptrdiff_t k = 0; k < 3 * stride; ++k) {
            const std::ptrdiff_t x = k % stride - left;
            if (k / stride == 1 && x >= 0 && x < n) {
              EXPECT_EQ(TagOf(frame[k]), (Position{c.map[static_cast<std::size_t>(x)], 0})) << x;
            } else {
              EXPECT_TRUE(IsZero(frame[k])) << "not cleared at " << k;
            }
          }
        }
      }
    }
  }
}

// ExecuteCopy carrying out a clear of everything around what it draws, with every routine that
// fits and both twins: the same as a full clear followed by the model's copy.
TEST(FastPathsTest, CopyWithClearEqualsClearThenModel) {
  GeometrySource source(6060);
  int spread = 0;
  for (int iteration = 0; iteration < 3000; ++iteration) {
    const Geometry g = source.Next(iteration % 2 == 0 ? 20 : 90, 6);
    SCOPED_TRACE(Describe(g));
    GuardedImage src(g.srcW, g.srcH, false);
    std::vector<Pixel> want(static_cast<std::size_t>(g.dstW) * g.dstH);
    const PlaneView wantView = ViewOf(want.data(), g.dstW, g.dstH, g.dstW);
    ReferenceCopy(wantView, src.View(), g.request);
    const CopyPlan plan = Plan(g);
    if (!plan.draw) continue;
    const PixelRect drawn = DrawnRect(plan);
    for (Kernels kernels : kEveryKernels) {
      const UseKernels use(kernels);
      for (const RowRoutineEntry& r : RowRoutines()) {
        if (!r.fits(plan.x)) continue;
        spread += r.clearsAlongRows && kernels == Kernels::Plain ? 1 : 0;
        std::vector<Pixel> got(want.size() + 2, kDirt);
        const PlaneView gotView = ViewOf(got.data() + 1, g.dstW, g.dstH, g.dstW);
        ClearStream clear(got.data() + 1, g.dstW, g.dstH, drawn);
        ExecuteCopy(gotView, src.View(), plan, r, &clear);
        ASSERT_EQ(got.front(), kDirt);
        ASSERT_EQ(got.back(), kDirt);
        ASSERT_TRUE(std::equal(want.begin(), want.end(), got.begin() + 1))
            << r.name << ", kernels " << static_cast<int>(kernels);
      }
    }
  }
  EXPECT_GT(spread, 500);
}

// The C API's copy as a whole (dispatcher included) on larger random frames.
TEST(FastPathsTest, CopyPlaneMatchesModelOnLargerFrames) {
  GeometrySource source(404);
  for (int iteration = 0; iteration < 300; ++iteration) {
    const Geometry g = source.Next(300, 40);
    SCOPED_TRACE(Describe(g));
    GuardedImage src(g.srcW, g.srcH, false), got(g.dstW, g.dstH, true), want(g.dstW, g.dstH, true);
    ASSERT_EQ(CopyImage(got.View(), src.View(), g.request), TESSELOX_OK);
    ReferenceCopy(want.View(), src.View(), g.request);
    ASSERT_TRUE(got.GuardsIntact());
    for (std::int32_t y = 0; y < g.dstH; ++y) {
      for (std::int32_t x = 0; x < g.dstW; ++x) {
        ASSERT_EQ(got.At(x, y), want.At(x, y)) << "at " << x << "," << y;
      }
    }
  }
}

// The row primitives on their own: each destination pixel against its defining formula.
TEST(FastPathsTest, RowPrimitivesFollowTheirDefinitions) {
  std::vector<Pixel> row(64);
  for (std::int32_t x = 0; x < 64; ++x) row[static_cast<std::size_t>(x)] = Tagged(x, 0);
  const Pixel* mid = row.data() + 32;
  struct Case {
    const char* name;
    std::ptrdiff_t step, factor, first, n;
  };
  const std::vector<Case> cases = {
      {"twice from a full run", 1, 2, 2, 9},
      {"twice from a half run", 1, 2, 1, 9},
      {"twice, leftwards", -1, 2, 1, 8},
      {"twice, n below first", 1, 2, 2, 1},
      {"three times", 1, 3, 2, 10},
      {"five times, leftwards", -1, 5, 5, 11},
      {"four times, n below first", 1, 4, 3, 2},
      {"nothing", 1, 3, 3, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<Pixel> out(static_cast<std::size_t>(c.n) + 1);
    std::vector<Pixel> out2(out.size());
    RepeatPixels(out.data(), mid, c.step, c.factor, c.first, c.n);
    if (c.factor == 2) RepeatPixelsTwice(out2.data(), mid, c.step, c.first, c.n);
    for (std::ptrdiff_t k = 0; k < c.n; ++k) {
      const std::ptrdiff_t source = (k + c.factor - c.first) / c.factor;
      const Position want{static_cast<std::int32_t>(32 + c.step * source), 0};
      EXPECT_EQ(TagOf(out[static_cast<std::size_t>(k)]), want) << k;
      if (c.factor == 2) {
        EXPECT_EQ(TagOf(out2[static_cast<std::size_t>(k)]), want) << k;
      }
    }
    EXPECT_TRUE(IsZero(out.back()));
    EXPECT_TRUE(IsZero(out2.back()));
  }
  for (std::ptrdiff_t step : {-3, -1, 2, 5}) {
    SCOPED_TRACE(step);
    std::vector<Pixel> out(7);
    CopyPixelsStrided(out.data(), mid, step, 6);
    CopyPixelsReversed(out.data() + 6, mid, 1);
    for (std::ptrdiff_t k = 0; k < 6; ++k) {
      EXPECT_EQ(TagOf(out[static_cast<std::size_t>(k)]),
                (Position{static_cast<std::int32_t>(32 + k * step), 0}));
    }
    EXPECT_EQ(TagOf(out[6]), (Position{32, 0}));
  }
}

}  // namespace
}  // namespace tesselox::test
