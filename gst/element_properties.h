#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "filter/copy_request.h"
#include "filter/fit_request.h"
#include "filter/magnitude.h"

namespace tesselox::gst {

// The element's properties, numbered as GObject numbers them (from 1): the twelve integers of
// the copy's geometry, the switch for the output's pixel aspect ratio, the thread count, the fit
// mode and the sampling.
enum class PropertyId : unsigned {
  SrcX = 1,
  SrcY,
  SrcCx,
  SrcCy,
  DstX,
  DstY,
  DstCx,
  DstCy,
  Width,
  Height,
  PhaseX,
  PhaseY,
  KeepPixelAspect,
  NThreads,
  Fit,
  Sampling
};

// The twelve integer properties as set. Once set, each means what the field of the same name
// means to the module's frame callback; at its default an extent follows the frames and the
// output size follows the input (or what downstream fixes).
struct Geometry {
  std::int32_t srcX, srcY, srcCx, srcCy;
  std::int32_t dstX, dstY, dstCx, dstCy;
  std::int32_t width, height;
  std::int32_t phaseX, phaseY;
};

// An extent's default: the whole input frame (source) or the whole output frame (destination).
inline constexpr std::int32_t kWholeFrame = INT32_MIN;
// The output size's default on either axis (the output is |width| x |height| otherwise).
inline constexpr std::int32_t kFollowInput = 0;

struct IntPropertySpec {
  PropertyId id;
  const char* name;
  const char* blurb;
  std::int32_t minimum;
  std::int32_t maximum;
  std::int32_t initial;
  std::int32_t Geometry::*value;
};

// The integer properties, in PropertyId order.
extern const std::array<IntPropertySpec, 12> kIntProperties;

// The integer property numbered `id`, or nullptr when there is none.
const IntPropertySpec* IntProperty(unsigned id);

// The geometry with every property at its default.
Geometry DefaultGeometry();

struct FrameSize {
  std::int32_t width;
  std::int32_t height;
};

struct Fraction {
  int numerator;
  int denominator;
};

// How the destination follows from the source: the fit mode with the caps' pixel aspect ratios.
struct Fitting {
  FitMode mode = FitMode::None;
  Fraction in{1, 1};
  Fraction out{1, 1};
};

// The copy the properties ask for between frames of these sizes: defaults filled in, each phase
// held within 0..|destination extent|, then fitted to the output frame. Sampled at the edges:
// interlaced frames sample each field's rows on their own (CenterSampled after FieldRows).
CopyRequest ResolveRequest(const Geometry& properties, FrameSize in, FrameSize out,
                           const Fitting& fitting = {});

// True when the request copies every input pixel to the same place of a same-sized output, so
// that the frame may pass through untouched.
bool CopiesUnchanged(const CopyRequest& request, FrameSize in, FrameSize out);

// A rectangle of the input frame: columns [x, x + width), rows [y, y + height).
struct CropRect {
  std::int32_t x, y, width, height;
};

// The input rectangle that the request copies 1:1 and unmirrored onto the whole output, when
// it lies inside the input with its corner on a multiple of alignX across and alignY down: a
// crop that moves no pixel, so that a buffer may carry it as metadata. Nothing otherwise.
std::optional<CropRect> PureCrop(const CopyRequest& request, FrameSize in, FrameSize out,
                                 int alignX, int alignY);

// The rows of one field of an interleaved frame (0: the top field, the frame's even rows; 1: the
// bottom field, its odd rows) as a picture of their own: the rows axis of a frame's copy mapped
// into that field. Each rectangle keeps the frame rows of its own that belong to the field (for
// even corners and extents the same half of it in either field; for odd ones one field gets a
// row more at that edge), in the same direction, and the phase is halved (rounded down) and held
// within 0..|the field's destination extent|.
CopyAxis FieldRows(const CopyAxis& rows, int field);

// The output's pixel aspect ratio that keeps the picture's display shape: the input's times
// (|src cx| / |dst cx|) / (|src cy| / |dst cy|), reduced. The input's when an extent is 0; the
// nearest fraction GStreamer can hold when the exact one does not fit.
Fraction OutputPixelAspect(Fraction in, const CopyRequest& request);

}  // namespace tesselox::gst
