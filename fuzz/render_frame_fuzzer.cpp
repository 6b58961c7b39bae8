// libFuzzer target: arbitrary bytes become a frame record (or two views with their own strides)
// and the twelve values; the result is checked pixel by pixel against the geometry, and every
// byte outside the buffers and outside the places the copy may write must be as it was.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

#include "filter/clear_outside.h"
#include "filter/copy_nearest.h"
#include "filter/copy_plan.h"
#include "filter/execute_copy.h"
#include "filter/render_frame.h"
#include "filter/row_routine.h"
#include "fuzz_input.h"
#include "phase_model.h"
#include "reference_model.h"
#include "test_image.h"

namespace tesselox::fuzz {
namespace {

using test::CopyArgs;
using test::Position;
using test::Tagged;
using test::TagOf;

// Pixel tags: 1 source image, 2 guard, 3 line padding or capacity beyond the frame, 4 a
// destination pixel the copy has not written.
constexpr std::uint8_t kGuardTag = 2, kPadTag = 3, kUnwrittenTag = 4;
constexpr std::size_t kGuard = 8;

// `count` pixels, with guard pixels on both sides unless the input asks for an exact
// allocation, in which case ASan itself reports any access outside.
class Buffer {
 public:
  Buffer(std::size_t count, bool guarded)
      : count_(count), guard_(guarded ? kGuard : 0), storage_(new Pixel[count + 2 * guard_]) {
    for (std::size_t k = 0; k < guard_; ++k) {
      storage_[k] = GuardPixel(k);
      storage_[guard_ + count_ + k] = GuardPixel(k + guard_);
    }
  }
  Pixel* Body() { return storage_.get() + guard_; }
  const Pixel* Body() const { return storage_.get() + guard_; }
  std::size_t Count() const { return count_; }
  bool GuardsIntact() const {
    for (std::size_t k = 0; k < guard_; ++k) {
      if (!(storage_[k] == GuardPixel(k)) ||
          !(storage_[guard_ + count_ + k] == GuardPixel(k + guard_)))
        return false;
    }
    return true;
  }

 private:
  static Pixel GuardPixel(std::size_t k) {
    return Tagged(static_cast<std::int32_t>(k), 0, kGuardTag);
  }
  std::size_t count_;
  std::size_t guard_;
  std::unique_ptr<Pixel[]> storage_;
};

struct Geometry {
  CopyArgs args;
  std::int32_t srcW, srcH, dstW, dstH;
};

[[noreturn]] void Fail(const char* what, const Geometry& g, std::int64_t x = -1,
                       std::int64_t y = -1) {
  const CopyArgs& a = g.args;
  std::fprintf(stderr,
               "FAULT: %s at (%lld,%lld)\n  src %dx%d dst %dx%d d(%d,%d,%d,%d) s(%d,%d,%d,%d) "
               "p(%d,%d)\n",
               what, static_cast<long long>(x), static_cast<long long>(y), g.srcW, g.srcH, g.dstW,
               g.dstH, a.dx, a.dy, a.dcx, a.dcy, a.sx, a.sy, a.scx, a.scy, a.px, a.py);
  std::abort();
}

// What every destination pixel must hold: a source position, or nothing (not drawn).
class Expectation {
 public:
  explicit Expectation(const Geometry& g)
      : g_(g),
        x_{g.args.dx, g.args.dcx, g.args.sx, g.args.scx, g.args.px, g.dstW, g.srcW},
        y_{g.args.dy, g.args.dcy, g.args.sy, g.args.scy, g.args.py, g.dstH, g.srcH},
        firstX_(FirstDrawn(x_)),
        firstY_(FirstDrawn(y_)) {}

  std::optional<Position> At(std::int32_t x, std::int32_t y) const {
    const auto sx = PhasedSource(x_, x, firstX_);
    const auto sy = PhasedSource(y_, y, firstY_);
    std::optional<Position> phased;
    if (sx && sy) phased = Position{static_cast<std::int32_t>(*sx), static_cast<std::int32_t>(*sy)};
    if (g_.args.px != 0 || g_.args.py != 0) return phased;
    // With phase 0 the project's own model decides; the axis model must agree with it.
    const auto plain = test::ModelSource(g_.args, g_.srcW, g_.srcH, x, y);
    if (plain != phased) Fail("the two models disagree", g_, x, y);
    return plain;
  }

