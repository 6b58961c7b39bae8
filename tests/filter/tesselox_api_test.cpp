#include "tesselox/tesselox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "c_api.h"
#include "guarded_buffer.h"
#include "reference_model.h"
#include "source_model.h"

namespace tesselox::test {
namespace {

constexpr std::uint8_t kDirt = 0xA5;
const std::uint8_t kFill[9] = {0xEE, 0xDD, 0xCC, 0xBB, 0xAA, 0x99, 0x88, 0x77, 0x66};

// A plane of `bytes`-byte pixels inside a guarded buffer full of dirt (padding included). An
// exact buffer (guard 0) ends with the plane's last byte, so that AddressSanitizer sees a read
// past it. A source's pixel (x, y) holds x, y and then bytes that vary with both (x + 16 y for
// one-byte pixels); a destination's pixels hold `tag` + byte number, unlike any source pixel.
struct TestPlane {
  TestPlane(std::int32_t w, std::int32_t h, int bytes, int padding, bool bottomUp,
            std::size_t guard, std::uint8_t tag, bool source)
      : rowStep(static_cast<std::ptrdiff_t>(w) * bytes + padding),
        planeBytes(h > 0 ? (h - 1) * rowStep + static_cast<std::ptrdiff_t>(w) * bytes : 0),
        buffer(static_cast<std::size_t>(planeBytes) / sizeof(Pixel) + 1, guard) {
    auto* body = reinterpret_cast<std::uint8_t*>(buffer.Body());
    std::memset(body, kDirt, buffer.Count() * sizeof(Pixel));
    std::uint8_t* first = body + buffer.Count() * sizeof(Pixel) - planeBytes;
    plane = tesselox_plane{first + (bottomUp && h > 0 ? (h - 1) * rowStep : 0), w, h,
                           bottomUp ? -rowStep : rowStep, bytes};
    for (std::int32_t y = 0; y < h; ++y) {
      for (std::int32_t x = 0; x < w; ++x) {
        std::uint8_t* p = At(x, y);
        for (int b = 0; b < bytes; ++b)
          p[b] = static_cast<std::uint8_t>(tag + b + (source ? 7 * (x + y) : 0));
        if (!source) continue;
        p[0] = static_cast<std::uint8_t>(bytes == 1 ? x + 16 * y : x);
        if (bytes > 1) p[1] = static_cast<std::uint8_t>(y);
      }
    }
  }
  std::uint8_t* At(std::int32_t x, std::int32_t y) const {
    return static_cast<std::uint8_t*>(plane.data) + y * plane.stride + x * plane.pixel_bytes;
  }
  std::vector<std::uint8_t> Bytes() const {
    const auto* body = reinterpret_cast<const std::uint8_t*>(buffer.Body());
    return std::vector<std::uint8_t>(body, body + buffer.Count() * sizeof(Pixel));
  }

