#include "filter/processor.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <initializer_list>

namespace tesselox {
namespace {

std::atomic<unsigned> featureMask{kAllProcessorFeatures};

#ifdef TESSELOX_X86

struct CpuidRegisters {
  unsigned a, b, c, d;
};

CpuidRegisters Cpuid(unsigned leaf, unsigned sub) {
  CpuidRegisters r{};
  asm volatile("cpuid" : "=a"(r.a), "=b"(r.b), "=c"(r.c), "=d"(r.d) : "a"(leaf), "c"(sub));
  return r;
}

// The largest data or unified cache the processor describes in its deterministic cache
// parameters (leaf 4 on Intel, 0x8000001D on AMD); 0 when it describes none.
std::size_t LargestCacheBytes() {
  std::size_t largest = 0;
  for (const unsigned leaf : {4u, 0x8000001Du}) {
    if (Cpuid(leaf & 0x80000000u, 0).a < leaf) continue;
    for (unsigned sub = 0; sub < 16; ++sub) {
      const auto [a, b, c, d] = Cpuid(leaf, sub);
      const unsigned type = a & 31;  // 0: no more caches, 2: instructions only
      if (type == 0) break;
      if (type == 2) continue;
      const std::size_t ways = (b >> 22) + 1, partitions = ((b >> 12) & 0x3FF) + 1;
      const std::size_t lineBytes = (b & 0xFFF) + 1, sets = std::size_t{c} + 1;
      largest = std::max(largest, ways * partitions * lineBytes * sets);
    }
    if (largest != 0) break;
  }
  return largest;
}

// libgcc reports AVX and AVX2 only when the system also saves the 256-bit registers, and the
// AVX-512 features only when it saves the 512-bit ones.
unsigned DetectedFeatures() {
  __builtin_cpu_init();
  unsigned features = 0;
  if (__builtin_cpu_supports("sse2")) features |= kFeatureSse2;
  if (__builtin_cpu_supports("ssse3")) features |= kFeatureSsse3;
  if (__builtin_cpu_supports("avx")) features |= kFeatureAvx;
  if (__builtin_cpu_supports("avx2")) features |= kFeatureAvx2;
#ifdef TESSELOX_X86_64
  if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
      __builtin_cpu_supports("avx512vbmi"))
    features |= kFeatureAvx512Vbmi;
#endif
  if (LargestCacheBytes() != 0) features |= kFeatureCacheSizes;
  return features;
}

std::size_t CacheBytes() {
  static const std::size_t cache = LargestCacheBytes();
  return cache;
}

#else

unsigned DetectedFeatures() {
  return 0;
}

#endif

}  // namespace

unsigned ProcessorFeatures() {
  static const unsigned detected = DetectedFeatures();
  return detected & featureMask.load(std::memory_order_relaxed);
}

void MaskProcessorFeatures(unsigned mask) {
  featureMask.store(mask, std::memory_order_relaxed);
}

bool HaveSsse3() {
  return (ProcessorFeatures() & kFeatureSsse3) != 0;
}

bool HaveAvx() {
  return (ProcessorFeatures() & kFeatureAvx) != 0;
}

bool HaveAvx2() {
  return (ProcessorFeatures() & kFeatureAvx2) != 0;
}

bool HaveAvx512Vbmi() {
  return (ProcessorFeatures() & kFeatureAvx512Vbmi) != 0;
}

bool StreamingStoresPay(std::size_t bytes) {
#ifdef TESSELOX_X86
  if ((ProcessorFeatures() & kFeatureCacheSizes) == 0) return true;
  return bytes > CacheBytes();
#else
  static_cast<void>(bytes);
  return false;
#endif
}

}  // namespace tesselox
