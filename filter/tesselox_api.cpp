// The C API: arguments checked, then the same plan and drawing that the plug-ins' RenderPlane
// uses. Bottom-up planes are drawn as top-down ones whose rows the plan walks the other way.

#include "tesselox/tesselox.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <new>

#include "filter/copy_plan.h"
#include "filter/copy_request.h"
#include "filter/execute_copy.h"
#include "filter/fit_request.h"
#include "filter/plane_view.h"
#include "filter/render_packed_422.h"
#include "filter/render_plane.h"
#include "filter/row_routine.h"
#include "filter/subsampled_plan.h"

struct tesselox_plan {
  tesselox::CopyPlan plan;
  std::int32_t dstWidth, dstHeight, srcWidth, srcHeight;
};

namespace tesselox {
namespace {

using u64 = std::uint64_t;

bool HasPixels(const tesselox_plane& p) {
  return p.width > 0 && p.height > 0;
}

u64 RowBytes(const tesselox_plane& p) {
  return static_cast<u64>(p.width) * static_cast<u64>(p.pixel_bytes);
}

// The bytes from a plane's lowest pixel byte to its highest, [low, high), or false when they do
// not fit the address space (no such plane exists in memory).
struct ByteSpan {
  u64 low, high;
};
bool SpanOf(const tesselox_plane& p, ByteSpan& span) {
  const auto stride = static_cast<std::int64_t>(p.stride);
  const u64 step = stride < 0 ? u64{0} - static_cast<u64>(stride) : static_cast<u64>(stride);
  const u64 rows = static_cast<u64>(p.height) - 1, row = RowBytes(p);
  constexpr u64 kLimit = static_cast<u64>(std::numeric_limits<std::ptrdiff_t>::max());
  if (row > kLimit || (rows != 0 && step > (kLimit - row) / rows)) return false;
  const u64 reach = rows * step;  // from the first row to the last
  const u64 at = reinterpret_cast<std::uintptr_t>(p.data);
  constexpr u64 kTop = std::numeric_limits<std::uintptr_t>::max();
  if (stride < 0 ? reach > at : reach > kTop - at) return false;
  span.low = stride < 0 ? at - reach : at;
  if (row > kTop - (span.low + reach)) return false;
  span.high = span.low + reach + row;
  return true;
}

int CheckPlane(const tesselox_plane& p) {
  if (p.width < 0 || p.height < 0) return TESSELOX_ERROR_NEGATIVE_SIZE;
  if (!IsPixelSize(p.pixel_bytes)) return TESSELOX_ERROR_PIXEL_BYTES;
  if (!HasPixels(p)) return TESSELOX_OK;
  if (p.data == nullptr) return TESSELOX_ERROR_NULL_DATA;
  const auto stride = static_cast<std::int64_t>(p.stride);
  const u64 step = stride < 0 ? u64{0} - static_cast<u64>(stride) : static_cast<u64>(stride);
  ByteSpan span;
  if (step < RowBytes(p) || !SpanOf(p, span)) return TESSELOX_ERROR_STRIDE;
  return TESSELOX_OK;
}

int CheckPair(const tesselox_plane& dst, const tesselox_plane& src) {
  if (const int status = CheckPlane(dst); status != TESSELOX_OK) return status;
  if (const int status = CheckPlane(src); status != TESSELOX_OK) return status;
  if (dst.pixel_bytes != src.pixel_bytes) return TESSELOX_ERROR_PIXEL_BYTES_DIFFER;
  ByteSpan d, s;
  if (HasPixels(dst) && HasPixels(src) && SpanOf(dst, d) && SpanOf(src, s) && d.low < s.high &&
      s.low < d.high)
    return TESSELOX_ERROR_OVERLAP;
  return TESSELOX_OK;
}

CopyRequest RequestOf(const tesselox_request& r) {
  return CopyRequest{{r.dst_x, r.dst_cx, r.src_x, r.src_cx, r.phase_x},
                     {r.dst_y, r.dst_cy, r.src_y, r.src_cy, r.phase_y}};
}

// A checked plane with its rows top-down: a bottom-up one seen from its last row, so that its
// row r is the plane's row height - 1 - r.
PlaneView TopDown(const tesselox_plane& p) {
  auto* bytes = static_cast<std::uint8_t*>(p.data);
  if (!HasPixels(p)) return PlaneView{bytes, p.width, p.height, 0, p.pixel_bytes};
  if (p.stride >= 0) return PlaneView{bytes, p.width, p.height, p.stride, p.pixel_bytes};
  if (p.height <= 1) {
    return PlaneView{bytes, p.width, p.height, static_cast<std::ptrdiff_t>(RowBytes(p)),
                     p.pixel_bytes};
  }
  return PlaneView{bytes + (p.height - 1) * p.stride, p.width, p.height, -p.stride, p.pixel_bytes};
}

// The same rows of bottom-up planes seen top-down: row r becomes row height - 1 - r.
void FlipRows(CopyPlan& plan, const tesselox_plane& dst, const tesselox_plane& src) {
  AxisPlan& y = plan.y;
  if (plan.draw && dst.stride < 0) {
    y.dstStart = dst.height - 1 - y.dstStart;
    y.dstStep = -y.dstStep;
  }
  if (plan.draw && src.stride < 0) {
    y.srcStart = src.height - 1 - y.srcStart;
    y.edge = src.height - 1 - y.edge;
    y.srcStep = -y.srcStep;
  }
}

// Draws rows [first, last) of a checked pair of planes of the plan's sizes.
void Draw(const CopyPlan& planned, const tesselox_plane& dst, const tesselox_plane& src,
          const void* fill, std::int32_t first, std::int32_t last) {
  CopyPlan plan = planned;
  FlipRows(plan, dst, src);
  const PlaneView to = TopDown(dst), from = TopDown(src);
  // A bottom-up plane's rows [first, last) are rows [height - last, height - first) seen top-down.
  if (dst.stride < 0) {
    const std::int32_t top = dst.height - last;
    last = dst.height - first;
    first = top;
  }
  if (fill != nullptr) {
    RenderRows(to, from, plan, static_cast<const std::uint8_t*>(fill), first, last);
    return;
  }
  const CopyPlan band = RestrictRows(plan, first, last);
  if (band.draw) {
    ExecuteCopy(RowsOf(to, first, last), from, band, PickRowRoutine(band.x, to.pixelBytes), nullptr,
                StreamsStores(to, from));
  }
}

int DrawPlanned(const tesselox_plan* plan, const tesselox_plane* dst, const tesselox_plane* src,
                const void* const* fill, size_t count, std::int32_t first, std::int32_t last) {
  if (plan == nullptr || (count > 0 && (dst == nullptr || src == nullptr)))
    return TESSELOX_ERROR_NULL_ARGUMENT;
  for (size_t k = 0; k < count; ++k) {
    if (const int status = CheckPair(dst[k], src[k]); status != TESSELOX_OK) return status;
    if (dst[k].width != plan->dstWidth || dst[k].height != plan->dstHeight ||
        src[k].width != plan->srcWidth || src[k].height != plan->srcHeight)
      return TESSELOX_ERROR_PLAN_SIZE;
  }
  if (first < 0 || first > last || last > plan->dstHeight) return TESSELOX_ERROR_ROWS;
  for (size_t k = 0; k < count; ++k) {
    Draw(plan->plan, dst[k], src[k], fill == nullptr ? nullptr : fill[k], first, last);
  }
  return TESSELOX_OK;
}

// A frame plane as a plane of its own samples (a packed one: of its macropixels), for the checks
// and the drawing.
tesselox_plane PlaneOf(const tesselox_frame& frame, const tesselox_frame_plane& p) {
  if (p.packing != TESSELOX_PLANAR) {
    return tesselox_plane{p.data, static_cast<std::int32_t>((std::int64_t{frame.width} + 1) / 2),
                          frame.height, p.stride, 2 * p.pixel_bytes};
  }
  const PlaneSize size = SubsampledSize({frame.width, frame.height}, p.shift_x, p.shift_y);
  return tesselox_plane{p.data, size.width, size.height, p.stride, p.pixel_bytes};
}

bool Packed(const tesselox_frame_plane& p) {
  return p.packing == TESSELOX_PACKED_422_LUMA_FIRST ||
         p.packing == TESSELOX_PACKED_422_LUMA_SECOND;
}

bool Overlap(const tesselox_plane& a, const tesselox_plane& b) {
  ByteSpan x, y;
  return HasPixels(a) && HasPixels(b) && SpanOf(a, x) && SpanOf(b, y) && x.low < y.high &&
         y.low < x.high;
}

// Checks two frames and gives their planes as planes of samples.
int CheckFrames(const tesselox_frame& dst, const tesselox_frame& src, tesselox_plane* to,
                tesselox_plane* from) {
  if (dst.width < 0 || dst.height < 0 || src.width < 0 || src.height < 0)
    return TESSELOX_ERROR_NEGATIVE_SIZE;
  if (dst.plane_count < 1 || dst.plane_count > 4 || src.plane_count != dst.plane_count)
    return TESSELOX_ERROR_FRAME;
  for (int k = 0; k < dst.plane_count; ++k) {
    const tesselox_frame_plane &d = dst.planes[k], &s = src.planes[k];
    const bool packed = Packed(d);
    if ((!packed && d.packing != TESSELOX_PLANAR) || s.packing != d.packing ||
        d.shift_x != s.shift_x || d.shift_y != s.shift_y || d.shift_x < 0 || d.shift_x > 2 ||
        d.shift_y < 0 || d.shift_y > 2 || (packed && (d.shift_x != 0 || d.shift_y != 0)))
      return TESSELOX_ERROR_FRAME;
    if (packed &&
        ((d.pixel_bytes != 2 && d.pixel_bytes != 4) || (s.pixel_bytes != 2 && s.pixel_bytes != 4)))
      return TESSELOX_ERROR_PIXEL_BYTES;
    to[k] = PlaneOf(dst, d);
    from[k] = PlaneOf(src, s);
    if (const int status = CheckPair(to[k], from[k]); status != TESSELOX_OK) return status;
  }
  // No plane may be written through another, nor a source overwritten before it is read.
  for (int a = 0; a < dst.plane_count; ++a) {
    for (int b = 0; b < dst.plane_count; ++b) {
      if ((a != b && Overlap(to[a], from[b])) || (a < b && Overlap(to[a], to[b])))
        return TESSELOX_ERROR_OVERLAP;
    }
  }
  return TESSELOX_OK;
}

// Draws luma rows [first, last) of checked frames with the plan of their luma; each plane draws
// the rows of its own that those rows own.
void DrawFrame(const CopyPlan& full, const tesselox_frame& dst, const tesselox_frame& src,
               const tesselox_plane* to, const tesselox_plane* from, const void* const* fill,
               std::int32_t first, std::int32_t last) {
  for (int k = 0; k < dst.plane_count; ++k) {
    const tesselox_frame_plane& p = dst.planes[k];
    const void* planeFill = fill == nullptr ? nullptr : fill[k];
    if (!Packed(p)) {
      Draw(SubsamplePlan(full, p.shift_x, p.shift_y), to[k], from[k], planeFill,
           SubsampledRow(first, p.shift_y), SubsampledRow(last, p.shift_y));
      continue;
    }
    CopyPlan lumaPlan = full, pairs = SubsamplePlan(full, 1, 0);
    FlipRows(lumaPlan, to[k], from[k]);
    FlipRows(pairs, to[k], from[k]);
    const PlaneView d = TopDown(to[k]), s = TopDown(from[k]);
    // A bottom-up plane's rows [first, last) are rows [height - last, height - first) top-down.
    const bool up = to[k].stride < 0;
    RenderPacked422Rows(
        {d.bytes, dst.width, dst.height, d.stride, p.pixel_bytes},
        {s.bytes, src.width, src.height, s.stride, p.pixel_bytes}, lumaPlan, pairs,
        p.packing == TESSELOX_PACKED_422_LUMA_FIRST ? LumaSamples::First : LumaSamples::Second,
        static_cast<const std::uint8_t*>(planeFill), up ? dst.height - last : first,
        up ? dst.height - first : last);
  }
}

// Checks a plan's frames and their rows, then draws them.
int DrawPlannedFrame(const tesselox_plan* plan, const tesselox_frame* dst,
                     const tesselox_frame* src, const void* const* fill, std::int32_t first,
                     std::int32_t last) {
  if (plan == nullptr || dst == nullptr || src == nullptr) return TESSELOX_ERROR_NULL_ARGUMENT;
  tesselox_plane to[4], from[4];
  if (const int status = CheckFrames(*dst, *src, to, from); status != TESSELOX_OK) return status;
  if (dst->width != plan->dstWidth || dst->height != plan->dstHeight ||
      src->width != plan->srcWidth || src->height != plan->srcHeight)
    return TESSELOX_ERROR_PLAN_SIZE;
  if (first < 0 || first > last || last > plan->dstHeight) return TESSELOX_ERROR_ROWS;
  DrawFrame(plan->plan, *dst, *src, to, from, fill, first, last);
  return TESSELOX_OK;
}

}  // namespace
}  // namespace tesselox

