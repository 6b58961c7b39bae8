#pragma once

#include <cstddef>

// The vector kernels exist on x86 processors only; elsewhere the plain kernels are all.
#if defined(__x86_64__) || defined(__i386__)
#define TESSELOX_X86 1
#endif
// The 64-byte kernels move 64-bit masks, which needs 64-bit mode.
#if defined(__x86_64__)
#define TESSELOX_X86_64 1
#endif

namespace tesselox {

// What the kernels are chosen by: the units the processor has, and whether it describes its
// caches. Each is a bit of ProcessorFeatures().
enum ProcessorFeature : unsigned {
  kFeatureSse2 = 1,
  kFeatureSsse3 = 2,
  kFeatureAvx = 4,
  kFeatureAvx2 = 8,
  kFeatureAvx512Vbmi = 16,
  kFeatureCacheSizes = 32,
};
inline constexpr unsigned kAllProcessorFeatures = 63;

// The features the processor has, asked once per process, less those masked off.
unsigned ProcessorFeatures();

// Hides the features outside `mask` from every later choice of kernels, as if the processor
// lacked them: 0 leaves the plain kernels alone, and without kFeatureCacheSizes the vector
// kernels stream their stores whatever the frame's size. kAllProcessorFeatures undoes it. Not
// for use while another thread copies.
void MaskProcessorFeatures(unsigned mask);

// Whether the processor has SSSE3, and whether the processor and the system support AVX and
// AVX2 (each a bit of ProcessorFeatures()); false on processors without the vector kernels.
bool HaveSsse3();
bool HaveAvx();
bool HaveAvx2();
// AVX-512 with byte permutes (F, BW and VBMI, and the system saving the 512-bit registers); false
// outside 64-bit mode.
bool HaveAvx512Vbmi();

// Whether stores that bypass the caches pay for a frame that reads and writes `bytes` bytes:
// where both frames fit the last-level cache, stores that stay in it are faster (the next step,
// or the next frame, finds them there); where they do not, streaming saves reading each line
// before writing it. The one place that decides it; the processor's largest data cache is asked
// once per process (none known, or kFeatureCacheSizes masked off: streaming).
bool StreamingStoresPay(std::size_t bytes);

}  // namespace tesselox
