#include "gst/element_properties.h"

#include <algorithm>
#include <climits>

namespace tesselox::gst {
namespace {

// |v| within 0..INT32_MAX: |INT32_MIN| reads as INT32_MAX, as the frame callback reads it.
std::int32_t Magnitude(std::int32_t v) {
  return v == INT32_MIN ? INT32_MAX : (v < 0 ? -v : v);
}

std::int32_t Or(std::int32_t property, std::int32_t whole) {
  return property == kWholeFrame ? whole : property;
}

constexpr std::int32_t kMin = INT32_MIN;
constexpr std::int32_t kMax = INT32_MAX;

}  // namespace

// clang-format off
const std::array<PropertySpec, kFieldCount> kPropertySpecs = {{
    {"src-x", "Left column of the source rectangle in the input frame", kMin, kMax, 0},
    {"src-y", "Top row of the source rectangle in the input frame", kMin, kMax, 0},
    {"src-cx", "Width of the source rectangle; negative runs leftwards from src-x (a mirror), "
               "0 draws nothing, -2147483648 (default) the input's width", kMin, kMax, kWholeFrame},
    {"src-cy", "Height of the source rectangle; negative runs upwards from src-y (a mirror), "
               "0 draws nothing, -2147483648 (default) the input's height", kMin, kMax, kWholeFrame},
    {"dst-x", "Left column of the destination rectangle in the output frame", kMin, kMax, 0},
    {"dst-y", "Top row of the destination rectangle in the output frame", kMin, kMax, 0},
    {"dst-cx", "Width of the destination rectangle; negative runs leftwards from dst-x (a "
               "mirror), 0 draws nothing, -2147483648 (default) the output's width", kMin, kMax,
               kWholeFrame},
    {"dst-cy", "Height of the destination rectangle; negative runs upwards from dst-y (a "
               "mirror), 0 draws nothing, -2147483648 (default) the output's height", kMin, kMax,
               kWholeFrame},
    {"width", "Output width: the magnitude of the value; 0 (default) the input's width, or the "
              "width downstream fixes", -kMax, kMax, kFollowInput},
    {"height", "Output height: the magnitude of the value; 0 (default) the input's height, or "
               "the height downstream fixes", -kMax, kMax, kFollowInput},
    {"phase-x", "Moves the columns where source pixels repeat, in output pixels; held within "
                "0..|dst-cx|", kMin, kMax, 0},
    {"phase-y", "Moves the rows where source pixels repeat, in output pixels; held within "
                "0..|dst-cy|", kMin, kMax, 0},
}};
// clang-format on

ParameterValues DefaultProperties() {
  ParameterValues values{};
  for (std::size_t k = 0; k < values.size(); ++k) values[k] = kPropertySpecs[k].initial;
  return values;
}

std::int32_t RequestedExtent(std::int32_t property) {
  return Magnitude(property);
}

ParameterValues ResolveValues(const ParameterValues& properties, FrameSize in, FrameSize out) {
  auto at = [&properties](FieldId id) { return properties[Index(id)]; };
  ParameterValues v = properties;
  v[Index(FieldId::SrcCx)] = Or(at(FieldId::SrcCx), in.width);
  v[Index(FieldId::SrcCy)] = Or(at(FieldId::SrcCy), in.height);
  v[Index(FieldId::DstCx)] = Or(at(FieldId::DstCx), out.width);
  v[Index(FieldId::DstCy)] = Or(at(FieldId::DstCy), out.height);
  v[Index(FieldId::Width)] = out.width;
  v[Index(FieldId::Height)] = out.height;
  // The callback re-limits each phase field to 0..|extent| before it reads it.
  v[Index(FieldId::PhaseX)] =
      std::clamp(at(FieldId::PhaseX), 0, Magnitude(v[Index(FieldId::DstCx)]));
  v[Index(FieldId::PhaseY)] =
      std::clamp(at(FieldId::PhaseY), 0, Magnitude(v[Index(FieldId::DstCy)]));
  return v;
}

bool CopiesUnchanged(const ParameterValues& resolved, FrameSize in) {
  const ParameterValues identity = {0, 0,        in.width,  in.height, 0,
                                    0, in.width, in.height, in.width,  in.height};
  // The phase cannot move anything when the source and destination extents are equal.
  return std::equal(resolved.begin(), resolved.begin() + Index(FieldId::PhaseX), identity.begin());
}

}  // namespace tesselox::gst
