#include <cstddef>
#include <cstdint>

#include "filter/gather_blocks.h"
#include "filter/gather_shuffled_block.h"

#ifdef TESSELOX_X86

namespace tesselox {

namespace {

template <int kBytes, int kRegs>
__attribute__((target("ssse3"))) void GatherRow(std::uint8_t* dst, const std::uint8_t* row,
                                                ShuffleBlocks blocks, const std::int32_t* map,
                                                std::ptrdiff_t ahead) {
  for (std::ptrdiff_t b = 0; b < blocks.count; ++b)
    shuffled::GatherBlock<kBytes, kRegs>(dst + 16 * b, row, blocks, map, b, ahead);
}

}  // namespace

template <int kBytes>
void GatherShuffled(std::uint8_t* dst, const std::uint8_t* row, const ShuffleBlocks& blocks,
                    const std::int32_t* map, std::ptrdiff_t n, std::ptrdiff_t ahead,
                    ClearStream* clear, int linesPerBlock) {
  // The blocks by value: the stores could otherwise alias them, reloaded every block.
  WithRegisters(blocks.regs, [&](auto regs) {
    GatherRow<kBytes, decltype(regs)::value>(dst, row, blocks, map, ahead);
  });
  shuffled::FinishRow<kBytes>(dst, row, blocks, map, n, clear, linesPerBlock);
}

template void GatherShuffled<1>(std::uint8_t*, const std::uint8_t*, const ShuffleBlocks&,
                                const std::int32_t*, std::ptrdiff_t, std::ptrdiff_t, ClearStream*,
                                int);
template void GatherShuffled<2>(std::uint8_t*, const std::uint8_t*, const ShuffleBlocks&,
                                const std::int32_t*, std::ptrdiff_t, std::ptrdiff_t, ClearStream*,
                                int);

}  // namespace tesselox

#endif
