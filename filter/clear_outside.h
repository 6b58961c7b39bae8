#pragma once

#include <cstddef>
#include <cstdint>

#include "filter/plane_view.h"

namespace tesselox {

// A rectangle of pixels: columns [left, left + width), rows [top, top + height).
struct PixelRect {
  std::ptrdiff_t left;
  std::ptrdiff_t top;
  std::ptrdiff_t width;
  std::ptrdiff_t height;
};

// The clear around a copy, handed out piecemeal so that the copy can spread it over its rows:
// every pixel of a plane outside `keep` (which lies inside the plane; an empty one keeps
// nothing) is set to the fill pixel, zero bytes unless given; a buffer of `lines` lines of
// `stride` six-byte pixels is cleared to zero as such a plane. The bytes to set
// make up ranges in address order (up to the first kept pixel, between kept spans, after the
// last one; a plane whose rows are padded has its rows' own ranges, the padding untouched), and
// the whole 64-byte cache lines of each range are offered for streaming stores, which must not
// share a line with bytes stored otherwise.
class ClearStream {
 public:
  ClearStream(Pixel* buffer, std::ptrdiff_t stride, std::ptrdiff_t lines, PixelRect keep);
  ClearStream(const PlaneView& plane, PixelRect keep, const std::uint8_t* fill);

  // Whole lines of the current range still to be set: [next, end), 64-byte aligned; the line at
  // `next` starts with byte `phase` of the fill pixel. Whoever sets some moves `next` on (and
  // `phase` by LineStep() per line, modulo the pixel size).
  struct Lines {
    std::uint8_t* next;
    std::uint8_t* end;
    int phase;
  };
  Lines whole{nullptr, nullptr, 0};

  // Moves `whole` to the next range that has whole lines, setting with ordinary stores the bytes
  // of that range (and of any range skipped) that share a line with bytes outside it. False, with
  // `whole` empty, once every range has been handed out. Call only when `whole` is empty.
  bool Refill();

  // Sets up to `bytes` bytes of whole lines with ordinary stores, refilling as needed.
  void Take(std::ptrdiff_t bytes);

  // Sets whatever has not been set yet: the rest of `whole` and every later range.
  void Finish();

  // The whole clear before the copy draws anything. Where the kept rectangle covers less than
  // half of each row, the kept pixels are set too: one long fill is faster than a short one per
  // row, and the copy writes them afterwards.
  void FinishBeforeCopy();

  // Bytes of the whole clear.
  std::ptrdiff_t Bytes() const { return bytes_; }

  // The fill pixel repeated: a line with phase p holds Pattern()[p, p + 64).
  const std::uint8_t* Pattern() const { return pattern_; }
  int PixelBytes() const { return pixelBytes_; }
  int LineStep() const { return 64 % pixelBytes_; }

 private:
  // The next range in bytes from the plane's start; false past the last one.
  bool NextRange(std::ptrdiff_t& from, std::ptrdiff_t& to);
  bool NextSegment(std::ptrdiff_t& from, std::ptrdiff_t& to);
  // Sets `bytes` bytes at `at`, the first of them byte `phase` of the fill pixel.
  void Fill(std::uint8_t* at, std::ptrdiff_t bytes, int phase) const;

  std::uint8_t* base_;
  std::ptrdiff_t stride_;    // in bytes
  std::ptrdiff_t rowBytes_;  // the bytes of a row's pixels
  std::ptrdiff_t lines_;
  PixelRect keep_;  // in bytes across, rows down
  bool empty_;
  int pixelBytes_;
  bool zero_;
  bool uniform_;  // every byte of the fill pixel the same: a memset
  std::ptrdiff_t bytes_;
  // Where the ranges have got to: the next row and part of a row, and a segment read ahead.
  std::ptrdiff_t row_ = 0;
  int part_ = 0;
  bool ahead_ = false;
  std::ptrdiff_t aheadFrom_ = 0, aheadTo_ = 0;
  bool started_ = false;
  // 192 bytes, a whole number of pixels of every size, from any phase below 8.
  std::uint8_t pattern_[200];
};

}  // namespace tesselox
