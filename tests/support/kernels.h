#pragma once

// The kernels a test holds side by side: the fastest this processor has, the same streaming
// their stores wherever they can (test frames are far smaller than any cache), and the plain
// ones that every vector kernel must match.

#include "filter/processor.h"

namespace tesselox::test {

enum class Kernels { Fastest, Streamed, Plain };
inline constexpr Kernels kEveryKernels[] = {Kernels::Plain, Kernels::Fastest, Kernels::Streamed};

// Masks the processor's features for the scope, as the choice of kernels reads them.
class UseKernels {
 public:
  explicit UseKernels(Kernels kernels) {
    MaskProcessorFeatures(kernels == Kernels::Plain ? 0u
                          : kernels == Kernels::Streamed
                              ? kAllProcessorFeatures & ~kFeatureCacheSizes
                              : kAllProcessorFeatures);
  }
  ~UseKernels() { MaskProcessorFeatures(kAllProcessorFeatures); }
  UseKernels(const UseKernels&) = delete;
  UseKernels& operator=(const UseKernels&) = delete;
};

}  // namespace tesselox::test
