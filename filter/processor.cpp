#include "filter/processor.h"

#include <algorithm>
#include <cstddef>
#include <initializer_list>

namespace tesselox {

#ifdef TESSELOX_X86
namespace {

// libgcc reports AVX and AVX2 only when the system also saves the 256-bit registers, and the
// AVX-512 features only when it saves the 512-bit ones.
enum Feature { kSsse3, kAvx, kAvx2, kAvx512Vbmi };

bool Supports(Feature feature) {
  __builtin_cpu_init();
  switch (feature) {
    case kSsse3:
      return __builtin_cpu_supports("ssse3") != 0;
    case kAvx:
      return __builtin_cpu_supports("avx") != 0;
    case kAvx2:
      return __builtin_cpu_supports("avx2") != 0;
    case kAvx512Vbmi:
      return __builtin_cpu_supports("avx512f") != 0 && __builtin_cpu_supports("avx512bw") != 0 &&
             __builtin_cpu_supports("avx512vbmi") != 0;
  }
  return false;
}

}  // namespace

bool HaveSsse3() {
  static const bool have = Supports(kSsse3);
  return have;
}

bool HaveAvx() {
  static const bool have = Supports(kAvx);
  return have;
}

bool HaveAvx2() {
  static const bool have = Supports(kAvx2);
  return have;
}

bool HaveAvx512Vbmi() {
#ifdef TESSELOX_X86_64
  static const bool have = Supports(kAvx512Vbmi);
  return have;
#else
  return false;
#endif
}

namespace {

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

}  // namespace

bool StreamingStoresPay(std::size_t bytes) {
  static const std::size_t cache = LargestCacheBytes();
  return bytes > cache;
}

#else

bool StreamingStoresPay(std::size_t) {
  return false;
}

bool HaveSsse3() {
  return false;
}

bool HaveAvx() {
  return false;
}

bool HaveAvx2() {
  return false;
}

bool HaveAvx512Vbmi() {
  return false;
}

#endif

}  // namespace tesselox
