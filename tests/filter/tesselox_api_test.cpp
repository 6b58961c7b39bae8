#include "tesselox/tesselox.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <functional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "guarded_buffer.h"
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

CopyRequest ModelRequest(const tesselox_request& r) {
  return CopyRequest{{r.dst_x, r.dst_cx, r.src_x, r.src_cx, r.phase_x},
                     {r.dst_y, r.dst_cy, r.src_y, r.src_cy, r.phase_y}};
}

// Whether dst, whose bytes were `before`, now holds what the model says, its fill (or its old
// pixel without one) elsewhere, and nothing outside its pixels changed.
::testing::AssertionResult HoldsModel(const TestPlane& dst, const std::vector<std::uint8_t>& before,
                                      const TestPlane& src, const tesselox_request& request,
                                      const std::uint8_t* fill) {
  std::vector<std::uint8_t> want = before;
  auto* body = reinterpret_cast<const std::uint8_t*>(dst.buffer.Body());
  const SourceModel model(ModelRequest(request), dst.plane.width, dst.plane.height, src.plane.width,
                          src.plane.height);
  const auto size = static_cast<std::size_t>(dst.plane.pixel_bytes);
  for (std::int32_t y = 0; y < dst.plane.height; ++y) {
    for (std::int32_t x = 0; x < dst.plane.width; ++x) {
      const auto at = model.At(x, y);
      if (at || fill) {
        std::memcpy(want.data() + (dst.At(x, y) - body), at ? src.At(at->x, at->y) : fill, size);
      }
    }
  }
  const std::vector<std::uint8_t> got = dst.Bytes();
  for (std::size_t k = 0; k < got.size(); ++k) {
    if (got[k] != want[k]) {
      const std::ptrdiff_t off = static_cast<std::uint8_t*>(dst.plane.data) - body;
      return ::testing::AssertionFailure() << "byte " << k << " (plane's first row at " << off
                                           << ") is " << +got[k] << ", not " << +want[k];
    }
  }
  if (!dst.buffer.GuardsIntact()) return ::testing::AssertionFailure() << "wrote past the guards";
  return ::testing::AssertionSuccess();
}

// Small planes (sizes 0 among them) and rectangles reaching past them either way; now and then
// an extreme value.
tesselox_request RandomRequest(std::mt19937& rng) {
  auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const std::int32_t extremes[] = {INT_MIN, INT_MIN + 1, -65536, 65536, INT_MAX - 1, INT_MAX};
  std::int32_t v[10];
  for (int k = 0; k < 10; ++k) {
    v[k] = pick(0, 40) == 0             ? extremes[pick(0, 5)]
           : k < 2 || (k >= 4 && k < 6) ? pick(-4, 12)
           : k < 8                      ? pick(-14, 14)
                                        : pick(-30, 30);
  }
  return tesselox_request{v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9]};
}

// Every pixel size, row padding, bottom-up planes, fill and no fill, one call and a plan drawn
// into two planes at once: random geometry, every byte of both buffers against the model.
TEST(TesseloxApiTest, CopiesAsTheModelSays) {
  struct Case {
    const char* name;
    int bytes, dstPadding, srcPadding;
    bool dstBottomUp, srcBottomUp, fill, planned;
  };
  // clang-format off
  const Case cases[] = {
      {"1 byte",                       1, 0, 0, false, false, true,  false},
      {"1 byte, padded, no fill",      1, 3, 5, false, false, false, false},
      {"2 bytes, bottom-up dst",       2, 0, 2, true,  false, true,  false},
      {"3 bytes, padded to 4",         3, 1, 1, false, false, true,  false},
      {"3 bytes, bottom-up src",       3, 0, 0, false, true,  false, false},
      {"4 bytes, both bottom-up",      4, 4, 0, true,  true,  true,  false},
      {"6 bytes, no fill",             6, 0, 6, false, false, false, false},
      {"8 bytes, both bottom-up",      8, 5, 3, true,  true,  false, false},
      {"4 bytes, planned",             4, 0, 0, false, false, true,  true},
      {"2 bytes, planned, bottom-up",  2, 2, 0, true,  true,  false, true},
      {"8 bytes, planned, no fill",    8, 0, 0, false, true,  false, true},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::mt19937 rng(static_cast<std::uint32_t>(c.bytes * 100 + c.dstPadding * 10 + c.planned));
    auto size = [&rng] { return std::uniform_int_distribution<std::int32_t>(0, 11)(rng); };
    for (int iteration = 0; iteration < 1500; ++iteration) {
      const std::int32_t dw = size(), dh = size(), sw = size(), sh = size();
      const tesselox_request r = RandomRequest(rng);
      SCOPED_TRACE(::testing::Message()
                   << "iteration " << iteration << ": " << dw << "x" << dh << " from " << sw << "x"
                   << sh << ", x(" << r.dst_x << ", " << r.dst_cx << ", " << r.src_x << ", "
                   << r.src_cx << ", " << r.phase_x << ") y(" << r.dst_y << ", " << r.dst_cy << ", "
                   << r.src_y << ", " << r.src_cy << ", " << r.phase_y << ")");
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
        const int status = tesselox_plan_draw(plan, dsts, srcs, fills, 2);
        tesselox_plan_destroy(plan);
        ASSERT_EQ(status, TESSELOX_OK);
        ASSERT_TRUE(HoldsModel(dst2, dst2Before, src2, r, kFill + 1)) << "second plane";
      }
      ASSERT_TRUE(HoldsModel(dst, dstBefore, src, r, fill));
      ASSERT_EQ(src.Bytes(), srcBefore) << "the source changed";
    }
  }
}

