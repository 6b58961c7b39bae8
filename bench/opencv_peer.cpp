// The same cases with OpenCV's nearest-neighbour resize (and flip for mirrored ones) on
// CV_16SC3, the same 6-byte pixels, single-threaded, clear included.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <string>

#include "bench_frames.h"
#include "register.h"

namespace tesselox::bench {
namespace {

// The rectangle an extent covers from a corner, whichever way it runs.
cv::Rect Normalised(std::int32_t x, std::int32_t y, std::int32_t cx, std::int32_t cy) {
  return cv::Rect(cx < 0 ? x + cx + 1 : x, cy < 0 ? y + cy + 1 : y, std::abs(cx), std::abs(cy));
}

void Resize(benchmark::State& state, const BenchCase& c) {
  cv::setNumThreads(0);
  FrameBuffer a(true), b(false);
  const cv::Mat srcFrame(c.frameH, c.frameW, CV_16SC3, a.Bytes(), FrameBuffer::kRowBytes);
  const cv::Mat srcRect = srcFrame(Normalised(Value(c, FieldId::SrcX), Value(c, FieldId::SrcY),
                                              Value(c, FieldId::SrcCx), Value(c, FieldId::SrcCy)));
  cv::Mat dstFrame(std::abs(Value(c, FieldId::Height)), std::abs(Value(c, FieldId::Width)),
                   CV_16SC3, b.Bytes(), FrameBuffer::kRowBytes);
  cv::Mat dstRect = dstFrame(Normalised(Value(c, FieldId::DstX), Value(c, FieldId::DstY),
                                        Value(c, FieldId::DstCx), Value(c, FieldId::DstCy)));
  const bool flipX = (Value(c, FieldId::SrcCx) < 0) != (Value(c, FieldId::DstCx) < 0);
  const bool flipY = (Value(c, FieldId::SrcCy) < 0) != (Value(c, FieldId::DstCy) < 0);
  const int flipCode = flipX && flipY ? -1 : flipX ? 1 : 0;
  for (auto _ : state) {
    std::memset(b.Bytes(), 0, b.Size());
    if ((flipX || flipY) && srcRect.size() == dstRect.size()) {
      cv::flip(srcRect, dstRect, flipCode);
    } else {
      cv::resize(srcRect, dstRect, dstRect.size(), 0, 0, cv::INTER_NEAREST);
      if (flipX || flipY) cv::flip(dstRect, dstRect, flipCode);
    }
    benchmark::DoNotOptimize(b.Bytes());
    benchmark::ClobberMemory();
  }
  // A resize that had to allocate would not have written into the frame at all.
  if (dstRect.datastart != b.Bytes()) state.SkipWithError("OpenCV wrote outside the frame");
}

}  // namespace

void RegisterOpenCvPeer() {
  for (const BenchCase& c : BenchCases()) {
    if (!c.peers) continue;
    benchmark::RegisterBenchmark((std::string("opencv/") + c.name).c_str(), Resize, c)
        ->Unit(benchmark::kMicrosecond);
  }
}

}  // namespace tesselox::bench
