#pragma once

#include <cstdint>

#include "filter/copy_plan.h"
#include "filter/plane_view.h"

namespace tesselox {

// Where the luma samples sit in a packed 4:2:2 macropixel of four samples: the first and third
// (Y U Y V, Y V Y U) or the second and fourth (U Y V Y, V Y U Y).
enum class LumaSamples { First, Second };

// Renders one packed 4:2:2 plane: macropixels of two luma samples and one chroma pair, each
// sample 1 or 2 bytes. dst and src are seen as planes of luma pixels: width and height in luma
// pixels, pixelBytes two samples (2 or 4), stride in bytes; a row holds (width + 1) / 2 whole
// macropixels, so an odd width's last macropixel has a second luma sample, never read, that
// takes the fill's as a pixel not drawn would. `full` is the frame's plan for those sizes, `pairs`
// SubsamplePlan(full, 1, 0). Each luma sample is copied by `full`, each chroma pair by `pairs`
// (pair c standing for luma pixel 2c), as the frame's planar form would be; what is not drawn is
// set from `fill`, one macropixel in the planes' order, or left as it was where `fill` is null
// (an odd width's sample no pixel owns then too). The planes must not overlap; nothing is
// allocated. Planes of another pixel size, or of two sizes, are left as they are.
void RenderPacked422(const PlaneView& dst, const PlaneView& src, const CopyPlan& full,
                     const CopyPlan& pairs, LumaSamples luma, const std::uint8_t* fill);

// The same for rows [first, last) of dst only (0 <= first <= last <= dst.height), touching no
// other row: bands of rows drawn at once on several threads give the whole plane's bytes.
void RenderPacked422Rows(const PlaneView& dst, const PlaneView& src, const CopyPlan& full,
                         const CopyPlan& pairs, LumaSamples luma, const std::uint8_t* fill,
                         std::int32_t first, std::int32_t last);

}  // namespace tesselox
