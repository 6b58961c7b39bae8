#include "gst/element_properties.h"

#include <gst/gst.h>

#include <algorithm>
#include <climits>

namespace tesselox::gst {
namespace {

std::int32_t Or(std::int32_t property, std::int32_t whole) {
  return property == kWholeFrame ? whole : property;
}

constexpr std::int32_t kMin = INT32_MIN;
constexpr std::int32_t kMax = INT32_MAX;

// floor(v / 2) and ceil(v / 2) for any sign.
constexpr std::int64_t FloorHalf(std::int64_t v) {
  return v >= 0 ? v / 2 : -((1 - v) / 2);
}
constexpr std::int64_t CeilHalf(std::int64_t v) {
  return -FloorHalf(-v);
}

// The rows of parity `field` that a corner and signed extent cover, as a corner and signed
// extent in field rows (row r of the field is frame row 2r + field). Always fits 32 bits.
void FieldSpan(std::int32_t corner, std::int32_t extent, int field, std::int32_t& fieldCorner,
               std::int32_t& fieldExtent) {
  // The frame rows covered, [low, high).
  const std::int64_t low = extent >= 0 ? corner : std::int64_t{corner} + extent + 1;
  const std::int64_t high = extent >= 0 ? std::int64_t{corner} + extent : std::int64_t{corner} + 1;
  const std::int64_t first = CeilHalf(low - field), end = CeilHalf(high - field);
  const std::int64_t count = extent == 0 ? 0 : end - first;
  fieldCorner = static_cast<std::int32_t>(extent >= 0 ? first : end - 1);
  fieldExtent = static_cast<std::int32_t>(extent >= 0 ? count : -count);
}

// Field mapping: whole-number halves, and odd values split between the fields.
static_assert(FloorHalf(-3) == -2 && FloorHalf(3) == 1 && CeilHalf(-3) == -1 && CeilHalf(3) == 2);

}  // namespace

// clang-format off
const std::array<IntPropertySpec, 12> kIntProperties = {{
    {PropertyId::SrcX, "src-x", "Left column of the source rectangle in the input frame", kMin,
     kMax, 0, &Geometry::srcX},
    {PropertyId::SrcY, "src-y", "Top row of the source rectangle in the input frame", kMin, kMax,
     0, &Geometry::srcY},
    {PropertyId::SrcCx, "src-cx", "Width of the source rectangle; negative runs leftwards from "
     "src-x (a mirror), 0 draws nothing, -2147483648 (default) the input's width", kMin, kMax,
     kWholeFrame, &Geometry::srcCx},
    {PropertyId::SrcCy, "src-cy", "Height of the source rectangle; negative runs upwards from "
     "src-y (a mirror), 0 draws nothing, -2147483648 (default) the input's height", kMin, kMax,
     kWholeFrame, &Geometry::srcCy},
    {PropertyId::DstX, "dst-x", "Left column of the destination rectangle in the output frame",
     kMin, kMax, 0, &Geometry::dstX},
    {PropertyId::DstY, "dst-y", "Top row of the destination rectangle in the output frame", kMin,
     kMax, 0, &Geometry::dstY},
    {PropertyId::DstCx, "dst-cx", "Width of the destination rectangle; negative runs leftwards "
     "from dst-x (a mirror), 0 draws nothing, -2147483648 (default) the output's width", kMin,
     kMax, kWholeFrame, &Geometry::dstCx},
    {PropertyId::DstCy, "dst-cy", "Height of the destination rectangle; negative runs upwards "
     "from dst-y (a mirror), 0 draws nothing, -2147483648 (default) the output's height", kMin,
     kMax, kWholeFrame, &Geometry::dstCy},
    {PropertyId::Width, "width", "Output width: the magnitude of the value; 0 (default) the "
     "input's width, or the width downstream fixes", -kMax, kMax, kFollowInput, &Geometry::width},
    {PropertyId::Height, "height", "Output height: the magnitude of the value; 0 (default) the "
     "input's height, or the height downstream fixes", -kMax, kMax, kFollowInput,
     &Geometry::height},
    {PropertyId::PhaseX, "phase-x", "Moves the columns where source pixels repeat, in output "
     "pixels; held within 0..|dst-cx|", kMin, kMax, 0, &Geometry::phaseX},
    {PropertyId::PhaseY, "phase-y", "Moves the rows where source pixels repeat, in output "
     "pixels; held within 0..|dst-cy|", kMin, kMax, 0, &Geometry::phaseY},
}};
// clang-format on

const IntPropertySpec* IntProperty(unsigned id) {
  for (const IntPropertySpec& property : kIntProperties) {
    if (static_cast<unsigned>(property.id) == id) return &property;
  }
  return nullptr;
}

Geometry DefaultGeometry() {
  Geometry geometry{};
  for (const IntPropertySpec& property : kIntProperties)
    geometry.*property.value = property.initial;
  return geometry;
}

CopyRequest ResolveRequest(const Geometry& p, FrameSize in, FrameSize out, const Fitting& fitting) {
  CopyRequest request{{p.dstX, Or(p.dstCx, out.width), p.srcX, Or(p.srcCx, in.width), 0},
                      {p.dstY, Or(p.dstCy, out.height), p.srcY, Or(p.srcCy, in.height), 0}};
  // Each phase is held within its range at the frame, as the frame callback holds it.
  request.x.phase = std::clamp(p.phaseX, 0, Magnitude(request.x.extent));
  request.y.phase = std::clamp(p.phaseY, 0, Magnitude(request.y.extent));
  return FitRequest(request, PlaneSize{out.width, out.height},
                    PixelAspect{fitting.in.numerator, fitting.in.denominator},
                    PixelAspect{fitting.out.numerator, fitting.out.denominator}, fitting.mode);
}

bool CopiesUnchanged(const CopyRequest& request, FrameSize in, FrameSize out) {
  // The phase cannot move anything when the source and destination extents are equal.
  auto identity = [](const CopyAxis& a, std::int32_t size) {
    return a.corner == 0 && a.extent == size && a.sourceCorner == 0 && a.sourceExtent == size;
  };
  return in.width == out.width && in.height == out.height && identity(request.x, in.width) &&
         identity(request.y, in.height);
}

std::optional<CropRect> PureCrop(const CopyRequest& request, FrameSize in, FrameSize out,
                                 int alignX, int alignY) {
  // With equal extents the phase moves nothing.
  auto crops = [](const CopyAxis& a, std::int32_t inSize, std::int32_t outSize, int align) {
    return a.corner == 0 && a.extent == outSize && a.sourceExtent == outSize &&
           a.sourceCorner >= 0 && a.sourceCorner % align == 0 &&
           std::int64_t{a.sourceCorner} + a.sourceExtent <= inSize;
  };
  if (!crops(request.x, in.width, out.width, alignX) ||
      !crops(request.y, in.height, out.height, alignY)) {
    return std::nullopt;
  }
  return CropRect{request.x.sourceCorner, request.y.sourceCorner, out.width, out.height};
}

CopyAxis FieldRows(const CopyAxis& rows, int field) {
  CopyAxis mapped{};
  FieldSpan(rows.corner, rows.extent, field, mapped.corner, mapped.extent);
  FieldSpan(rows.sourceCorner, rows.sourceExtent, field, mapped.sourceCorner, mapped.sourceExtent);
  mapped.phase = std::clamp(rows.phase / 2, 0, Magnitude(mapped.extent));
  return mapped;
}

Fraction OutputPixelAspect(Fraction in, const CopyRequest& request) {
  const gint srcCx = Magnitude(request.x.sourceExtent), dstCx = Magnitude(request.x.extent);
  const gint srcCy = Magnitude(request.y.sourceExtent), dstCy = Magnitude(request.y.extent);
  if (srcCx == 0 || dstCx == 0 || srcCy == 0 || dstCy == 0) return in;
  // in x (srcCx / dstCx) x (dstCy / srcCy), each step reduced; in doubles when a step overflows.
  gint n = in.numerator, d = in.denominator;
  if (gst_util_fraction_multiply(n, d, srcCx, dstCx, &n, &d) &&
      gst_util_fraction_multiply(n, d, dstCy, srcCy, &n, &d)) {
    return {n, d};
  }
  const double ratio =
      static_cast<double>(in.numerator) / in.denominator * srcCx / dstCx * dstCy / srcCy;
  gst_util_double_to_fraction(std::clamp(ratio, 1.0 / G_MAXINT, double{G_MAXINT}), &n, &d);
  return {n, d};
}

}  // namespace tesselox::gst