  std::ptrdiff_t rowStep, planeBytes;
  GuardedBuffer buffer;
  tesselox_plane plane;
};

// Whether dst, whose bytes were `before`, now holds in rows [first, last) what the model says,
// its fill (or its old pixel without one) elsewhere, and nothing else changed.
::testing::AssertionResult HoldsModel(const TestPlane& dst, const std::vector<std::uint8_t>& before,
                                      const TestPlane& src, const CopyRequest& request,
                                      const std::uint8_t* fill, std::int32_t first = 0,
                                      std::int32_t last = INT32_MAX) {
  std::vector<std::uint8_t> want = before;
  auto* body = reinterpret_cast<const std::uint8_t*>(dst.buffer.Body());
  const SourceModel model(request, dst.plane.width, dst.plane.height, src.plane.width,
                          src.plane.height);
  const auto size = static_cast<std::size_t>(dst.plane.pixel_bytes);
  for (std::int32_t y = std::max(first, 0); y < std::min(last, dst.plane.height); ++y) {
    for (std::int32_t x = 0; x < dst.plane.width; ++x) {
      const auto at = model.At(x, y);
      if (at || fill) {
        std::memcpy(want.data() + (dst.At(x, y) - body), at ? src.At(at->x, at->y) : fill, size);
      }
    }
  }
  const std::vector<std::uint8_t> got = dst.Bytes();
  for (std::size_t k = 0; k < got.size(); ++k) {
    if (got[k] != want[k]) return ::testing::AssertionFailure() << "byte " << k << " of the buffer";
  }
  if (!dst.buffer.GuardsIntact()) return ::testing::AssertionFailure() << "wrote past the guards";
  return ::testing::AssertionSuccess();
}

// Corners and extents reaching past planes of up to 11 pixels either way, any phase, and now
// and then an extreme value.
CopyAxis RandomAxis(std::mt19937& rng) {
  auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const std::int32_t extremes[] = {INT_MIN, INT_MIN + 1, -65536, 65536, INT_MAX - 1, INT_MAX};
  auto value = [&](int lo, int hi) {
    return pick(0, 40) == 0 ? extremes[pick(0, 5)] : pick(lo, hi);
  };
  return CopyAxis{value(-4, 12), value(-14, 14), value(-4, 12), value(-14, 14), value(-30, 30)};
}

// Every pixel size, row padding, bottom-up planes, fill and no fill, one call and a plan drawn
// into two planes at once, whole or in bands of rows (last band first, at even cuts, more bands
// than rows included): random geometry, every byte of both buffers against the model.
TEST(TesseloxApiTest, CopiesAsTheModelSays) {
  struct Case {
    const char* name;
    int bytes, dstPadding, srcPadding;
    bool dstBottomUp, srcBottomUp, fill;
    int planned;  // 0: one call; 1: a plan drawn whole; n: a plan drawn in n bands
  };
  // clang-format off
  const Case cases[] = {
      {"1 byte",                       1, 0, 0, false, false, true,  0},
      {"1 byte, padded, no fill",      1, 3, 5, false, false, false, 0},
      {"2 bytes, bottom-up dst",       2, 0, 2, true,  false, true,  0},
      {"3 bytes, padded to 4",         3, 1, 1, false, false, true,  0},
      {"3 bytes, bottom-up src",       3, 0, 0, false, true,  false, 0},
      {"4 bytes, both bottom-up",      4, 4, 0, true,  true,  true,  0},
      {"6 bytes, no fill",             6, 0, 6, false, false, false, 0},
      {"8 bytes, both bottom-up",      8, 5, 3, true,  true,  false, 0},
      {"4 bytes, planned",             4, 0, 0, false, false, true,  1},
      {"2 bytes, planned, bottom-up",  2, 2, 0, true,  true,  false, 1},
      {"8 bytes, planned, no fill",    8, 0, 0, false, true,  false, 1},
      {"4 bytes, 2 bands, bottom-up",  4, 0, 4, true,  false, true,  2},
      {"3 bytes, 3 bands, no fill",    3, 1, 0, false, true,  false, 3},
      {"1 byte, 13 bands",             1, 0, 3, false, false, true,  13},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::mt19937 rng(static_cast<std::uint32_t>(c.bytes * 100 + c.dstPadding * 10 + c.planned));
    auto size = [&rng] { return std::uniform_int_distribution<std::int32_t>(0, 11)(rng); };
    for (int iteration = 0; iteration < 1500; ++iteration) {
      const std::int32_t dw = size(), dh = size(), sw = size(), sh = size();
      const Geometry g{dw, dh, sw, sh, CopyRequest{RandomAxis(rng), RandomAxis(rng)}};
      SCOPED_TRACE(Describe(g));
      const tesselox_request r = CRequestOf(g.request);
      const std::uint8_t* fill = c.fill ? kFill : nullptr;
      TestPlane src(sw, sh, c.bytes, c.srcPadding, c.srcBottomUp, 0, 0x40, true);
      TestPlane dst(dw, dh, c.bytes, c.dstPadding, c.dstBottomUp, 2, 0xF0, false);
      const std::vector<std::uint8_t> srcBefore = src.Bytes(), dstBefore = dst.Bytes();
      if (!c.planned) {
        ASSERT_EQ(tesselox_copy_plane(&dst.plane, &src.plane, &r, fill), TESSELOX_OK);
      } else {
        TestPlane src2(sw, sh, c.bytes, c.srcPadding, c.srcBottomUp, 2, 0x50, true);
        TestPlane dst2(dw, dh, c.bytes, c.dstPadding, c.dstBottomUp, 0, 0xE0, false);
        const std::vector<std::uint8_t> dst2Before = dst2.Bytes();
        tesselox_plan* plan = nullptr;
        ASSERT_EQ(tesselox_plan_create(&plan, dw, dh, sw, sh, &r), TESSELOX_OK);
        const tesselox_plane dsts[] = {dst.plane, dst2.plane}, srcs[] = {src.plane, src2.plane};
        const void* fills[] = {fill, kFill + 1};
        int status = TESSELOX_OK;
        if (c.planned == 1) status = tesselox_plan_draw(plan, dsts, srcs, fills, 2);
        for (int band = c.planned - 1; c.planned > 1 && band >= 0 && status == TESSELOX_OK;
             --band) {
          // Before the first band is drawn, its rows must be as they were.
          if (band == 0) {
            ASSERT_TRUE(HoldsModel(dst, dstBefore, src, g.request, fill, dh / c.planned));
          }
          status = tesselox_plan_draw_rows(plan, dsts, srcs, fills, 2, dh * band / c.planned,
                                           dh * (band + 1) / c.planned);
        }
        tesselox_plan_destroy(plan);
        ASSERT_EQ(status, TESSELOX_OK);
        ASSERT_TRUE(HoldsModel(dst2, dst2Before, src2, g.request, kFill + 1)) << "second plane";
      }
      ASSERT_TRUE(HoldsModel(dst, dstBefore, src, g.request, fill));
      ASSERT_EQ(src.Bytes(), srcBefore) << "the source changed";
    }
  }
}

// Every bad argument has its status, its own text, and leaves the destination as it was; the
// cases beside them that are not errors draw.
TEST(TesseloxApiTest, BadArgumentsAreRefused) {
  static std::uint8_t memory[256];
  // A plane at byte `at` of memory (NULL data for -1).
  struct Layout {
    std::ptrdiff_t at;
    std::int32_t w, h;
    std::ptrdiff_t stride;
    std::int32_t bytes;
  };
  // The call: the copy, with one of its pointers NULL, or through a plan (rows 2 to 4: a band).
  // clang-format off
  enum Call { kCopy, kNoDst, kNoSrc, kNoRequest, kNoPlace, kNoPlan, kPlanW5, kPlanH0, kPlanHm1,
              kRows };
  // clang-format on
  struct Case {
    const char* name;
    Layout dst, src;
    Call call;
    int want;
  };
  // Two 4 x 3 planes of 4-byte pixels, the source 64 bytes past the destination's 48.
  constexpr Layout d{0, 4, 3, 16, 4}, s{64, 4, 3, 16, 4};
  // clang-format off
  const Case cases[] = {
      {"valid",                        d, s,                         kCopy,     TESSELOX_OK},
      {"dst NULL",                     d, s,                         kNoDst,    TESSELOX_ERROR_NULL_ARGUMENT},
      {"src NULL",                     d, s,                         kNoSrc,    TESSELOX_ERROR_NULL_ARGUMENT},
      {"request NULL",                 d, s,                         kNoRequest, TESSELOX_ERROR_NULL_ARGUMENT},
      {"no place for a plan",          d, s,                         kNoPlace,  TESSELOX_ERROR_NULL_ARGUMENT},
      {"plan NULL",                    d, s,                         kNoPlan,   TESSELOX_ERROR_NULL_ARGUMENT},
      {"dst data NULL",                {-1, 4, 3, 16, 4}, s,         kCopy,     TESSELOX_ERROR_NULL_DATA},
      {"src data NULL",                d, {-1, 4, 3, 16, 4},         kCopy,     TESSELOX_ERROR_NULL_DATA},
      {"data NULL, no columns",        d, {-1, 0, 3, 0, 4},          kCopy,     TESSELOX_OK},
      {"data NULL, no rows",           {-1, 4, 0, -7, 4}, s,         kCopy,     TESSELOX_OK},
      {"negative width",               {0, -1, 3, 16, 4}, s,         kCopy,     TESSELOX_ERROR_NEGATIVE_SIZE},
      {"negative height",              d, {64, 4, INT_MIN, 16, 4},   kCopy,     TESSELOX_ERROR_NEGATIVE_SIZE},
      {"negative plan size",           d, s,                         kPlanHm1,  TESSELOX_ERROR_NEGATIVE_SIZE},
      {"5-byte pixels",                {0, 4, 3, 20, 5}, {64, 4, 3, 20, 5}, kCopy, TESSELOX_ERROR_PIXEL_BYTES},
      {"0-byte pixels, no pixels",     d, {-1, 0, 0, 0, 0},          kCopy,     TESSELOX_ERROR_PIXEL_BYTES},
      {"pixel sizes differ",           d, {64, 4, 3, 16, 2},         kCopy,     TESSELOX_ERROR_PIXEL_BYTES_DIFFER},
      {"stride a byte short",          {0, 4, 3, 15, 4}, s,          kCopy,     TESSELOX_ERROR_STRIDE},
      {"negative stride a byte short", d, {96, 4, 3, -15, 4},        kCopy,     TESSELOX_ERROR_STRIDE},
      {"rows past the address space",  d, {64, 4, 3, PTRDIFF_MAX / 2, 4}, kCopy, TESSELOX_ERROR_STRIDE},
      {"rows below address 0",         d, {64, 4, 3, PTRDIFF_MIN / 4, 4}, kCopy, TESSELOX_ERROR_STRIDE},
      {"one plane",                    d, d,                         kCopy,     TESSELOX_ERROR_OVERLAP},
      {"src begins on dst's last byte", {0, 4, 3, 4, 1}, {11, 4, 3, 4, 1}, kCopy, TESSELOX_ERROR_OVERLAP},
      {"src just past dst",            d, {48, 4, 3, 16, 4},         kCopy,     TESSELOX_OK},
      {"bottom-up src into dst",       d, {76, 4, 3, -16, 4},        kCopy,     TESSELOX_ERROR_OVERLAP},
      {"bottom-up src just past dst",  d, {80, 4, 3, -16, 4},        kCopy,     TESSELOX_OK},
      {"rows interleaved",             {0, 4, 3, 32, 4}, {16, 4, 3, 32, 4}, kCopy, TESSELOX_ERROR_OVERLAP},
      {"plan of another size",         d, s,                         kPlanW5,   TESSELOX_ERROR_PLAN_SIZE},
      {"plan of no rows",              {-1, 4, 0, 16, 4}, s,         kPlanH0,   TESSELOX_OK},
      {"rows past the last",           d, s,                         kRows, TESSELOX_ERROR_ROWS},
  };
  // clang-format on
  auto plane = [](const Layout& p) {
    return tesselox_plane{p.at < 0 ? nullptr : memory + p.at, p.w, p.h, p.stride, p.bytes};
  };
  std::set<std::string> texts;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::memset(memory, kDirt, sizeof memory);
    for (int k = 64; k < 112; ++k) memory[k] = static_cast<std::uint8_t>(k);
    const tesselox_plane dst = plane(c.dst), src = plane(c.src);
    const tesselox_request r{0, 0, 4, 3, 0, 0, 4, 3, 0, 0};
    auto* plan = reinterpret_cast<tesselox_plan*>(memory + 200);  // reset by a failed create
    int status;
    if (c.call == kCopy || c.call == kNoDst || c.call == kNoSrc || c.call == kNoRequest) {
      status =
          tesselox_copy_plane(c.call == kNoDst ? nullptr : &dst, c.call == kNoSrc ? nullptr : &src,
                              c.call == kNoRequest ? nullptr : &r, kFill);
    } else if (c.call == kNoPlace) {
      status = tesselox_plan_create(nullptr, 4, 3, 4, 3, &r);
    } else if (c.call == kNoPlan) {
      status = tesselox_plan_draw(nullptr, &dst, &src, nullptr, 1);
    } else {
      status = tesselox_plan_create(&plan, c.call == kPlanW5 ? 5 : 4, c.call == kPlanH0 ? 0 : 3, 4,
                                    c.call == kPlanHm1 ? -1 : 3, &r);
      if (status == TESSELOX_OK) {
        status = c.call == kRows ? tesselox_plan_draw_rows(plan, &dst, &src, nullptr, 1, 2, 4)
                                 : tesselox_plan_draw(plan, &dst, &src, nullptr, 1);
        tesselox_plan_destroy(plan);
      } else {
        EXPECT_EQ(plan, nullptr);
      }
    }
    EXPECT_EQ(status, c.want);
    if (c.want == TESSELOX_OK) continue;
    for (std::size_t k = 0; k < 64; ++k) ASSERT_EQ(memory[k], kDirt) << "byte " << k;
    texts.insert(tesselox_error_text(status));
  }
  texts.insert(tesselox_error_text(TESSELOX_ERROR_NO_MEMORY));
  EXPECT_EQ(texts.size(), 10u) << "a text shared by two statuses";
  EXPECT_EQ(texts.count(tesselox_error_text(1)), 0u);
}

}  // namespace
}  // namespace tesselox::test
