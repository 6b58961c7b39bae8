// libFuzzer target: arbitrary bytes become a frame record (or two planes with their own strides,
// or two frames of subsampled and packed planes, copied through the C API) and the twelve values;
// the result is checked pixel by pixel against the geometry, and every byte outside the buffers and
// outside the places the copy may write must be as it was.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>

#include "filter/clear_outside.h"
#include "filter/copy_plan.h"
#include "filter/execute_copy.h"
#include "module/render_frame.h"
#include "filter/row_routine.h"
#include "c_api.h"
#include "fuzz_input.h"
#include "expected_frame.h"
#include "guarded_buffer.h"
#include "kernels.h"
#include "reference_model.h"
#include "test_frame.h"
#include "test_image.h"

namespace tesselox::fuzz {
namespace {

using test::GuardedBuffer;
using test::kBeyondTag;
using test::kUnwrittenTag;
using test::OutputSize;
using test::Position;
using test::Tagged;
using test::TagOf;

// Guard pixels on both sides of every buffer unless the input asks for an exact allocation, in
// which case ASan itself reports any access outside.
constexpr std::size_t kGuard = 8;

using test::Geometry;

[[noreturn]] void Fail(const char* what, const Geometry& g, std::int64_t x = -1,
                       std::int64_t y = -1) {
  std::fprintf(stderr, "FAULT: %s at (%lld,%lld)\n  %s\n", what, static_cast<long long>(x),
               static_cast<long long>(y), test::Describe(g).c_str());
  std::abort();
}

void CheckPixel(const Pixel& got, const std::optional<Position>& want, const Pixel& otherwise,
                const Geometry& g, std::int32_t x, std::int32_t y) {
  if (want) {
    if (TagOf(got) != want) Fail("wrong source pixel", g, x, y);
  } else if (!(got == otherwise)) {
    Fail("pixel outside the drawn rectangle changed", g, x, y);
  }
}

// Image widths and heights: small, or wide and short.
std::int32_t FoldWidth(const FuzzInput& in, std::int32_t v) {
  return (in.flags & kWide) ? Fold(v, -8, 4200) : Fold(v, -8, 64);
}
std::int32_t FoldHeight(const FuzzInput& in, std::int32_t v) {
  return (in.flags & kWide) ? Fold(v, -2, 4) : Fold(v, -8, 64);
}

void FuzzRenderFrame(const FuzzInput& in, ParameterValues values) {
  const bool guarded = (in.flags & kNoGuard) == 0;
  const std::int32_t capW = FoldWidth(in, in.capacityWidth);
  const std::int32_t capH = FoldHeight(in, in.capacityHeight);
  const std::int32_t w = std::max(capW, 0), h = std::max(capH, 0);
  const std::size_t count = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
  GuardedBuffer current(count, guarded ? kGuard : 0), scratch(count, guarded ? kGuard : 0);

  const test::FrameShape shape{capW, capH, in.width, in.height};
  const Geometry g{OutputSize(values[Index(FieldId::Width)], w),
                   OutputSize(values[Index(FieldId::Height)], h), shape.FrameWidth(),
                   shape.FrameHeight(), CopyRequestFrom(values)};
  const std::vector<Pixel> frame = test::TaggedFrame(shape);
  std::copy(frame.begin(), frame.end(), current.Body());
  for (std::size_t k = 0; k < count; ++k) scratch.Body()[k] = Tagged(0, 0, kUnwrittenTag);

  constexpr std::int32_t kHostField = 0x5EED1234;
  FrameRecord record{kHostField, current.Body(), scratch.Body(), in.width, in.height, capW, capH};
  RenderFrame(record, values);

  if (record.hostField0 != kHostField || record.capacityWidth != capW ||
      record.capacityHeight != capH)
    Fail("a field the filter does not own changed", g);
  if (record.current != scratch.Body() || record.scratch != current.Body())
    Fail("buffers not exchanged", g);
  if (record.width != g.dstW || record.height != g.dstH) Fail("wrong output size", g);
  if (!current.GuardsIntact() || !scratch.GuardsIntact()) Fail("wrote outside a buffer", g);
  if (!std::equal(frame.begin(), frame.end(), current.Body())) Fail("the source frame changed", g);
  const std::vector<Pixel> want = test::ExpectedFrame(shape, values);
  for (std::size_t k = 0; k < count; ++k) {
    if (!(scratch.Body()[k] == want[k])) Fail("wrong output pixel", g, k % w, k / w);
  }
}

void FuzzCopyPlane(const FuzzInput& in, const ParameterValues& values) {
  const bool guarded = (in.flags & kNoGuard) == 0;
  const std::int32_t dstW = FoldWidth(in, in.capacityWidth),
                     dstH = FoldHeight(in, in.capacityHeight);
  const std::int32_t srcW = FoldWidth(in, in.width), srcH = FoldHeight(in, in.height);
  const std::int32_t dstStride = std::max(dstW, 0) + Fold(in.dstPad, 0, 7);
  const std::int32_t srcStride = std::max(srcW, 0) + Fold(in.srcPad, 0, 7);
  const std::int32_t dstLines = std::max(dstH, 0), srcLines = std::max(srcH, 0);
  GuardedBuffer dst(static_cast<std::size_t>(dstStride) * dstLines, guarded ? kGuard : 0);
  GuardedBuffer src(static_cast<std::size_t>(srcStride) * srcLines, guarded ? kGuard : 0);
  // Row y of a plane stored bottom-up is the buffer's line lines - 1 - y.
  const bool plain = (in.flags & kPlain) != 0;
  const bool bottomUp = !plain && (in.flags & kBottomUp) != 0;
  auto at = [bottomUp](GuardedBuffer& b, std::int32_t lines, std::int32_t stride, std::int32_t x,
                       std::int32_t y) -> Pixel& {
    return b.Body()[(bottomUp ? lines - 1 - y : y) * stride + x];
  };

  auto fill = [&](GuardedBuffer& b, std::int32_t width, std::int32_t lines, std::int32_t stride,
                  std::uint8_t insideTag) {
    for (std::int32_t y = 0; y < lines; ++y) {
      for (std::int32_t x = 0; x < stride; ++x)
        at(b, lines, stride, x, y) = Tagged(x, y, x < width ? insideTag : kBeyondTag);
    }
  };
  fill(src, srcW, srcLines, srcStride, test::kImageTag);
  fill(dst, dstW, dstLines, dstStride, kUnwrittenTag);

  const Geometry g{std::max(dstW, 0), dstLines, std::max(srcW, 0), srcLines,
                   CopyRequestFrom(values)};
  const PlaneView dstView = test::ViewOf(dst.Body(), dstW, dstH, dstStride);
  const PlaneView srcView = test::ViewOf(src.Body(), srcW, srcH, srcStride);
  const bool clearing = (in.flags & kClear) != 0;
  const bool refused = !plain && (dstW < 0 || dstH < 0 || srcW < 0 || srcH < 0);
  if (plain) {
    const CopyPlan plan = PlanCopy(SizeOf(dstView), SizeOf(srcView), g.request);
    ClearStream clear(dst.Body(), dstStride, dstLines, DrawnRect(plan));
    const test::UseKernels use(test::Kernels::Plain);
    if (plan.draw) {
      ExecuteCopy(dstView, srcView, plan, PickRowRoutine(plan.x), clearing ? &clear : nullptr);
    } else if (clearing) {
      clear.Finish();
    }
  } else {
    // The planes as the C API takes them; a negative size is an error that leaves them as they
    // were. Its fill leaves the rows' padding as it was; the plain path's clear covers it too.
    tesselox_plane d = test::CPlaneOf(dstView), s = test::CPlaneOf(srcView);
    for (tesselox_plane* p : {&d, &s}) {
      if (bottomUp && p->height > 0) {
        p->data = static_cast<Pixel*>(p->data) + (p->height - 1) * (p->stride / 6);
        p->stride = -p->stride;
      }
    }
    const tesselox_request request = test::CRequestOf(g.request);
    const Pixel zero{};
    const int status = tesselox_copy_plane(&d, &s, &request, clearing ? &zero : nullptr);
    if (status != (refused ? TESSELOX_ERROR_NEGATIVE_SIZE : TESSELOX_OK)) Fail("status", g);
  }

  if (!dst.GuardsIntact() || !src.GuardsIntact()) Fail("wrote outside a buffer", g);
  for (std::int32_t y = 0; y < srcLines; ++y) {
    for (std::int32_t x = 0; x < srcStride; ++x) {
      if (!(at(src, srcLines, srcStride, x, y) ==
            Tagged(x, y, x < srcW ? test::kImageTag : kBeyondTag)))
        Fail("the source changed", g, x, y);
    }
  }
  const test::SourceModel model(g.request, g.dstW, g.dstH, g.srcW, g.srcH);
  for (std::int32_t y = 0; y < dstLines; ++y) {
    for (std::int32_t x = 0; x < dstStride; ++x) {
      const bool inside = x < dstW;
      const Pixel untouched = Tagged(x, y, inside ? kUnwrittenTag : kBeyondTag);
      CheckPixel(at(dst, dstLines, dstStride, x, y), inside ? model.At(x, y) : std::nullopt,
                 clearing && !refused && (inside || plain) ? Pixel{} : untouched, g, x, y);
    }
  }
}

// A frame of a luma plane, a plane subsampled by 2^sx x 2^sy and a packed 4:2:2 plane, through
// tesselox_copy_frame or in two bands of rows.
void FuzzFrame(const FuzzInput& in, const ParameterValues& values) {
  const std::int32_t dstW = std::max(FoldWidth(in, in.capacityWidth), 0);
  const std::int32_t dstH = std::max(FoldHeight(in, in.capacityHeight), 0);
  const std::int32_t srcW = std::max(FoldWidth(in, in.width), 0);
  const std::int32_t srcH = std::max(FoldHeight(in, in.height), 0);
  const int sx = (in.srcPad & 3) % 3, sy = ((in.srcPad >> 2) & 3) % 3;
  const int packedBytes = (in.dstPad & 1) ? 4 : 2;
  const bool clearing = (in.flags & kClear) != 0;
  const tesselox_frame_plane layout[3] = {
      {nullptr, 0, 1, 0, 0, TESSELOX_PLANAR},
      {nullptr, 0, 2, sx, sy, TESSELOX_PLANAR},
      {nullptr, 0, packedBytes, 0, 0,
       (in.dstPad & 2) ? TESSELOX_PACKED_422_LUMA_SECOND : TESSELOX_PACKED_422_LUMA_FIRST}};
  // Exact buffers (no padding), so that ASan sees any access outside a plane.
  const unsigned bottomUp = (in.flags & kBottomUp) ? 7u : 0u;
  const test::TestFrame src(layout, 3, srcW, srcH, true, bottomUp, 0, 0);
  test::TestFrame dst(layout, 3, dstW, dstH, false, bottomUp, 0, 0xA5);
  const Geometry g{dstW, dstH, srcW, srcH, CopyRequestFrom(values)};
  const tesselox_request request = test::CRequestOf(g.request);
  const std::uint8_t black[8] = {16, 128, 16, 128, 16, 128, 16, 128};
  const void* fill[3] = {black, black, black};
  const void* const* given = clearing ? fill : nullptr;
  if (in.dstPad & 4) {
    // In two bands of luma rows, the later first, split where the input says.
    tesselox_plan* plan = nullptr;
    const std::int32_t cut =
        dstH == 0 ? 0
                  : static_cast<std::int32_t>((static_cast<std::uint32_t>(in.srcPad) >> 4) %
                                              static_cast<std::uint32_t>(dstH + 1));
    if (tesselox_plan_create(&plan, dstW, dstH, srcW, srcH, &request) != TESSELOX_OK ||
        tesselox_plan_draw_frame_rows(plan, &dst.frame, &src.frame, given, cut, dstH) !=
            TESSELOX_OK ||
        tesselox_plan_draw_frame_rows(plan, &dst.frame, &src.frame, given, 0, cut) != TESSELOX_OK)
      Fail("frame rows status", g);
    tesselox_plan_destroy(plan);
  } else if (tesselox_copy_frame(&dst.frame, &src.frame, &request, given) != TESSELOX_OK) {
    Fail("frame status", g);
  }
  const char* wrong[3] = {"wrong luma row", "wrong subsampled row", "wrong packed row"};
  for (int k = 0; k < 3; ++k) {
    if (const std::int32_t y = dst.WrongRow(k, src, g.request, clearing ? black : nullptr, 0xA5);
        y >= 0)
      Fail(wrong[k], g, -1, y);
  }
}

}  // namespace
}  // namespace tesselox::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tesselox::fuzz;
  const FuzzInput in = Decode(data, size);
  tesselox::ParameterValues values = in.values;
  if (in.flags & kSmallValues) {
    const std::int32_t reach = (in.flags & kWide) ? 4400 : 80;
    for (auto& v : values) v = Fold(v, -reach, reach);
  }
  if ((in.flags & kDirectCopy) && (in.flags & kFrame)) {
    FuzzFrame(in, values);
  } else if (in.flags & kDirectCopy) {
    FuzzCopyPlane(in, values);
  } else {
    FuzzRenderFrame(in, values);
  }
  return 0;
}