extern "C" {

int tesselox_copy_plane(const tesselox_plane* dst, const tesselox_plane* src,
                        const tesselox_request* request, const void* fill) {
  using namespace tesselox;
  if (dst == nullptr || src == nullptr || request == nullptr) return TESSELOX_ERROR_NULL_ARGUMENT;
  if (const int status = CheckPair(*dst, *src); status != TESSELOX_OK) return status;
  const CopyPlan plan = PlanCopy(PlaneSize{dst->width, dst->height},
                                 PlaneSize{src->width, src->height}, RequestOf(*request));
  Draw(plan, *dst, *src, fill, 0, dst->height);
  return TESSELOX_OK;
}

int tesselox_plan_create(tesselox_plan** plan, std::int32_t dst_width, std::int32_t dst_height,
                         std::int32_t src_width, std::int32_t src_height,
                         const tesselox_request* request) {
  using namespace tesselox;
  if (plan == nullptr) return TESSELOX_ERROR_NULL_ARGUMENT;
  *plan = nullptr;
  if (request == nullptr) return TESSELOX_ERROR_NULL_ARGUMENT;
  if (dst_width < 0 || dst_height < 0 || src_width < 0 || src_height < 0)
    return TESSELOX_ERROR_NEGATIVE_SIZE;
  *plan = new (std::nothrow)
      tesselox_plan{PlanCopy(PlaneSize{dst_width, dst_height}, PlaneSize{src_width, src_height},
                             RequestOf(*request)),
                    dst_width, dst_height, src_width, src_height};
  return *plan == nullptr ? TESSELOX_ERROR_NO_MEMORY : TESSELOX_OK;
}

int tesselox_plan_draw(const tesselox_plan* plan, const tesselox_plane* dst,
                       const tesselox_plane* src, const void* const* fill, size_t count) {
  return tesselox::DrawPlanned(plan, dst, src, fill, count, 0,
                               plan == nullptr ? 0 : plan->dstHeight);
}

int tesselox_plan_draw_rows(const tesselox_plan* plan, const tesselox_plane* dst,
                            const tesselox_plane* src, const void* const* fill, size_t count,
                            std::int32_t first, std::int32_t last) {
  return tesselox::DrawPlanned(plan, dst, src, fill, count, first, last);
}

int tesselox_copy_frame(const tesselox_frame* dst, const tesselox_frame* src,
                        const tesselox_request* request, const void* const* fill) {
  using namespace tesselox;
  if (dst == nullptr || src == nullptr || request == nullptr) return TESSELOX_ERROR_NULL_ARGUMENT;
  tesselox_plane to[4], from[4];
  if (const int status = CheckFrames(*dst, *src, to, from); status != TESSELOX_OK) return status;
  const CopyPlan full =
      PlanCopy({dst->width, dst->height}, {src->width, src->height}, RequestOf(*request));
  DrawFrame(full, *dst, *src, to, from, fill, 0, dst->height);
  return TESSELOX_OK;
}

int tesselox_plan_draw_frame(const tesselox_plan* plan, const tesselox_frame* dst,
                             const tesselox_frame* src, const void* const* fill) {
  return tesselox::DrawPlannedFrame(plan, dst, src, fill, 0, plan == nullptr ? 0 : plan->dstHeight);
}

int tesselox_plan_draw_frame_rows(const tesselox_plan* plan, const tesselox_frame* dst,
                                  const tesselox_frame* src, const void* const* fill,
                                  std::int32_t first, std::int32_t last) {
  return tesselox::DrawPlannedFrame(plan, dst, src, fill, first, last);
}

void tesselox_plan_destroy(tesselox_plan* plan) {
  delete plan;
}

int tesselox_request_fit(tesselox_request* result, const tesselox_request* request,
                         std::int32_t frame_width, std::int32_t frame_height,
                         const std::int32_t* pixel_aspect, int fit, int sampling) {
  using namespace tesselox;
  if (result == nullptr || request == nullptr) return TESSELOX_ERROR_NULL_ARGUMENT;
  if (fit < TESSELOX_FIT_NONE || fit > TESSELOX_FIT_INTEGER ||
      (sampling != TESSELOX_SAMPLING_EDGE && sampling != TESSELOX_SAMPLING_CENTER)) {
    return TESSELOX_ERROR_FIT;
  }
  PixelAspect in, out;
  if (pixel_aspect != nullptr) {
    if (pixel_aspect[0] < 1 || pixel_aspect[1] < 1 || pixel_aspect[2] < 1 || pixel_aspect[3] < 1)
      return TESSELOX_ERROR_FIT;
    in = PixelAspect{pixel_aspect[0], pixel_aspect[1]};
    out = PixelAspect{pixel_aspect[2], pixel_aspect[3]};
  }
  if (frame_width < 0 || frame_height < 0) return TESSELOX_ERROR_NEGATIVE_SIZE;
  const CopyRequest r = Fitted(RequestOf(*request), PlaneSize{frame_width, frame_height}, in, out,
                               static_cast<FitMode>(fit), static_cast<Sampling>(sampling));
  *result = tesselox_request{r.x.sourceCorner, r.y.sourceCorner, r.x.sourceExtent, r.y.sourceExtent,
                             r.x.corner,       r.y.corner,       r.x.extent,       r.y.extent,
                             r.x.phase,        r.y.phase};
  return TESSELOX_OK;
}

const char* tesselox_error_text(int status) {
  switch (status) {
    case TESSELOX_OK:
      return "no error";
    case TESSELOX_ERROR_NULL_ARGUMENT:
      return "a plane, the request, the plan or the place for a new plan is NULL";
    case TESSELOX_ERROR_NULL_DATA:
      return "a plane with pixels has NULL data";
    case TESSELOX_ERROR_NEGATIVE_SIZE:
      return "a width or height is negative";
    case TESSELOX_ERROR_PIXEL_BYTES:
      return "a pixel size is not 1, 2, 3, 4, 6 or 8 bytes (2 or 4 in a packed 4:2:2 plane)";
    case TESSELOX_ERROR_PIXEL_BYTES_DIFFER:
      return "the destination's and the source's pixel sizes differ";
    case TESSELOX_ERROR_STRIDE:
      return "a stride is smaller than a row of pixels, or the rows reach past the address space";
    case TESSELOX_ERROR_OVERLAP:
      return "the destination and the source share memory";
    case TESSELOX_ERROR_PLAN_SIZE:
      return "a plane's size is not the one its plan was made for";
    case TESSELOX_ERROR_NO_MEMORY:
      return "out of memory";
    case TESSELOX_ERROR_FRAME:
      return "a frame's plane count, a plane's shift or packing is out of range, or the two "
             "frames' planes differ in them";
    case TESSELOX_ERROR_ROWS:
      return "the rows to draw are not within the destination's height";
    case TESSELOX_ERROR_FIT:
      return "a fit mode, sampling or pixel aspect ratio is none of those defined";
    default:
      return "unknown status";
  }
}

const char* tesselox_version(void) {
  return TESSELOX_VERSION_TEXT;
}

}  // extern "C"
