// The same cases with OpenCV's nearest-neighbour resize (and flip for mirrored ones) on
// CV_16SC3, the same 6-byte pixels, single-threaded, clear included; and on the plane
// benchmark's planes, in the OpenCV type of each pixel size.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <string>

#include "bench_frames.h"
#include "plane_buffer.h"
#include "register.h"

namespace tesselox::bench {
namespace {

// The rectangle an extent covers from a corner, whichever way it runs.
cv::Rect Normalised(std::int32_t x, std::int32_t y, std::int32_t cx, std::int32_t cy) {
  return cv::Rect(cx < 0 ? x + cx + 1 : x, cy < 0 ? y + cy + 1 : y, std::abs(cx), std::abs(cy));
}

// What the case asks of OpenCV on a source and a destination image: resize, flip, or both.
class CvJob {
 public:
  CvJob(const BenchCase& c, const cv::Mat& srcFrame, cv::Mat& dstFrame)
      : srcRect_(srcFrame(Normalised(Value(c, FieldId::SrcX), Value(c, FieldId::SrcY),
                                     Value(c, FieldId::SrcCx), Value(c, FieldId::SrcCy)))),
        dstRect_(dstFrame(Normalised(Value(c, FieldId::DstX), Value(c, FieldId::DstY),
                                     Value(c, FieldId::DstCx), Value(c, FieldId::DstCy)))) {
    const bool flipX = (Value(c, FieldId::SrcCx) < 0) != (Value(c, FieldId::DstCx) < 0);
    const bool flipY = (Value(c, FieldId::SrcCy) < 0) != (Value(c, FieldId::DstCy) < 0);
    flip_ = flipX || flipY;
    flipCode_ = flipX && flipY ? -1 : flipX ? 1 : 0;
  }
  void Run() {
    if (flip_ && srcRect_.size() == dstRect_.size()) {
      cv::flip(srcRect_, dstRect_, flipCode_);
    } else {
      cv::resize(srcRect_, dstRect_, dstRect_.size(), 0, 0, cv::INTER_NEAREST);
      if (flip_) cv::flip(dstRect_, dstRect_, flipCode_);
    }
  }
  // A resize that had to allocate would not have written into the destination at all.
  bool WroteInto(const std::uint8_t* bytes) const { return dstRect_.datastart == bytes; }

 private:
  cv::Mat srcRect_;
  cv::Mat dstRect_;
  bool flip_;
  int flipCode_;
};

void Resize(benchmark::State& state, const BenchCase& c) {
  cv::setNumThreads(0);
  FrameBuffer a(true), b(false);
  const cv::Mat srcFrame(c.frameH, c.frameW, CV_16SC3, a.Bytes(), FrameBuffer::kRowBytes);
  cv::Mat dstFrame(std::abs(Value(c, FieldId::Height)), std::abs(Value(c, FieldId::Width)),
                   CV_16SC3, b.Bytes(), FrameBuffer::kRowBytes);
  CvJob job(c, srcFrame, dstFrame);
  for (auto _ : state) {
    std::memset(b.Bytes(), 0, b.Size());
    job.Run();
    benchmark::DoNotOptimize(b.Bytes());
    benchmark::ClobberMemory();
  }
  if (!job.WroteInto(b.Bytes())) state.SkipWithError("OpenCV wrote outside the frame");
}

// The OpenCV type whose pixels have the plane's size.
int CvType(int pixelBytes) {
  switch (pixelBytes) {
    case 1:
      return CV_8UC1;
    case 2:
      return CV_16UC1;
    case 3:
      return CV_8UC3;
    case 4:
      return CV_8UC4;
    case 6:
      return CV_16UC3;
    default:
      return CV_16UC4;
  }
}

// The same on the plane benchmark's planes, after the same memset of the destination plane.
void ResizePlane(benchmark::State& state, const PlaneCase& c) {
  cv::setNumThreads(0);
  const CasePlanes p(c);
  const PlaneView& src = p.src.View();
  const PlaneView& dst = p.dst.View();
  const int type = CvType(c.pixelBytes);
  const cv::Mat srcFrame(src.height, src.width, type, src.bytes,
                         static_cast<std::size_t>(src.stride));
  cv::Mat dstFrame(dst.height, dst.width, type, dst.bytes, static_cast<std::size_t>(dst.stride));
  CvJob job(c.frame, srcFrame, dstFrame);
  for (auto _ : state) {
    std::memset(dst.bytes, 0, p.dst.Size());
    job.Run();
    benchmark::DoNotOptimize(dst.bytes);
    benchmark::ClobberMemory();
  }
  if (!job.WroteInto(dst.bytes)) state.SkipWithError("OpenCV wrote outside the plane");
}

}  // namespace

void RegisterOpenCvPeer() {
  for (const BenchCase& c : BenchCases()) {
    if (!c.peers) continue;
    benchmark::RegisterBenchmark((std::string("opencv/") + c.name).c_str(), Resize, c)
        ->Unit(benchmark::kMicrosecond);
    for (int bytes : kPlanePixelSizes) {
      benchmark::RegisterBenchmark(("planeopencv/" + PlaneName(c, bytes)).c_str(), ResizePlane,
                                   PlaneCase{c, bytes})
          ->Unit(benchmark::kMicrosecond);
    }
  }
}

}  // namespace tesselox::bench