// Every bad argument has its status, its own text, and leaves the destination as it was; the
// cases beside them that are not errors draw.
TEST(TesseloxApiTest, BadArgumentsAreRefused) {
  struct Setup {
    tesselox_plane dst, src;
    tesselox_request request;
  };
  // Two 4 x 3 planes of 4-byte pixels, the source 64 bytes past the destination's 48.
  static std::uint8_t memory[256];
  auto plane = [](std::ptrdiff_t at) { return tesselox_plane{memory + at, 4, 3, 16, 4}; };
  auto copy = [](Setup& s) { return tesselox_copy_plane(&s.dst, &s.src, &s.request, kFill); };
  auto draw = [](Setup& s, std::int32_t planDstW) {
    tesselox_plan* plan = nullptr;
    int status = tesselox_plan_create(&plan, planDstW, 3, 4, 3, &s.request);
    if (status == TESSELOX_OK) status = tesselox_plan_draw(plan, &s.dst, &s.src, nullptr, 1);
    tesselox_plan_destroy(plan);
    return status;
  };
  struct Case {
    const char* name;
    std::function<int(Setup&)> call;
    int want;
  };
  const std::vector<Case> cases = {
      {"valid", copy, TESSELOX_OK},
      {"dst NULL", [](Setup& s) { return tesselox_copy_plane(nullptr, &s.src, &s.request, 0); },
       TESSELOX_ERROR_NULL_ARGUMENT},
      {"src NULL", [](Setup& s) { return tesselox_copy_plane(&s.dst, nullptr, &s.request, 0); },
       TESSELOX_ERROR_NULL_ARGUMENT},
      {"request NULL", [](Setup& s) { return tesselox_copy_plane(&s.dst, &s.src, nullptr, 0); },
       TESSELOX_ERROR_NULL_ARGUMENT},
      {"no place for a plan",
       [](Setup& s) { return tesselox_plan_create(nullptr, 4, 3, 4, 3, &s.request); },
       TESSELOX_ERROR_NULL_ARGUMENT},
      {"plan NULL", [](Setup& s) { return tesselox_plan_draw(nullptr, &s.dst, &s.src, 0, 1); },
       TESSELOX_ERROR_NULL_ARGUMENT},
      {"dst data NULL", [&](Setup& s) { return s.dst.data = nullptr, copy(s); },
       TESSELOX_ERROR_NULL_DATA},
      {"src data NULL", [&](Setup& s) { return s.src.data = nullptr, copy(s); },
       TESSELOX_ERROR_NULL_DATA},
      {"data NULL, no columns",
       [&](Setup& s) {
         return s.src = {nullptr, 0, 3, 0, 4}, copy(s);
       },
       TESSELOX_OK},
      {"data NULL, no rows",
       [&](Setup& s) {
         return s.dst = {nullptr, 4, 0, -7, 4}, copy(s);
       },
       TESSELOX_OK},
      {"negative width", [&](Setup& s) { return s.dst.width = -1, copy(s); },
       TESSELOX_ERROR_NEGATIVE_SIZE},
      {"negative height", [&](Setup& s) { return s.src.height = INT_MIN, copy(s); },
       TESSELOX_ERROR_NEGATIVE_SIZE},
      {"negative plan size",
       [](Setup& s) {
         tesselox_plan* plan = reinterpret_cast<tesselox_plan*>(memory);
         const int status = tesselox_plan_create(&plan, 4, 3, 4, -3, &s.request);
         return plan == nullptr ? status : 1;
       },
       TESSELOX_ERROR_NEGATIVE_SIZE},
      {"5-byte pixels",
       [&](Setup& s) { return s.dst.pixel_bytes = s.src.pixel_bytes = 5, copy(s); },
       TESSELOX_ERROR_PIXEL_BYTES},
      {"0-byte pixels, no pixels",
       [&](Setup& s) {
         return s.src = {nullptr, 0, 0, 0, 0}, copy(s);
       },
       TESSELOX_ERROR_PIXEL_BYTES},
      {"pixel sizes differ", [&](Setup& s) { return s.src.pixel_bytes = 2, copy(s); },
       TESSELOX_ERROR_PIXEL_BYTES_DIFFER},
      {"stride a byte short", [&](Setup& s) { return s.dst.stride = 15, copy(s); },
       TESSELOX_ERROR_STRIDE},
      {"negative stride a byte short", [&](Setup& s) { return s.src.stride = -15, copy(s); },
       TESSELOX_ERROR_STRIDE},
      {"rows past the address space",
       [&](Setup& s) { return s.src.stride = PTRDIFF_MAX / 2, copy(s); }, TESSELOX_ERROR_STRIDE},
      {"rows below address 0", [&](Setup& s) { return s.src.stride = PTRDIFF_MIN / 4, copy(s); },
       TESSELOX_ERROR_STRIDE},
      {"one plane", [&](Setup& s) { return s.src = s.dst, copy(s); }, TESSELOX_ERROR_OVERLAP},
      {"src begins on dst's last byte, 1-byte pixels",
       [&](Setup& s) {
         s.dst = {memory, 4, 3, 4, 1};
         s.src = {memory + 11, 4, 3, 4, 1};
         return copy(s);
       },
       TESSELOX_ERROR_OVERLAP},
      {"src just past dst", [&](Setup& s) { return s.src.data = memory + 48, copy(s); },
       TESSELOX_OK},
      {"bottom-up src reaching into dst",
       [&](Setup& s) {
         return s.src = {memory + 76, 4, 3, -16, 4}, copy(s);
       },
       TESSELOX_ERROR_OVERLAP},
      {"bottom-up src ending just past dst",
       [&](Setup& s) {
         return s.src = {memory + 80, 4, 3, -16, 4}, copy(s);
       },
       TESSELOX_OK},
      {"rows interleaved",
       [&](Setup& s) {
         s.dst = {memory, 4, 3, 32, 4};
         s.src = {memory + 16, 4, 3, 32, 4};
         return copy(s);
       },
       TESSELOX_ERROR_OVERLAP},
      {"plan of another size", [&](Setup& s) { return draw(s, 5); }, TESSELOX_ERROR_PLAN_SIZE},
      {"plan of the planes' size", [&](Setup& s) { return draw(s, 4); }, TESSELOX_OK},
  };
  std::set<std::string> texts;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::memset(memory, kDirt, sizeof memory);
    Setup s{plane(0), plane(64), {0, 0, 4, 3, 0, 0, 4, 3, 0, 0}};
    for (int k = 64; k < 112; ++k) memory[k] = static_cast<std::uint8_t>(k);
    const int status = c.call(s);
    EXPECT_EQ(status, c.want);
    if (c.want == TESSELOX_OK) continue;
    for (std::size_t k = 0; k < 64; ++k) ASSERT_EQ(memory[k], kDirt) << "byte " << k;
    texts.insert(tesselox_error_text(status));
  }
  texts.insert(tesselox_error_text(TESSELOX_ERROR_NO_MEMORY));
  EXPECT_EQ(texts.size(), 9u) << "a text shared by two statuses";
  EXPECT_EQ(texts.count(tesselox_error_text(1)), 0u);
}

}  // namespace
}  // namespace tesselox::test
