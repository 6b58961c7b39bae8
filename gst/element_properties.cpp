#include "gst/element_properties.h"

#include <algorithm>
#include <climits>
#include <string_view>

#include "filter/field_table.h"

namespace tesselox::gst {
namespace {

std::int32_t Or(std::int32_t property, std::int32_t whole) {
  return property == kWholeFrame ? whole : property;
}

constexpr std::int32_t kMin = INT32_MIN;
constexpr std::int32_t kMax = INT32_MAX;

}  // namespace

// clang-format off
constexpr std::array<PropertySpec, kFieldCount> kPropertySpecs = {{
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

// Each property is named after its field: the label with '-' for ' '.
static_assert([] {
  for (const FieldId id : kFieldIds) {
    const std::string_view name = kPropertySpecs[Index(id)].name, label = Label(id);
    if (name.size() != label.size()) return false;
    for (std::size_t k = 0; k < name.size(); ++k) {
      if (name[k] != (label[k] == ' ' ? '-' : label[k])) return false;
    }
  }
  return true;
}());

ParameterValues DefaultProperties() {
  ParameterValues values{};
  for (std::size_t k = 0; k < values.size(); ++k) values[k] = kPropertySpecs[k].initial;
  return values;
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
  // Each phase is held within its range at the frame, as the frame callback holds it.
  for (const FieldId phase : {FieldId::PhaseX, FieldId::PhaseY}) {
    v[Index(phase)] = std::clamp(at(phase), 0, PhaseLimit(phase, v));
  }
  return v;
}

bool CopiesUnchanged(const ParameterValues& resolved, FrameSize in) {
  const ParameterValues identity = {0, 0,        in.width,  in.height, 0,
                                    0, in.width, in.height, in.width,  in.height};
  // The phase cannot move anything when the source and destination extents are equal.
  return std::equal(resolved.begin(), resolved.begin() + Index(FieldId::PhaseX), identity.begin());
}

}  // namespace tesselox::gst
