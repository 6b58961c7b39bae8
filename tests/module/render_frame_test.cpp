#include "module/render_frame.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <vector>

#include "field_values.h"
#include "guarded_buffer.h"
#include "test_image.h"

namespace tesselox::test {
namespace {

// Two buffers of capW x capH behind guard pixels, the frame tagged, the scratch filled with
// junk that rendering must clear.
class Frame {
 public:
  Frame(std::int32_t width, std::int32_t height, std::int32_t capW, std::int32_t capH)
      : capW_(capW),
        current_(static_cast<std::size_t>(capW) * capH, kGuard),
        scratch_(static_cast<std::size_t>(capW) * capH, kGuard) {
    std::fill_n(current_.Body(), current_.Count(), Pixel{{0x11, 0x11, 0x11, 0x11, 0x11, 0x11}});
    std::fill_n(scratch_.Body(), scratch_.Count(), Pixel{{0x77, 0x77, 0x77, 0x77, 0x77, 0x77}});
    for (std::int32_t y = 0; y < std::min(height, capH); ++y) {
      for (std::int32_t x = 0; x < std::min(width, capW); ++x)
        current_.Body()[y * capW + x] = Tagged(x, y);
    }
    record = FrameRecord{0, current_.Body(), scratch_.Body(), width, height, capW, capH};
  }

  const Pixel& Out(std::int32_t x, std::int32_t y) const { return record.current[y * capW_ + x]; }
  bool GuardsIntact() const { return current_.GuardsIntact() && scratch_.GuardsIntact(); }

  FrameRecord record{};

 private:
  static constexpr std::size_t kGuard = 16;
  std::int32_t capW_;
  GuardedBuffer current_, scratch_;
};

TEST(RenderFrameTest, InitialValuesScaleNineFourthsAndThree) {
  Frame f(1440, 1080, 1440, 1088);
  RenderFrame(f.record, Values({0, 0, 1440, 1080}, {0, 0, 640, 360}, 640, 360));
  ASSERT_EQ(f.record.width, 640);
  ASSERT_EQ(f.record.height, 360);
  EXPECT_EQ(TagOf(f.Out(3, 2)), (Position{6, 6}));
  EXPECT_EQ(TagOf(f.Out(1, 1)), (Position{2, 3}));
  for (std::int32_t y = 0; y < 360; ++y) {
    for (std::int32_t x = 0; x < 640; ++x) {
      ASSERT_EQ(TagOf(f.Out(x, y)), (Position{9 * x / 4, 3 * y})) << x << "," << y;
    }
  }
  EXPECT_TRUE(f.GuardsIntact());
}

TEST(RenderFrameTest, ExchangesBuffersAndClearsEverythingOutsideTheRectangle) {
  Frame f(8, 6, 12, 10);
  Pixel* const oldCurrent = f.record.current;
  Pixel* const oldScratch = f.record.scratch;
  // A 4x3 rectangle at (2, 1) inside a 9x7 output frame.
  RenderFrame(f.record, Values({0, 0, 4, 3}, {2, 1, 4, 3}, 9, 7));
  EXPECT_EQ(f.record.current, oldScratch);
  EXPECT_EQ(f.record.scratch, oldCurrent);
  EXPECT_EQ(f.record.width, 9);
  EXPECT_EQ(f.record.height, 7);
  for (std::int32_t y = 0; y < 10; ++y) {
    for (std::int32_t x = 0; x < 12; ++x) {
      const bool inRect = x >= 2 && x < 6 && y >= 1 && y < 4;
      if (inRect) {
        EXPECT_EQ(TagOf(f.Out(x, y)), (Position{x - 2, y - 1}));
      } else {
        EXPECT_TRUE(IsZero(f.Out(x, y))) << x << "," << y;  // also beyond the output frame
      }
    }
  }
  EXPECT_TRUE(f.GuardsIntact());
}

// The output size: |value| capped at the capacity; what the record says of the frame's size is
// capped likewise before it is read.
TEST(RenderFrameTest, OutputAndSourceSizesStayWithinTheBuffers) {
  struct Case {
    const char* name;
    std::int32_t frameW, frameH, capW, capH, width, height;
    std::int32_t wantW, wantH;
  };
  const std::vector<Case> cases = {
      {"negative width", 20, 12, 24, 16, -16, 12, 16, 12},
      {"beyond capacity", 20, 12, 24, 16, 640, 360, 24, 16},
      {"zero stays zero", 20, 12, 24, 16, 0, 5, 0, 5},
      {"INT_MIN", 20, 12, 24, 16, INT_MIN, INT_MIN, 24, 16},
      {"INT_MAX", 20, 12, 24, 16, INT_MAX, INT_MAX, 24, 16},
      {"frame larger than capacity", 100, 90, 24, 16, 24, 16, 24, 16},
      {"negative frame size", -5, -9, 24, 16, 10, 10, 10, 10},
      {"zero capacity", 20, 12, 0, 0, 640, 360, 0, 0},
      {"negative capacity", 20, 12, -4, -4, 640, 360, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Frame f(c.frameW, c.frameH, std::max(c.capW, 0), std::max(c.capH, 0));
    f.record.capacityWidth = c.capW;
    f.record.capacityHeight = c.capH;
    // A source rectangle reaching far past every edge, copied 1:1.
    RenderFrame(f.record, Values({0, 0, 4000, 4000}, {0, 0, 4000, 4000}, c.width, c.height));
    EXPECT_EQ(f.record.width, c.wantW);
    EXPECT_EQ(f.record.height, c.wantH);
    EXPECT_TRUE(f.GuardsIntact());
    const std::int32_t srcW = std::clamp(c.frameW, 0, std::max(c.capW, 0));
    const std::int32_t srcH = std::clamp(c.frameH, 0, std::max(c.capH, 0));
    for (std::int32_t y = 0; y < c.wantH; ++y) {
      for (std::int32_t x = 0; x < c.wantW; ++x) {
        if (x < srcW && y < srcH) {
          ASSERT_EQ(TagOf(f.Out(x, y)), (Position{x, y})) << x << "," << y;
        } else {
          ASSERT_TRUE(IsZero(f.Out(x, y))) << x << "," << y;
        }
      }
    }
  }
}

TEST(RenderFrameTest, ZeroExtentGivesClearedFrameOfTheChosenSize) {
  for (FieldId zero : {FieldId::SrcCx, FieldId::SrcCy, FieldId::DstCx, FieldId::DstCy}) {
    Frame f(16, 8, 16, 8);
    ParameterValues v = Values({0, 0, 16, 8}, {0, 0, 16, 8}, 12, 6);
    v[Index(zero)] = 0;
    RenderFrame(f.record, v);
    EXPECT_EQ(f.record.width, 12);
    EXPECT_EQ(f.record.height, 6);
    for (std::int32_t y = 0; y < 8; ++y) {
      for (std::int32_t x = 0; x < 16; ++x) EXPECT_TRUE(IsZero(f.Out(x, y)));
    }
  }
}

TEST(RenderFrameTest, NullBuffersWithZeroCapacityAreNotTouched) {
  FrameRecord record{0, nullptr, nullptr, 640, 480, 0, 0};
  RenderFrame(record, Values({0, 0, 640, 480}, {0, 0, 640, 480}, 640, 480));
  EXPECT_EQ(record.width, 0);
  EXPECT_EQ(record.height, 0);
}

}  // namespace
}  // namespace tesselox::test
