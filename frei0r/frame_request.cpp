#include "frei0r/frame_request.h"

#include <cmath>
#include <cstdlib>

#include "filter/fit_request.h"

namespace tesselox::frei0r {
namespace {

// Far beyond any frame, and small enough that a corner plus an extent fits in 32 bits.
constexpr double kLimit = 1 << 30;

std::int32_t Pixels(double fraction, std::int32_t size) {
  const double pixels = fraction * size;
  if (std::isnan(pixels)) return 0;
  return static_cast<std::int32_t>(std::round(std::fmax(-kLimit, std::fmin(kLimit, pixels))));
}

bool On(double value) {
  return value >= 0.5;
}

// The phase, a fraction of the destination's extent, in pixels held within 0..|extent|.
void Hold(CopyAxis& axis, double phase) {
  const std::int32_t span = std::abs(axis.extent);
  const std::int32_t shift = Pixels(phase, span);
  axis.phase = shift < 0 ? 0 : shift > span ? span : shift;
}

CopyAxis Axis(const ParamValues& v, Param srcLeft, Param srcExtent, Param dstLeft, Param dstExtent,
              Param mirror, Param phase, std::int32_t size) {
  CopyAxis axis{Pixels(v[Index(dstLeft)], size), Pixels(v[Index(dstExtent)], size),
                Pixels(v[Index(srcLeft)], size), Pixels(v[Index(srcExtent)], size), 0};
  if (On(v[Index(mirror)]) && axis.extent != 0) {
    // The same pixels, walked from the other end.
    axis.corner += axis.extent > 0 ? axis.extent - 1 : axis.extent + 1;
    axis.extent = -axis.extent;
  }
  Hold(axis, v[Index(phase)]);
  return axis;
}

}  // namespace

CopyRequest RequestFor(const ParamValues& values, std::int32_t width, std::int32_t height) {
  const CopyRequest asSet{Axis(values, Param::SrcLeft, Param::SrcWidth, Param::DstLeft,
                               Param::DstWidth, Param::MirrorX, Param::PhaseX, width),
                          Axis(values, Param::SrcTop, Param::SrcHeight, Param::DstTop,
                               Param::DstHeight, Param::MirrorY, Param::PhaseY, height)};
  const auto mode = static_cast<FitMode>(values[Index(Param::Fit)]);
  CopyRequest r = FitRequest(asSet, PlaneSize{width, height}, {}, {}, mode);
  if (mode != FitMode::None) {
    // The phases are fractions of the destination the fit made.
    Hold(r.x, values[Index(Param::PhaseX)]);
    Hold(r.y, values[Index(Param::PhaseY)]);
  }
  if (static_cast<Sampling>(values[Index(Param::Sampling)]) == Sampling::Center)
    r = CopyRequest{CenterSampled(r.x), CenterSampled(r.y)};
  return r;
}

}  // namespace tesselox::frei0r
