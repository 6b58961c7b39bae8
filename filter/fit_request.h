#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "filter/copy_request.h"
#include "filter/plane_view.h"

namespace tesselox {

// How the destination rectangle follows from the source rectangle and the output frame.
enum class FitMode { None, Stretch, Contain, Cover, Integer };

// Where each output pixel samples its source: at its left (top) edge, the phase as set, or at its
// centre, floor((i + 1/2) * |source extent| / |destination extent|).
enum class Sampling { Edge, Center };

// A pixel's width over its height; both terms positive.
struct PixelAspect {
  std::int32_t numerator = 1;
  std::int32_t denominator = 1;
};

// The names users type, in enum order ("none", "stretch", ...; "edge", "center").
std::string_view NameOf(FitMode mode);
std::string_view NameOf(Sampling sampling);
std::optional<FitMode> FitModeNamed(std::string_view name);
std::optional<Sampling> SamplingNamed(std::string_view name);
// Every name of the kind, comma-separated, for messages about an unknown one.
std::string_view FitModeNames();
std::string_view SamplingNames();

// The request a fit mode makes of `asSet` on a frame of `frame` pixels, the source's pixels
// being `in` wide and the frame's `out` (the comparisons are in display units). The source
// rectangle's magnitude sets the shape and its sign still mirrors; a negative destination
// extent as set mirrors the computed destination. None returns `asSet`; Stretch the whole frame;
// Contain and Integer a centred rectangle (corner rounded down, halves of sizes rounded up, at
// least one pixel); Cover the whole frame with the source narrowed about its centre. Phases are
// kept.
CopyRequest FitRequest(const CopyRequest& asSet, PlaneSize frame, PixelAspect in, PixelAspect out,
                       FitMode mode);

// The axis that samples every destination pixel at its centre: the phase replaced, and the
// source corner moved inwards where a shrink by 2 or more needs it. Exact where the copy draws
// the axis from its first index on (nothing clipped at its start).
CopyAxis CenterSampled(const CopyAxis& axis);

// FitRequest, then CenterSampled on both axes when `sampling` asks for it.
CopyRequest Fitted(const CopyRequest& asSet, PlaneSize frame, PixelAspect in, PixelAspect out,
                   FitMode mode, Sampling sampling);

}  // namespace tesselox
