#include "filter/render_plane.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "filter/execute_copy.h"
#include "filter/gather_blocks.h"
#include "filter/processor.h"
#include "filter/row_routine.h"
#include "dirty_plane.h"
#include "kernels.h"
#include "source_model.h"

namespace tesselox::test {
namespace {

// Extents in the ratios the routines look for, and any other, with random signs; corners mostly
// inside; phases small or extreme.
CopyAxis RandomAxis(std::mt19937& rng, int dstSize, int srcSize) {
  auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  // 1:1, an integer shrink, 2x, 3x or 4x, near 1:1 (in one direction, as runs are), anything.
  const int kind = pick(0, 5);
  int s = pick(1, srcSize);
  int d = kind == 2   ? 2 * s
          : kind == 3 ? s * pick(3, 4)
          : kind == 4 ? s + pick(-s / 4, s / 4 + 1)
          : kind == 5 ? pick(1, 3 * dstSize)
                      : s;
  if (kind == 1) d = pick(1, std::max(1, srcSize / 2)), s = d * pick(2, 4);
  const int dstSign = pick(0, 1) ? -1 : 1, srcSign = kind == 4 || pick(0, 1) ? dstSign : -dstSign;
  auto corner = [&](int size) { return pick(0, 3) ? pick(0, size - 1) : pick(-size, 2 * size); };
  const int phase = pick(0, 7) == 0 ? (pick(0, 1) ? INT32_MIN : INT32_MAX) : pick(-40, 40);
  return CopyAxis{corner(dstSize), dstSign * d, corner(srcSize), srcSign * s, phase};
}

// Every routine of every pixel size, with its plain and its fastest kernels and the clear it
// carries out, and RenderPlane as a whole and in bands of rows drawn last band first (so that no
// band leans on rows another drew): the plane the model expects, the fill in the pixel's byte
// order, rows padded to any byte count left as they were.
TEST(RenderPlaneTest, EveryPixelSizeAndRoutineMatchesTheModel) {
  struct Size {
    int bytes, padding;
    bool zeroFill;
  };
  // clang-format off
  const Size sizes[] = {{1, 0, false}, {1, 3, true}, {2, 0, false}, {2, 6, false}, {3, 0, false},
                        {3, 1, false}, {4, 0, false}, {4, 4, false}, {6, 2, false}, {8, 0, false},
                        {8, 5, false}};
  // clang-format on
  for (const Size& size : sizes) {
    SCOPED_TRACE(std::to_string(size.bytes) + "-byte pixels, padding " +
                 std::to_string(size.padding));
    std::uint8_t fill[kMaxPixelBytes] = {};
    for (int b = 0; b < size.bytes && !size.zeroFill; ++b)
      fill[b] = static_cast<std::uint8_t>(16 + 37 * b);
    std::mt19937 rng(1000 + size.bytes * 10 + size.padding);
    std::map<RowRoutine, int> tried;
    for (int iteration = 0; iteration < 1000; ++iteration) {
      const int maxW = iteration % 3 == 0 ? 150 : 20, maxH = 5;
      const std::int32_t dw = std::uniform_int_distribution<int>(1, maxW)(rng);
      const std::int32_t sw = std::uniform_int_distribution<int>(1, maxW)(rng);
      const std::int32_t dh = std::uniform_int_distribution<int>(1, maxH)(rng);
      const std::int32_t sh = std::uniform_int_distribution<int>(1, maxH)(rng);
      const CopyRequest request{RandomAxis(rng, dw, sw), RandomAxis(rng, dh, sh)};
      SCOPED_TRACE(::testing::Message() << "iteration " << iteration << ": " << dw << "x" << dh
                                        << " from " << sw << "x" << sh);
      const DirtyPlane src(sw, sh, size.bytes, size.padding, true);
      const std::vector<std::uint8_t> want = ExpectedPlane(src.view, request, dw, dh, fill);
      DirtyPlane whole(dw, dh, size.bytes, size.padding, false);
      const CopyPlan plan = PlanCopy(SizeOf(whole.view), SizeOf(src.view), request);
      RenderPlane(whole.view, src.view, plan, fill);
      ASSERT_TRUE(whole.Holds(want)) << "RenderPlane";
      for (Kernels kernels : kEveryKernels) {
        const UseKernels use(kernels);
        // Band counts: 2, 3, odd, more than rows (some bands empty), at random row cuts.
        for (int bands : {2, 3, 5, dh + 3}) {
          std::vector<std::int32_t> cuts{0, dh};
          for (int k = 1; k < bands; ++k)
            cuts.push_back(std::uniform_int_distribution<std::int32_t>(0, dh)(rng));
          std::sort(cuts.begin(), cuts.end());
          DirtyPlane banded(dw, dh, size.bytes, size.padding, false);
          for (std::size_t k = cuts.size() - 1; k > 0; --k)
            RenderRows(banded.view, src.view, plan, fill, cuts[k - 1], cuts[k]);
          ASSERT_TRUE(banded.Holds(want))
              << bands << " bands, kernels " << static_cast<int>(kernels);
        }
        if (!plan.draw) continue;
        for (const RowRoutineEntry& routine : RowRoutines(size.bytes)) {
          if (!routine.fits(plan.x)) continue;
          tried[routine.id] += kernels == Kernels::Plain;
          DirtyPlane dst(dw, dh, size.bytes, size.padding, false);
          ClearStream clear(dst.view, DrawnRect(plan), fill);
          ExecuteCopy(dst.view, src.view, plan, routine, &clear);
          ASSERT_TRUE(dst.Holds(want)) << routine.name << ", kernels " << static_cast<int>(kernels);
        }
      }
    }
    for (const RowRoutineEntry& routine : RowRoutines(size.bytes)) {
      EXPECT_GE(tried[routine.id], 20) << routine.name;
    }
  }
}

#ifdef TESSELOX_X86
// The byte-shuffle gathers of each processor level, as only one of them is in the table: every
// destination byte from its mapped source pixel, nothing written past the row, nothing read past
// the source (which ends at its last pixel).
TEST(RenderPlaneTest, ShuffleGathersFollowTheColumnMap) {
  struct Row {
    const std::int32_t* map;
    std::ptrdiff_t n;
    const std::uint8_t* source;
    std::int32_t width;
    int bytes;
    std::uint8_t* out;
  };
  alignas(64) static std::int8_t
      room[std::max(ShuffleMaskCapacity(kColumnMapChunk), PermuteIndexCapacity(kColumnMapChunk))];
  static std::int32_t
      bases[std::max(ShuffleBlockCapacity(kColumnMapChunk), PermuteBlockCapacity(kColumnMapChunk))];
  // Builds its blocks and draws the row; returns how many registers the blocks use.
  using Draw = int (*)(const Row&);
  struct Level {
    const char* name;
    bool present;
    int maxBytes;
    Draw draw;
  };
  const Level levels[] = {
      {"SSSE3", HaveSsse3(), 2,
       [](const Row& r) {
         ShuffleBlocks b{bases, room, 0, 0};
         BuildShuffleBlocks(r.map, r.n, r.width - 1, r.bytes, b);
         if (b.regs > 0)
           (r.bytes == 1 ? GatherShuffled<1> : GatherShuffled<2>)(r.out, r.source, b, r.map, r.n, 0,
                                                                  nullptr, 0);
         return b.regs;
       }},
      {"AVX2", HaveAvx2(), 2,
       [](const Row& r) {
         ShuffleBlocks b{bases, room, 0, 0};
         BuildShuffleBlocks(r.map, r.n, r.width - 1, r.bytes, b);
         if (b.regs > 0)
           (r.bytes == 1 ? GatherShuffledAvx2<1> : GatherShuffledAvx2<2>)(r.out, r.source, b, r.map,
                                                                          r.n, 0, nullptr, 0);
         return b.regs;
       }},
#ifdef TESSELOX_X86_64
      {"AVX-512", HaveAvx512Vbmi(), 8,
       [](const Row& r) {
         PermuteBlocks b{bases, reinterpret_cast<std::uint8_t*>(room), 0, 0};
         BuildPermuteBlocks(r.map, r.n, r.bytes, b);
         const auto gather = r.bytes == 1   ? GatherPermuted<1>
                             : r.bytes == 2 ? GatherPermuted<2>
                             : r.bytes == 3 ? GatherPermuted<3>
                             : r.bytes == 4 ? GatherPermuted<4>
                             : r.bytes == 6 ? GatherPermuted<6>
                                            : GatherPermuted<8>;
         if (b.regs > 0) gather(r.out, r.source, b, r.map, r.n, 0, r.width - 1, nullptr, 0);
         return b.regs;
       }},
#endif
  };
  // Source width and column k's source column as first + k * num / den (den < 0: mirrored),
  // `jump` columns further from k = jumpAt on.
  struct Map {
    std::int32_t n, width, first, num, den, jumpAt, jump;
  };
  // clang-format off
  const Map maps[] = {{640, 1440, 0, 9, 4, 0, 0}, {720, 1680, 0, 7, 3, 0, 0},
                      {105, 250, 3, 7, 3, 0, 0},  {48, 150, 149, 3, -1, 0, 0},
                      {200, 140, 0, 2, 3, 0, 0},  {33, 33, 32, 1, -1, 0, 0},
                      {40, 130, 40, 9, 4, 0, 0},  {150, 420, 0, 1, 1, 70, 260}};
  // clang-format on
  for (const Level& level : levels) {
    if (!level.present) continue;
    for (int bytes = 1; bytes <= level.maxBytes; ++bytes) {
      if (!IsPixelSize(bytes)) continue;
      for (const Map& m : maps) {
        SCOPED_TRACE(::testing::Message()
                     << level.name << ", " << bytes << " bytes, " << m.n << " of " << m.width);
        std::vector<std::int32_t> map(static_cast<std::size_t>(m.n));
        for (std::int32_t k = 0; k < m.n; ++k)
          map[static_cast<std::size_t>(k)] =
              m.first + k * m.num / m.den + (m.jump != 0 && k >= m.jumpAt ? m.jump : 0);
        std::vector<std::uint8_t> row(static_cast<std::size_t>(m.width * bytes));
        for (std::size_t k = 0; k < row.size(); ++k)
          row[k] = static_cast<std::uint8_t>(k * 7 + k / 251);
        std::vector<std::uint8_t> got(static_cast<std::size_t>(m.n * bytes + 64), kDirt);
        ASSERT_GT(level.draw(Row{map.data(), m.n, row.data(), m.width, bytes, got.data()}), 0);
        for (std::int32_t k = 0; k < m.n * bytes + 64; ++k) {
          const std::size_t at = static_cast<std::size_t>(k);
          const std::uint8_t want =
              k < m.n * bytes ? row[static_cast<std::size_t>(map[at / bytes] * bytes) + at % bytes]
                              : kDirt;
          ASSERT_EQ(got[at], want) << "byte " << k;
        }
      }
    }
  }
}
#endif

}  // namespace
}  // namespace tesselox::test
