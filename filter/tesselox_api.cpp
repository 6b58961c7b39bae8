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
#include "filter/plane_view.h"
#include "filter/render_plane.h"
#include "filter/row_routine.h"

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

// Draws a checked pair of planes of the plan's sizes.
void Draw(const CopyPlan& planned, const tesselox_plane& dst, const tesselox_plane& src,
          const void* fill) {
  CopyPlan plan = planned;
  AxisPlan& y = plan.y;
  // The same rows of a plane turned upside down: row r becomes row height - 1 - r.
  if (plan.draw && dst.stride < 0) {
    y.dstStart = dst.height - 1 - y.dstStart;
    y.dstStep = -y.dstStep;
  }
  if (plan.draw && src.stride < 0) {
    y.srcStart = src.height - 1 - y.srcStart;
    y.edge = src.height - 1 - y.edge;
    y.srcStep = -y.srcStep;
  }
  const PlaneView to = TopDown(dst), from = TopDown(src);
  if (fill != nullptr) {
    RenderPlane(to, from, plan, static_cast<const std::uint8_t*>(fill));
  } else if (plan.draw) {
    ExecuteCopy(to, from, plan, PickRowRoutine(plan.x, to.pixelBytes));
  }
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
  Draw(plan, *dst, *src, fill);
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
  using namespace tesselox;
  if (plan == nullptr || (count > 0 && (dst == nullptr || src == nullptr)))
    return TESSELOX_ERROR_NULL_ARGUMENT;
  for (size_t k = 0; k < count; ++k) {
    if (const int status = CheckPair(dst[k], src[k]); status != TESSELOX_OK) return status;
    if (dst[k].width != plan->dstWidth || dst[k].height != plan->dstHeight ||
        src[k].width != plan->srcWidth || src[k].height != plan->srcHeight)
      return TESSELOX_ERROR_PLAN_SIZE;
  }
  for (size_t k = 0; k < count; ++k) {
    Draw(plan->plan, dst[k], src[k], fill == nullptr ? nullptr : fill[k]);
  }
  return TESSELOX_OK;
}

void tesselox_plan_destroy(tesselox_plan* plan) {
  delete plan;
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
      return "a pixel size is not 1, 2, 3, 4, 6 or 8 bytes";
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
    default:
      return "unknown status";
  }
}

const char* tesselox_version(void) {
  return TESSELOX_VERSION_TEXT;
}

}  // extern "C"
