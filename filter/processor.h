#pragma once

// The vector kernels exist on x86 processors only; elsewhere the plain kernels are all.
#if defined(__x86_64__) || defined(__i386__)
#define TESSELOX_X86 1
#endif

namespace tesselox {

// Whether the processor has SSSE3, and whether the processor and the system support AVX and
// AVX2. Asked once per process; false on processors without the vector kernels.
bool HaveSsse3();
bool HaveAvx();
bool HaveAvx2();

}  // namespace tesselox