 private:
  Geometry g_;
  AxisModel x_, y_;
  std::optional<std::int64_t> firstX_, firstY_;
};

CopyArgs ArgsOf(const ParameterValues& v) {
  auto at = [&v](FieldId id) { return v[Index(id)]; };
  return CopyArgs{at(FieldId::DstX),   at(FieldId::DstY),  at(FieldId::DstCx), at(FieldId::DstCy),
                  at(FieldId::SrcX),   at(FieldId::SrcY),  at(FieldId::SrcCx), at(FieldId::SrcCy),
                  at(FieldId::PhaseX), at(FieldId::PhaseY)};
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
  Buffer current(count, guarded), scratch(count, guarded);

  const std::int32_t srcW = std::clamp(in.width, 0, w), srcH = std::clamp(in.height, 0, h);
  auto capped = [](std::int32_t v, std::int32_t cap) {
    return static_cast<std::int32_t>(std::min<std::int64_t>(std::llabs(v), cap));
  };
  const Geometry g{ArgsOf(values), srcW, srcH, capped(values[Index(FieldId::Width)], w),
                   capped(values[Index(FieldId::Height)], h)};

  for (std::int32_t y = 0; y < h; ++y) {
    for (std::int32_t x = 0; x < w; ++x) {
      current.Body()[y * w + x] = Tagged(x, y, x < srcW && y < srcH ? 1 : kPadTag);
      scratch.Body()[y * w + x] = Tagged(x, y, kUnwrittenTag);
    }
  }
  const std::unique_ptr<Pixel[]> before(new Pixel[count]);
  if (count != 0) std::memcpy(before.get(), current.Body(), count * sizeof(Pixel));

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
  if (count != 0 && std::memcmp(before.get(), current.Body(), count * sizeof(Pixel)) != 0)
    Fail("the source frame changed", g);

  const Expectation expect(g);
  for (std::int32_t y = 0; y < h; ++y) {
    for (std::int32_t x = 0; x < w; ++x) {
      const bool inFrame = x < g.dstW && y < g.dstH;
      CheckPixel(scratch.Body()[y * w + x], inFrame ? expect.At(x, y) : std::nullopt, Pixel{}, g, x,
                 y);
    }
  }
}

void FuzzCopyNearest(const FuzzInput& in, const ParameterValues& values) {
  const bool guarded = (in.flags & kNoGuard) == 0;
  const std::int32_t dstW = FoldWidth(in, in.capacityWidth),
                     dstH = FoldHeight(in, in.capacityHeight);
  const std::int32_t srcW = FoldWidth(in, in.width), srcH = FoldHeight(in, in.height);
  const std::int32_t dstStride = std::max(dstW, 0) + Fold(in.dstPad, 0, 7);
  const std::int32_t srcStride = std::max(srcW, 0) + Fold(in.srcPad, 0, 7);
  const std::int32_t dstLines = std::max(dstH, 0), srcLines = std::max(srcH, 0);
  Buffer dst(static_cast<std::size_t>(dstStride) * dstLines, guarded);
  Buffer src(static_cast<std::size_t>(srcStride) * srcLines, guarded);

  auto fill = [](Buffer& b, std::int32_t width, std::int32_t lines, std::int32_t stride,
                 std::uint8_t insideTag) {
    for (std::int32_t y = 0; y < lines; ++y) {
      for (std::int32_t x = 0; x < stride; ++x)
        b.Body()[y * stride + x] = Tagged(x, y, x < width ? insideTag : kPadTag);
    }
  };
  fill(src, srcW, srcLines, srcStride, 1);
  fill(dst, dstW, dstLines, dstStride, kUnwrittenTag);

  const Geometry g{ArgsOf(values), std::max(srcW, 0), srcLines, std::max(dstW, 0), dstLines};
  const CopyArgs& a = g.args;
  const ImageView dstView{dst.Body(), dstW, dstH, dstStride};
  const ImageView srcView{src.Body(), srcW, srcH, srcStride};
  const bool clearing = (in.flags & kClear) != 0;
  if (in.flags & (kPlain | kClear)) {
    const CopyPlan plan =
        PlanCopy(dstView, a.dx, a.dy, a.dcx, a.dcy, srcView, a.sx, a.sy, a.scx, a.scy, a.px, a.py);
    PixelRect drawn{};
    if (plan.draw) {
      drawn = PixelRect{static_cast<std::ptrdiff_t>(FirstWritten(plan.cols)),
                        static_cast<std::ptrdiff_t>(FirstWritten(plan.rows)),
                        static_cast<std::ptrdiff_t>(plan.cols.count),
                        static_cast<std::ptrdiff_t>(plan.rows.count)};
    }
    ClearStream clear(dst.Body(), dstStride, dstLines, drawn);
    const bool simd = (in.flags & kPlain) == 0;
    if (plan.draw) {
      ExecuteCopy(dstView, srcView, plan, ChooseRowRoutine(plan.cols), simd,
                  clearing ? &clear : nullptr);
    } else if (clearing) {
      clear.Finish();
    }
  } else {
    CopyNearest(dstView, a.dx, a.dy, a.dcx, a.dcy, srcView, a.sx, a.sy, a.scx, a.scy, a.px, a.py);
  }

  if (!dst.GuardsIntact() || !src.GuardsIntact()) Fail("wrote outside a buffer", g);
  for (std::int32_t y = 0; y < srcLines; ++y) {
    for (std::int32_t x = 0; x < srcStride; ++x) {
      if (!(src.Body()[y * srcStride + x] == Tagged(x, y, x < srcW ? 1 : kPadTag)))
        Fail("the source changed", g, x, y);
    }
  }
  const Expectation expect(g);
  for (std::int32_t y = 0; y < dstLines; ++y) {
    for (std::int32_t x = 0; x < dstStride; ++x) {
      const bool inside = x < dstW;
      const Pixel untouched = Tagged(x, y, inside ? kUnwrittenTag : kPadTag);
      CheckPixel(dst.Body()[y * dstStride + x], inside ? expect.At(x, y) : std::nullopt,
                 clearing ? Pixel{} : untouched, g, x, y);
    }
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
  if (in.flags & kDirectCopy) {
    FuzzCopyNearest(in, values);
  } else {
    FuzzRenderFrame(in, values);
  }
  return 0;
}
