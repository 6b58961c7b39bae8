#include "filter/processor.h"

namespace tesselox {

#ifdef TESSELOX_X86
namespace {

// libgcc reports AVX and AVX2 only when the system also saves the 256-bit registers.
enum Feature { kSsse3, kAvx, kAvx2 };

bool Supports(Feature feature) {
  __builtin_cpu_init();
  switch (feature) {
    case kSsse3:
      return __builtin_cpu_supports("ssse3") != 0;
    case kAvx:
      return __builtin_cpu_supports("avx") != 0;
    case kAvx2:
      return __builtin_cpu_supports("avx2") != 0;
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

#else

bool HaveSsse3() {
  return false;
}

bool HaveAvx() {
  return false;
}

bool HaveAvx2() {
  return false;
}

#endif

}  // namespace tesselox
