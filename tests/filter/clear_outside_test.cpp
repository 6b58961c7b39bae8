#include "filter/clear_outside.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "c_api.h"
#include "module/render_frame.h"
#include "expected_frame.h"
#include "test_image.h"

namespace tesselox::test {
namespace {

const Pixel kDirt{{0xA5, 0xA5, 0xA5, 0xA5, 0xA5, 0xA5}};

// A buffer of `lines` lines of `stride` pixels and the rectangle a clear keeps.
struct ClearCase {
  const char* name;
  std::ptrdiff_t stride, lines;
  PixelRect keep;
};

// Both kinds of clear on every case: small buffers with every corner, edge and empty rectangle,
// and lines long enough for whole 64-byte lines between the kept spans.
const std::vector<ClearCase> kClearCases = {
    {"middle", 9, 7, {2, 3, 4, 2}},
    {"whole buffer", 9, 7, {0, 0, 9, 7}},
    {"full lines", 9, 7, {0, 2, 9, 3}},
    {"top left corner", 9, 7, {0, 0, 1, 1}},
    {"bottom right corner", 9, 7, {8, 6, 1, 1}},
    {"one column", 9, 7, {4, 0, 1, 7}},
    {"one line", 9, 7, {1, 6, 7, 1}},
    {"empty width clears all", 9, 7, {3, 3, 0, 2}},
    {"empty height clears all", 9, 7, {3, 3, 2, 0}},
    {"one by one buffer", 1, 1, {0, 0, 1, 1}},
    {"narrow rectangle, long gaps", 40, 9, {5, 2, 7, 4}},
    {"gaps shorter than a line", 40, 9, {2, 1, 36, 6}},
    {"full lines, long", 40, 9, {0, 3, 40, 2}},
    {"nothing kept", 40, 9, {0, 0, 0, 0}},
    {"everything kept", 40, 9, {0, 0, 40, 9}},
    {"small buffer", 5, 3, {1, 1, 2, 1}},
};

// What the clear leaves in a buffer full of dirt: dirt in the kept rectangle, zero elsewhere.
std::vector<Pixel> Cleared(const ClearCase& c) {
  const bool empty = c.keep.width <= 0 || c.keep.height <= 0;
  std::vector<Pixel> out(static_cast<std::size_t>(c.stride * c.lines));
  for (std::ptrdiff_t y = 0; y < c.lines; ++y) {
    for (std::ptrdiff_t x = 0; x < c.stride; ++x) {
      const bool kept = !empty && x >= c.keep.left && x < c.keep.left + c.keep.width &&
                        y >= c.keep.top && y < c.keep.top + c.keep.height;
      out[static_cast<std::size_t>(y * c.stride + x)] = kept ? kDirt : Pixel{};
    }
  }
  return out;
}

// The clear as the C API carries it out with a zero fill around a 1:1 copy of the kept rectangle
// from a source of dirt.
TEST(ClearOutsideTest, ZeroesExactlyWhatLiesOutsideTheKeptRectangle) {
  for (const ClearCase& c : kClearCases) {
    SCOPED_TRACE(c.name);
    std::vector<Pixel> buffer(static_cast<std::size_t>(c.stride * c.lines) + 2, kDirt);
    std::vector<Pixel> dirt(static_cast<std::size_t>(c.stride * c.lines), kDirt);
    const auto w = static_cast<std::int32_t>(c.stride), h = static_cast<std::int32_t>(c.lines);
    const auto left = static_cast<std::int32_t>(c.keep.left);
    const auto top = static_cast<std::int32_t>(c.keep.top);
    const auto cx = static_cast<std::int32_t>(c.keep.width);
    const auto cy = static_cast<std::int32_t>(c.keep.height);
    const tesselox_plane dst = CPlaneOf(ViewOf(buffer.data() + 1, w, h, w));
    const tesselox_plane src = CPlaneOf(ViewOf(dirt.data(), w, h, w));
    const tesselox_request keep{left, top, cx, cy, left, top, cx, cy, 0, 0};
    const Pixel zero{};
    ASSERT_EQ(tesselox_copy_plane(&dst, &src, &keep, &zero), TESSELOX_OK);
    EXPECT_EQ(buffer.front(), kDirt) << "cleared before the buffer";
    EXPECT_EQ(buffer.back(), kDirt) << "cleared past the buffer";
    const std::vector<Pixel> want = Cleared(c);
    for (std::size_t k = 0; k < want.size(); ++k) {
      EXPECT_EQ(buffer[1 + k], want[k]) << k % c.stride << "," << k / c.stride;
    }
  }
}

// The clear handed out piecemeal: every run of whole lines is 64-byte aligned and holds no kept
// byte (a streaming store there would share no line with the kept pixels), and zeroing the runs
// leaves the same buffer as the whole clear, wherever the buffer starts relative to a line.
TEST(ClearOutsideTest, StreamHandsOutWholeLinesOfTheSameClear) {
  for (const ClearCase& c : kClearCases) {
    for (std::size_t shift = 0; shift < 11; ++shift) {
      SCOPED_TRACE(std::string(c.name) + ", shifted by " + std::to_string(shift));
      const auto size = static_cast<std::size_t>(c.stride * c.lines);
      const std::vector<Pixel> want = Cleared(c);
      std::vector<Pixel> got(size + 12, kDirt);
      Pixel* frame = got.data() + 1 + shift;
      const auto* begin = reinterpret_cast<std::uint8_t*>(frame);
      std::vector<bool> kept(size * sizeof(Pixel));
      for (std::size_t k = 0; k < size; ++k) {
        for (std::size_t b = 0; b < sizeof(Pixel); ++b)
          kept[k * sizeof(Pixel) + b] = !IsZero(want[k]);
      }
      ClearStream clear(frame, c.stride, c.lines, c.keep);
      std::ptrdiff_t streamed = 0;
      while (clear.Refill()) {
        ASSERT_EQ(reinterpret_cast<std::uintptr_t>(clear.whole.next) % 64, 0u);
        ASSERT_LT(clear.whole.next, clear.whole.end);
        ASSERT_EQ((clear.whole.end - clear.whole.next) % 64, 0);
        for (std::uint8_t* p = clear.whole.next; p < clear.whole.end; ++p) {
          ASSERT_FALSE(kept[static_cast<std::size_t>(p - begin)]) << "kept byte in a line run";
        }
        streamed += clear.whole.end - clear.whole.next;
        std::fill(clear.whole.next, clear.whole.end, std::uint8_t{0});
        clear.whole.next = clear.whole.end;
      }
      EXPECT_LE(streamed, clear.Bytes());
      clear.Finish();
      EXPECT_EQ(got.front(), kDirt);
      EXPECT_TRUE(std::equal(want.begin(), want.end(), frame)) << "not the same clear";
      EXPECT_TRUE(std::all_of(frame + size, got.data() + got.size(),
                              [](const Pixel& p) { return p == kDirt; }));
    }
  }
}

// RenderFrame clears only around what the copy draws: on random parameters, over a scratch
// buffer full of dirt, every pixel of the capacity is what the model says or zero.
TEST(ClearOutsideTest, RenderFrameEqualsFullClearPlusModel) {
  std::mt19937 rng(2026);
  auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  auto phase = [&] { return pick(0, 9) == 0 ? (pick(0, 1) ? INT_MIN : INT_MAX) : pick(-40, 40); };
  for (int iteration = 0; iteration < 5000; ++iteration) {
    const std::int32_t capW = pick(1, 24), capH = pick(1, 12);
    const std::int32_t frameW = pick(0, capW + 3), frameH = pick(0, capH + 3);
    const int extentKind = pick(0, 2);
    auto extent = [&](int cap) {
      const int v = extentKind == 0 ? pick(1, cap) : pick(1, 3 * cap);
      return pick(0, 1) ? -v : v;
    };
    ParameterValues v{};
    v[Index(FieldId::SrcX)] = pick(-8, capW + 8);
    v[Index(FieldId::SrcY)] = pick(-8, capH + 8);
    v[Index(FieldId::SrcCx)] = extent(capW);
    v[Index(FieldId::SrcCy)] = extent(capH);
    v[Index(FieldId::DstX)] = pick(-8, capW + 8);
    v[Index(FieldId::DstY)] = pick(-8, capH + 8);
    v[Index(FieldId::DstCx)] = extentKind == 1 ? 2 * v[Index(FieldId::SrcCx)] : extent(capW);
    v[Index(FieldId::DstCy)] = extentKind == 1 ? 2 * v[Index(FieldId::SrcCy)] : extent(capH);
    v[Index(FieldId::Width)] = pick(-capW - 4, capW + 4);
    v[Index(FieldId::Height)] = pick(-capH - 4, capH + 4);
    v[Index(FieldId::PhaseX)] = phase();
    v[Index(FieldId::PhaseY)] = phase();
    SCOPED_TRACE(::testing::Message() << "iteration " << iteration);

    const FrameShape shape{capW, capH, frameW, frameH};
    const std::vector<Pixel> want = ExpectedFrame(shape, v);
    std::vector<Pixel> current = TaggedFrame(shape), scratch(want.size() + 1, kDirt);
    FrameRecord record{0, current.data(), scratch.data(), frameW, frameH, capW, capH};
    RenderFrame(record, v);
    ASSERT_EQ(record.current, scratch.data());
    ASSERT_EQ(scratch.back(), kDirt) << "wrote past the capacity";
    for (std::size_t k = 0; k < want.size(); ++k) {
      ASSERT_EQ(scratch[k], want[k]) << "pixel " << k % capW << "," << k / capW;
    }
  }
}

}  // namespace
}  // namespace tesselox::test
