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
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "filter/render_frame.h"
#include "reference_model.h"
#include "test_image.h"

namespace tesselox::test {
namespace {

constexpr std::size_t kGuard = 16;
constexpr std::uint8_t kBeyondFrameTag = 3;  // capacity pixels outside the frame: never a source

// `count` pixels on the heap, with or without guard pixels on either side.
class HostBuffer {
 public:
  HostBuffer(std::size_t count, bool guarded)
      : count_(count), guard_(guarded ? kGuard : 0), storage_(new Pixel[count + 2 * guard_]) {
    for (std::size_t k = 0; k < guard_; ++k) storage_[k] = storage_[guard_ + count_ + k] = Guard();
  }
  Pixel* Body() { return storage_.get() + guard_; }
  bool GuardsIntact() const {
    for (std::size_t k = 0; k < guard_; ++k) {
      if (!(storage_[k] == Guard()) || !(storage_[guard_ + count_ + k] == Guard())) return false;
    }
    return true;
  }

 private:
  static Pixel Guard() { return Tagged(-2, -2, 2); }
  std::size_t count_;
  std::size_t guard_;
  std::unique_ptr<Pixel[]> storage_;
};

struct RecordCase {
  const char* name;
  std::int32_t capW, capH, width, height;
};

struct GeometryCase {
  const char* name;
  ParameterValues values;  // src x, y, cx, cy, dst x, y, cx, cy, width, height, phase x, y
};

std::int32_t NonNegative(std::int32_t v) {
  return std::max(v, 0);
}

std::int32_t AbsCapped(std::int32_t v, std::int32_t cap) {
  return static_cast<std::int32_t>(std::min<std::int64_t>(std::llabs(v), cap));
}

CopyArgs ArgsOf(const ParameterValues& v) {
  return CopyArgs{v[4], v[5], v[6], v[7], v[0], v[1], v[2], v[3], v[10], v[11]};
}

// The whole output buffer as it must be: zero, except the drawn pixels of the destination
// rectangle inside the outW x outH frame.
std::vector<Pixel> Expected(const RecordCase& r, const GeometryCase& g) {
  const std::int32_t capW = NonNegative(r.capW), capH = NonNegative(r.capH);
  const std::int32_t outW = AbsCapped(g.values[8], capW), outH = AbsCapped(g.values[9], capH);
  const std::int32_t srcW = std::clamp(r.width, 0, capW), srcH = std::clamp(r.height, 0, capH);
  std::vector<Pixel> out(static_cast<std::size_t>(capW) * capH);
  const CopyArgs a = ArgsOf(g.values);
  if (a.px == 0 && a.py == 0) {
    for (std::int32_t y = 0; y < outH; ++y) {
      for (std::int32_t x = 0; x < outW; ++x) {
        if (const auto s = ModelSource(a, srcW, srcH, x, y)) out[y * capW + x] = Tagged(s->x, s->y);
      }
    }
    return out;
  }
  // With a phase: the plain walk, over a tagged copy of the frame (small extents only).
  std::vector<Pixel> src(out.size());
  for (std::int32_t y = 0; y < srcH; ++y) {
    for (std::int32_t x = 0; x < srcW; ++x) src[y * capW + x] = Tagged(x, y);
  }
  ReferenceCopy(ImageView{out.data(), outW, outH, capW}, ImageView{src.data(), srcW, srcH, capW},
                a);
  return out;
}

const std::vector<RecordCase> kRecords = {
    {"ordinary", 24, 16, 20, 12},
    {"frame wider and taller than capacity", 24, 16, 100, 90},
    {"frame one beyond capacity", 24, 16, 25, 17},
    {"frame of zero size", 24, 16, 0, 0},
    {"frame of zero width only", 24, 16, 0, 12},
    {"negative frame size", 24, 16, -5, -9},
    {"INT_MIN frame size", 24, 16, INT_MIN, INT_MIN},
    {"INT_MAX frame size", 24, 16, INT_MAX, INT_MAX},
    {"zero capacity", 0, 0, 20, 12},
    {"zero capacity width only", 0, 16, 20, 12},
    {"zero capacity height only", 24, 0, 20, 12},
    {"negative capacity", -4, -4, 20, 12},
    {"INT_MIN capacity width", INT_MIN, 16, 20, 12},
    {"INT_MIN capacity height", 24, INT_MIN, 20, 12},
    {"one pixel of capacity", 1, 1, 1, 1},
    {"one line of capacity", 24, 1, 24, 5},
};

const std::vector<GeometryCase> kGeometries = {
    {"whole frame at capacity", {0, 0, 24, 16, 0, 0, 24, 16, 24, 16, 0, 0}},
    {"scaled down, output far beyond capacity", {0, 0, 24, 16, 0, 0, 10, 7, 640, 360, 0, 0}},
    {"mirrored, negative output size", {23, 15, -24, -16, 0, 0, 24, 16, -24, -16, 0, 0}},
    {"INT_MIN output size", {0, 0, 24, 16, 0, 0, 24, 16, INT_MIN, INT_MIN, 0, 0}},
    {"zero output size", {0, 0, 24, 16, 0, 0, 24, 16, 0, 0, 0, 0}},
    {"rectangles far past every edge",
     {-100, -100, 1000, 1000, -50, -50, 1000, 1000, 24, 16, 0, 0}},
    {"mirrored destination from far corner", {0, 0, 24, 16, 40, 30, -48, -32, 24, 16, 0, 0}},
    {"extreme values",
     {INT_MIN, INT_MAX, INT_MIN, INT_MAX, INT_MAX, INT_MIN, INT_MIN, INT_MIN, INT_MIN, INT_MAX, 0,
      0}},
    {"extreme extents from the origin",
     {0, 0, INT_MAX, INT_MIN, 0, 23, INT_MAX, INT_MIN, 24, 16, 0, 0}},
    {"phase pushing past the source edge", {0, 0, 3, 3, 0, 0, 7, 7, 24, 16, 3, 5}},
    {"phase on a mirrored, clipped run", {2, 11, -3, 3, 23, -2, -9, 9, 24, 16, 4, 7}},
};

void RenderAndCheck(const RecordCase& r, const GeometryCase& g, bool guarded) {
  const std::int32_t capW = NonNegative(r.capW), capH = NonNegative(r.capH);
  const std::size_t count = static_cast<std::size_t>(capW) * capH;
  const std::int32_t srcW = std::clamp(r.width, 0, capW), srcH = std::clamp(r.height, 0, capH);
  HostBuffer current(count, guarded), scratch(count, guarded);
  std::vector<Pixel> frame(count);
  for (std::int32_t y = 0; y < capH; ++y) {
    for (std::int32_t x = 0; x < capW; ++x) {
      frame[y * capW + x] = Tagged(x, y, x < srcW && y < srcH ? 1 : kBeyondFrameTag);
      current.Body()[y * capW + x] = frame[y * capW + x];
      scratch.Body()[y * capW + x] = Pixel{{0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE}};
    }
  }
  Pixel* const currentBody = current.Body();
  Pixel* const scratchBody = scratch.Body();
  FrameRecord record{0x600D, currentBody, scratchBody, r.width, r.height, r.capW, r.capH};
  RenderFrame(record, g.values);

  EXPECT_EQ(record.hostField0, 0x600D);
  EXPECT_EQ(record.capacityWidth, r.capW);
  EXPECT_EQ(record.capacityHeight, r.capH);
  EXPECT_EQ(record.width, AbsCapped(g.values[8], capW));
  EXPECT_EQ(record.height, AbsCapped(g.values[9], capH));
  ASSERT_EQ(record.current, scratchBody);
  ASSERT_EQ(record.scratch, currentBody);
  EXPECT_TRUE(current.GuardsIntact()) << "wrote outside the frame buffer";
  EXPECT_TRUE(scratch.GuardsIntact()) << "wrote outside the scratch buffer";
  const std::vector<Pixel> want = Expected(r, g);
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
      {0, 0, 24, 16, 0, 0, 12, 8, 12, 8, 0, 0},
      {0, 0, 12, 8, 0, 0, 24, 16, 640, 360, 0, 0},
      {0, 0, INT_MIN, INT_MIN, 23, 15, -24, -16, INT_MIN, INT_MIN, 0, 0},
      {11, 7, -12, -8, 0, 0, 24, 16, -24, -16, 5, 3},
      {0, 0, 24, 16, 0, 0, 24, 16, 0, 0, 0, 0},
      {0, 0, 24, 16, 0, 0, 24, 16, 24, 16, 0, 0},
  };
  constexpr std::int32_t kCapW = 24, kCapH = 16;
  HostBuffer a(kCapW * kCapH, false), b(kCapW * kCapH, false);
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
    const CopyArgs args = ArgsOf(frames[n]);
    ASSERT_EQ(record.width, AbsCapped(frames[n][8], kCapW));
    ASSERT_EQ(record.height, AbsCapped(frames[n][9], kCapH));
    for (std::int32_t y = 0; y < kCapH; ++y) {
      for (std::int32_t x = 0; x < kCapW; ++x) {
        const Pixel& got = record.current[y * kCapW + x];
        std::optional<Position> s;
        if (x < record.width && y < record.height && args.px == 0 && args.py == 0)
          s = ModelSource(args, inW, inH, x, y);
        if (s) {
          ASSERT_EQ(TagOf(got), before[s->y * kCapW + s->x]) << x << "," << y;
        } else if (args.px == 0 && args.py == 0) {
          ASSERT_TRUE(IsZero(got)) << x << "," << y;
        } else if (x >= record.width || y >= record.height) {
          ASSERT_TRUE(IsZero(got)) << x << "," << y;
        }
      }
    }
  }
}

}  // namespace
}  // namespace tesselox::test
