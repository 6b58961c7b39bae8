// RenderFrame on full-HD frames, one call per iteration, clear included, and the floor it is
// measured against: a memset of the whole capacity plus a memcpy of the output rows.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench_frames.h"
#include "filter/copy_nearest.h"
#include "filter/render_frame.h"
#include "register.h"

namespace tesselox::bench {
namespace {

void Render(benchmark::State& state, const BenchCase& c) {
  FrameBuffer a(true), b(false);
  FrameRecord record{0, a.Pixels(), b.Pixels(), c.frameW, c.frameH, kCapW, kCapH};
  for (auto _ : state) {
    record.width = c.frameW;
    record.height = c.frameH;
    RenderFrame(record, c.values);
    std::swap(record.current, record.scratch);  // keep reading the patterned frame
    benchmark::DoNotOptimize(record.current);
    benchmark::ClobberMemory();
  }
}

// The copy alone, without the clear: where a case's time goes.
void CopyOnly(benchmark::State& state, const BenchCase& c) {
  FrameBuffer a(true), b(false);
  const ImageView src{a.Pixels(), c.frameW, c.frameH, kCapW};
  const ImageView dst{b.Pixels(), std::min(std::abs(Value(c, FieldId::Width)), kCapW),
                      std::min(std::abs(Value(c, FieldId::Height)), kCapH), kCapW};
  for (auto _ : state) {
    CopyNearest(dst, Value(c, FieldId::DstX), Value(c, FieldId::DstY), Value(c, FieldId::DstCx),
                Value(c, FieldId::DstCy), src, Value(c, FieldId::SrcX), Value(c, FieldId::SrcY),
                Value(c, FieldId::SrcCx), Value(c, FieldId::SrcCy), Value(c, FieldId::PhaseX),
                Value(c, FieldId::PhaseY));
    benchmark::DoNotOptimize(b.Bytes());
    benchmark::ClobberMemory();
  }
}

void Floor(benchmark::State& state, const BenchCase& c) {
  FrameBuffer a(true), b(false);
  const std::size_t outW =
      static_cast<std::size_t>(std::min<std::int64_t>(std::llabs(Value(c, FieldId::Width)), kCapW));
  const std::int32_t outH = std::min(std::abs(Value(c, FieldId::Height)), kCapH);
  for (auto _ : state) {
    std::memset(b.Bytes(), 0, b.Size());
    for (std::int32_t y = 0; y < outH; ++y) {
      std::memcpy(b.Bytes() + y * FrameBuffer::kRowBytes, a.Bytes() + y * FrameBuffer::kRowBytes,
                  outW * sizeof(Pixel));
    }
    benchmark::DoNotOptimize(b.Bytes());
    benchmark::ClobberMemory();
  }
}

}  // namespace

void RegisterOwnBenchmarks() {
  for (const BenchCase& c : BenchCases()) {
    benchmark::RegisterBenchmark((std::string("render/") + c.name).c_str(), Render, c)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark((std::string("floor/") + c.name).c_str(), Floor, c)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark((std::string("copy/") + c.name).c_str(), CopyOnly, c)
        ->Unit(benchmark::kMicrosecond);
  }
}

}  // namespace tesselox::bench
