// The same cases with libswscale's point sampling on RGB48, the same 6-byte pixels, one
// thread, clear included. It has no horizontal mirror; a vertical one is a negative stride.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <string>

extern "C" {
#include <libavutil/opt.h>
#include <libavutil/pixfmt.h>
#include <libswscale/swscale.h>
}

#include "bench_frames.h"
#include "register.h"

namespace tesselox::bench {
namespace {

SwsContext* MakeContext(int srcW, int srcH, int dstW, int dstH) {
  SwsContext* ctx = sws_alloc_context();
  if (ctx == nullptr) return nullptr;
  av_opt_set_int(ctx, "srcw", srcW, 0);
  av_opt_set_int(ctx, "srch", srcH, 0);
  av_opt_set_int(ctx, "src_format", AV_PIX_FMT_RGB48LE, 0);
  av_opt_set_int(ctx, "dstw", dstW, 0);
  av_opt_set_int(ctx, "dsth", dstH, 0);
  av_opt_set_int(ctx, "dst_format", AV_PIX_FMT_RGB48LE, 0);
  av_opt_set_int(ctx, "sws_flags", SWS_POINT, 0);
  av_opt_set_int(ctx, "threads", 1, 0);  // absent before FFmpeg 5; then it is one thread anyway
  if (sws_init_context(ctx, nullptr, nullptr) < 0) {
    sws_freeContext(ctx);
    return nullptr;
  }
  return ctx;
}

void Scale(benchmark::State& state, const BenchCase& c) {
  FrameBuffer a(true), b(false);
  const std::int32_t sx = Value(c, FieldId::SrcX), sy = Value(c, FieldId::SrcY);
  const std::int32_t scx = Value(c, FieldId::SrcCx), scy = Value(c, FieldId::SrcCy);
  const std::int32_t dx = Value(c, FieldId::DstX), dy = Value(c, FieldId::DstY);
  const std::int32_t dcx = Value(c, FieldId::DstCx), dcy = Value(c, FieldId::DstCy);
  SwsContext* ctx = MakeContext(std::abs(scx), std::abs(scy), dcx, dcy);
  if (ctx == nullptr) {
    state.SkipWithError("swscale context");
    return;
  }
  const int row = static_cast<int>(FrameBuffer::kRowBytes);
  // A source running upwards starts at its corner row and steps back.
  const std::uint8_t* const srcPlane[4] = {a.Bytes() + sy * FrameBuffer::kRowBytes + sx * 6};
  const int srcStride[4] = {scy < 0 ? -row : row};
  std::uint8_t* const dstPlane[4] = {b.Bytes() + dy * FrameBuffer::kRowBytes + dx * 6};
  const int dstStride[4] = {row};
  for (auto _ : state) {
    std::memset(b.Bytes(), 0, b.Size());
    sws_scale(ctx, srcPlane, srcStride, 0, std::abs(scy), dstPlane, dstStride);
    benchmark::DoNotOptimize(b.Bytes());
    benchmark::ClobberMemory();
  }
  sws_freeContext(ctx);
}

}  // namespace

void RegisterSwscalePeer() {
  for (const BenchCase& c : BenchCases()) {
    // No horizontal mirror in swscale.
    if (!c.peers || c.values[Index(FieldId::SrcCx)] < 0) continue;
    benchmark::RegisterBenchmark((std::string("swscale/") + c.name).c_str(), Scale, c)
        ->Unit(benchmark::kMicrosecond);
  }
}

}  // namespace tesselox::bench
