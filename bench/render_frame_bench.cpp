// RenderFrame on full-HD frames, one call per iteration, clear included.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "filter/render_frame.h"

namespace tesselox {
namespace {

constexpr std::int32_t kCapW = 1920;
constexpr std::int32_t kCapH = 1088;

void Render(benchmark::State& state, std::int32_t frameW, std::int32_t frameH,
            ParameterValues values) {
  std::vector<Pixel> a(static_cast<std::size_t>(kCapW) * kCapH);
  std::vector<Pixel> b(a.size());
  for (std::size_t k = 0; k < a.size(); ++k) {
    a[k] = Pixel{{static_cast<std::uint8_t>(k), static_cast<std::uint8_t>(k >> 8), 1, 2, 3, 4}};
  }
  FrameRecord record{0, a.data(), b.data(), frameW, frameH, kCapW, kCapH};
  for (auto _ : state) {
    record.width = frameW;
    record.height = frameH;
    RenderFrame(record, values);
    benchmark::DoNotOptimize(record.current);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(record.width) *
                          record.height * static_cast<std::int64_t>(sizeof(Pixel)));
}

void BM_Identity(benchmark::State& s) {
  Render(s, 1920, 1080, {0, 0, 1920, 1080, 0, 0, 1920, 1080, 1920, 1080, 0, 0});
}
void BM_Default(benchmark::State& s) {
  Render(s, 1440, 1080, {0, 0, 1440, 1080, 0, 0, 640, 360, 640, 360, 0, 0});
}
void BM_Up2x(benchmark::State& s) {
  Render(s, 1920, 1080, {0, 0, 960, 540, 0, 0, 1920, 1080, 1920, 1080, 0, 0});
}
void BM_MirrorX(benchmark::State& s) {
  Render(s, 1920, 1080, {1919, 0, -1920, 1080, 0, 0, 1920, 1080, 1920, 1080, 0, 0});
}

BENCHMARK(BM_Identity)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Default)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Up2x)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MirrorX)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tesselox
