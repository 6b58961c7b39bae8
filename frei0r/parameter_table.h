#pragma once

#include <array>
#include <cstddef>

namespace tesselox::frei0r {

// The plug-in's parameters, in the order hosts number them (ffmpeg passes them by position).
enum class Param : int {
  SrcLeft,
  SrcTop,
  SrcWidth,
  SrcHeight,
  DstLeft,
  DstTop,
  DstWidth,
  DstHeight,
  MirrorX,
  MirrorY,
  PhaseX,
  PhaseY,
  Fit,
  Sampling
};

inline constexpr int kParamCount = 14;

constexpr std::size_t Index(Param p) {
  return static_cast<std::size_t>(p);
}

// A number is a double on the wire; a bool is one that reads true from 0.5 up. A choice is a
// string on the wire, one of the core's names for its kind, kept here as the name's position.
enum class ParamKind { Fraction, Switch, FitChoice, SamplingChoice };

struct ParamInfo {
  const char* name;  // GStreamer makes "src left" the property "src-left"
  ParamKind kind;
  double initial;
  const char* explanation;
};

// The defaults pass the frame through unchanged. Appended parameters keep 1-12 in place.
inline constexpr std::array<ParamInfo, kParamCount> kParams{{
    {"src left", ParamKind::Fraction, 0.0, "Source rectangle's left edge, in frame widths"},
    {"src top", ParamKind::Fraction, 0.0, "Source rectangle's top edge, in frame heights"},
    {"src width", ParamKind::Fraction, 1.0, "Source rectangle's width, in frame widths"},
    {"src height", ParamKind::Fraction, 1.0, "Source rectangle's height, in frame heights"},
    {"dst left", ParamKind::Fraction, 0.0, "Destination rectangle's left edge, in frame widths"},
    {"dst top", ParamKind::Fraction, 0.0, "Destination rectangle's top edge, in frame heights"},
    {"dst width", ParamKind::Fraction, 1.0, "Destination rectangle's width, in frame widths"},
    {"dst height", ParamKind::Fraction, 1.0, "Destination rectangle's height, in frame heights"},
    {"mirror x", ParamKind::Switch, 0.0, "Copy mirrored left to right within the destination"},
    {"mirror y", ParamKind::Switch, 0.0, "Copy mirrored top to bottom within the destination"},
    {"phase x", ParamKind::Fraction, 0.0,
     "Where repeated columns step, in destination widths (0 to 1)"},
    {"phase y", ParamKind::Fraction, 0.0,
     "Where repeated rows step, in destination heights (0 to 1)"},
    {"fit", ParamKind::FitChoice, 0.0,
     "none, stretch, contain, cover or integer: places the source itself and ignores the "
     "destination parameters (the mirrors stay)"},
    {"sampling", ParamKind::SamplingChoice, 0.0,
     "edge (phase as set) or center: each pixel takes the source pixel under its centre"},
}};

using ParamValues = std::array<double, kParamCount>;  // indexed by Param

constexpr ParamValues InitialValues() {
  ParamValues values{};
  for (std::size_t k = 0; k < values.size(); ++k) values[k] = kParams[k].initial;
  return values;
}

}  // namespace tesselox::frei0r
