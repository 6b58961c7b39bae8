// Frame records a careless or hostile host might pass: sizes beyond the capacity, zero, negative
// or INT_MIN; capacities zero or negative; output sizes far beyond the buffers. Each is rendered
// twice: into buffers of exactly the capacity (no slack, so AddressSanitizer reports any access
// outside) and into buffers behind guard pixels (which show a stray write where no sanitizer
// runs, as under Wine). The result must match the geometry pixel for pixel.

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "module/render_frame.h"
#include "expected_frame.h"
#include "field_values.h"
#include "guarded_buffer.h"
#include "source_model.h"
#include "test_image.h"

namespace tesselox::test {
namespace {

constexpr std::size_t kGuard = 16;

struct RecordCase {
  const char* name;
  FrameShape shape;  // capacity, then the frame's size as the record states it
};

struct GeometryCase {
  const char* name;
  ParameterValues values;
};

const std::vector<RecordCase> kRecords = {
    {"ordinary", {24, 16, 20, 12}},
    {"frame wider and taller than capacity", {24, 16, 100, 90}},
    {"frame one beyond capacity", {24, 16, 25, 17}},
    {"frame of zero size", {24, 16, 0, 0}},
    {"frame of zero width only", {24, 16, 0, 12}},
    {"negative frame size", {24, 16, -5, -9}},
    {"INT_MIN frame size", {24, 16, INT_MIN, INT_MIN}},
    {"INT_MAX frame size", {24, 16, INT_MAX, INT_MAX}},
    {"zero capacity", {0, 0, 20, 12}},
    {"zero capacity width only", {0, 16, 20, 12}},
    {"zero capacity height only", {24, 0, 20, 12}},
    {"negative capacity", {-4, -4, 20, 12}},
    {"INT_MIN capacity width", {INT_MIN, 16, 20, 12}},
    {"INT_MIN capacity height", {24, INT_MIN, 20, 12}},
    {"one pixel of capacity", {1, 1, 1, 1}},
    {"one line of capacity", {24, 1, 24, 5}},
};

// clang-format off
const std::vector<GeometryCase> kGeometries = {
    {"whole frame at capacity",                 Values({0, 0, 24, 16}, {0, 0, 24, 16}, 24, 16)},
    {"scaled down, output far beyond capacity", Values({0, 0, 24, 16}, {0, 0, 10, 7}, 640, 360)},
    {"mirrored, negative output size",          Values({23, 15, -24, -16}, {0, 0, 24, 16}, -24, -16)},
    {"INT_MIN output size",                     Values({0, 0, 24, 16}, {0, 0, 24, 16}, INT_MIN, INT_MIN)},
    {"zero output size",                        Values({0, 0, 24, 16}, {0, 0, 24, 16}, 0, 0)},
    {"rectangles far past every edge",          Values({-100, -100, 1000, 1000}, {-50, -50, 1000, 1000}, 24, 16)},
    {"mirrored destination from far corner",    Values({0, 0, 24, 16}, {40, 30, -48, -32}, 24, 16)},
    {"extreme values",                          Values({INT_MIN, INT_MAX, INT_MIN, INT_MAX}, {INT_MAX, INT_MIN, INT_MIN, INT_MIN}, INT_MIN, INT_MAX)},
    {"extreme extents from the origin",         Values({0, 0, INT_MAX, INT_MIN}, {0, 23, INT_MAX, INT_MIN}, 24, 16)},
    {"phase pushing past the source edge",      Values({0, 0, 3, 3}, {0, 0, 7, 7}, 24, 16, 3, 5)},
    {"phase on a mirrored, clipped run",        Values({2, 11, -3, 3}, {23, -2, -9, 9}, 24, 16, 4, 7)},
};
// clang-format on

void RenderAndCheck(const RecordCase& r, const GeometryCase& g, bool guarded) {
  const FrameShape& shape = r.shape;
  const std::int32_t capW = shape.Stride();
  const std::vector<Pixel> frame = TaggedFrame(shape);
  const std::size_t count = frame.size();
  GuardedBuffer current(count, guarded ? kGuard : 0), scratch(count, guarded ? kGuard : 0);
  std::copy(frame.begin(), frame.end(), current.Body());
  std::fill_n(scratch.Body(), count, Pixel{{0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE}});
  Pixel* const currentBody = current.Body();
  Pixel* const scratchBody = scratch.Body();
  FrameRecord record{0x600D,       currentBody, scratchBody, shape.width,
                     shape.height, shape.capW,  shape.capH};
  RenderFrame(record, g.values);

  EXPECT_EQ(record.hostField0, 0x600D);
  EXPECT_EQ(record.capacityWidth, shape.capW);
  EXPECT_EQ(record.capacityHeight, shape.capH);
  EXPECT_EQ(record.width, OutputSize(g.values[Index(FieldId::Width)], shape.capW));
  EXPECT_EQ(record.height, OutputSize(g.values[Index(FieldId::Height)], shape.capH));
  ASSERT_EQ(record.current, scratchBody);
  ASSERT_EQ(record.scratch, currentBody);
  EXPECT_TRUE(current.GuardsIntact()) << "wrote outside the frame buffer";
  EXPECT_TRUE(scratch.GuardsIntact()) << "wrote outside the scratch buffer";
  const std::vector<Pixel> want = ExpectedFrame(shape, g.values);
  for (std::size_t k = 0; k < count; ++k) {
    ASSERT_EQ(currentBody[k], frame[k]) << "the incoming frame changed at pixel " << k;
    ASSERT_EQ(scratchBody[k], want[k]) << "output pixel (" << k % capW << "," << k / capW << ")";
  }
}

TEST(HostileRecordTest, RendersWithinTheBuffersAndMatchesTheGeometry) {
  for (const RecordCase& r : kRecords) {
    for (const GeometryCase& g : kGeometries) {
      for (bool guarded : {false, true}) {
        SCOPED_TRACE(std::string(r.name) + " / " + g.name + (guarded ? " / guarded" : " / exact"));
        RenderAndCheck(r, g, guarded);
        if (HasFatalFailure()) return;
      }
    }
  }
}

// Rendering a frame into buffers that the previous frame left behind: the size written into the
// record, not the capacity, is what the host passes back, and it must stay within the buffers.
TEST(HostileRecordTest, FramesChainedThroughTheRecordStayWithinTheBuffers) {
  const std::vector<ParameterValues> frames = {
      Values({0, 0, 24, 16}, {0, 0, 12, 8}, 12, 8),
      Values({0, 0, 12, 8}, {0, 0, 24, 16}, 640, 360),
      Values({0, 0, INT_MIN, INT_MIN}, {23, 15, -24, -16}, INT_MIN, INT_MIN),
      Values({11, 7, -12, -8}, {0, 0, 24, 16}, -24, -16, 5, 3),
      Values({0, 0, 24, 16}, {0, 0, 24, 16}, 0, 0),
      Values({0, 0, 24, 16}, {0, 0, 24, 16}, 24, 16),
  };
  constexpr std::int32_t kCapW = 24, kCapH = 16;
  GuardedBuffer a(kCapW * kCapH, 0), b(kCapW * kCapH, 0);
  for (std::int32_t y = 0; y < kCapH; ++y) {
    for (std::int32_t x = 0; x < kCapW; ++x) a.Body()[y * kCapW + x] = Tagged(x, y);
  }
  FrameRecord record{0, a.Body(), b.Body(), kCapW, kCapH, kCapW, kCapH};
  for (std::size_t n = 0; n < frames.size(); ++n) {
    SCOPED_TRACE("frame " + std::to_string(n));
    const std::int32_t inW = record.width, inH = record.height;
    // What the incoming frame holds, as positions of the very first frame (or blanks).
    std::vector<std::optional<Position>> before(kCapW * kCapH);
    for (std::size_t k = 0; k < before.size(); ++k) before[k] = TagOf(record.current[k]);
    RenderFrame(record, frames[n]);
    ASSERT_EQ(record.width, OutputSize(frames[n][Index(FieldId::Width)], kCapW));
    ASSERT_EQ(record.height, OutputSize(frames[n][Index(FieldId::Height)], kCapH));
    const SourceModel model(RequestOf(frames[n]), record.width, record.height, inW, inH);
    for (std::int32_t y = 0; y < kCapH; ++y) {
      for (std::int32_t x = 0; x < kCapW; ++x) {
        const Pixel& got = record.current[y * kCapW + x];
        const bool inside = x < record.width && y < record.height;
        if (const auto at = inside ? model.At(x, y) : std::nullopt) {
          ASSERT_EQ(TagOf(got), before[at->y * kCapW + at->x]) << x << "," << y;
        } else {
          ASSERT_TRUE(IsZero(got)) << x << "," << y;
        }
      }
    }
  }
}

}  // namespace
}  // namespace tesselox::test
