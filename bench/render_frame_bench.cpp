// RenderFrame on full-HD frames, one call per iteration, clear included, and the floor it is
// measured against: a memset of the whole capacity plus a memcpy of the output rows. Beside them,
// the memset plus mere reads of the source pixels the copy takes, which bounds a shrink.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench_frames.h"
#include "filter/copy_plan.h"
#include "filter/copy_request.h"
#include "c_api.h"
#include "module/render_frame.h"
#include "expected_frame.h"
#include "register.h"
#include "source_reads.h"

namespace tesselox::bench {
namespace {

using test::OutputSize;

// The case's destination frame in buffer `b` and its source frame in buffer `a`.
PlaneView Destination(FrameBuffer& b, const BenchCase& c) {
  return test::ViewOf(b.Pixels(), OutputSize(Value(c, FieldId::Width), kCapW),
                      OutputSize(Value(c, FieldId::Height), kCapH), kCapW);
}
PlaneView Source(FrameBuffer& a, const BenchCase& c) {
  return test::ViewOf(a.Pixels(), c.frameW, c.frameH, kCapW);
}

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

// The copy alone, without the clear (the C API without a fill): where a case's time goes.
void CopyOnly(benchmark::State& state, const BenchCase& c) {
  FrameBuffer a(true), b(false);
  const tesselox_plane src = test::CPlaneOf(Source(a, c)), dst = test::CPlaneOf(Destination(b, c));
  const tesselox_request request = test::CRequestOf(CopyRequestFrom(c.values));
  for (auto _ : state) {
    tesselox_copy_plane(&dst, &src, &request, nullptr);
    benchmark::DoNotOptimize(b.Bytes());
    benchmark::ClobberMemory();
  }
}

void Floor(benchmark::State& state, const BenchCase& c) {
  FrameBuffer a(true), b(false);
  const auto outW = static_cast<std::size_t>(OutputSize(Value(c, FieldId::Width), kCapW));
  const std::int32_t outH = OutputSize(Value(c, FieldId::Height), kCapH);
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

// The memset, then the source reads the copy cannot avoid (SourceReads).
void ClearAndReads(benchmark::State& state, const BenchCase& c) {
  FrameBuffer a(true), b(false);
  const SourceReads reads(
      PlanCopy(SizeOf(Destination(b, c)), SizeOf(Source(a, c)), CopyRequestFrom(c.values)),
      sizeof(Pixel));
  for (auto _ : state) {
    std::memset(b.Bytes(), 0, b.Size());
    benchmark::DoNotOptimize(reads.Read(a.Bytes(), FrameBuffer::kRowBytes));
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
    benchmark::RegisterBenchmark((std::string("reads/") + c.name).c_str(), ClearAndReads, c)
        ->Unit(benchmark::kMicrosecond);
  }
}

}  // namespace tesselox::bench
