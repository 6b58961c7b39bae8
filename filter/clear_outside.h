#pragma once

#include <cstddef>
#include <cstdint>

#include "filter/image_view.h"

namespace tesselox {

// A rectangle of pixels: columns [left, left + width), rows [top, top + height).
struct PixelRect {
  std::ptrdiff_t left;
  std::ptrdiff_t top;
  std::ptrdiff_t width;
  std::ptrdiff_t height;
};

// Sets to zero bytes every pixel of a buffer of `lines` lines of `stride` pixels except those
// of `keep`, which must lie inside the buffer's columns and lines. An empty `keep` clears the
// whole buffer. Each gap between kept spans is one memset.
void ClearOutside(Pixel* buffer, std::ptrdiff_t stride, std::ptrdiff_t lines, PixelRect keep);

// The same clear, handed out piecemeal so that a copy can spread it over its rows: the bytes
// outside `keep` make up ranges in address order (up to the first kept pixel, between kept
// spans, after the last one), and the whole 64-byte cache lines of each range are offered for
// streaming stores, which must not share a line with bytes stored otherwise.
class ClearStream {
 public:
  ClearStream(Pixel* buffer, std::ptrdiff_t stride, std::ptrdiff_t lines, PixelRect keep);

  // Whole lines of the current range still to be zeroed: [next, end), 64-byte aligned. Whoever
  // zeroes some moves `next` on.
  struct Lines {
    std::uint8_t* next;
    std::uint8_t* end;
  };
  Lines whole{nullptr, nullptr};

  // Moves `whole` to the next range that has whole lines, zeroing with memset the bytes of that
  // range (and of any range skipped) that share a line with bytes outside it. False, with `whole`
  // empty, once every range has been handed out. Call only when `whole` is empty.
  bool Refill();

  // Zeroes whatever has not been zeroed yet: the rest of `whole` and every later range.
  void Finish();

  // The whole clear before the copy draws anything. Where the kept rectangle covers less than
  // half of each line, the kept pixels are zeroed too: one long memset is faster than a short
  // one per line, and the copy writes them afterwards.
  void FinishBeforeCopy();

  // Bytes of the whole clear.
  std::ptrdiff_t Bytes() const { return bytes_; }

 private:
  // Range r in bytes from the buffer's start; false past the last one.
  bool Range(std::ptrdiff_t r, std::ptrdiff_t& from, std::ptrdiff_t& to) const;

  std::uint8_t* base_;
  std::ptrdiff_t stride_;  // in bytes
  std::ptrdiff_t total_;   // in bytes
  PixelRect keep_;         // in bytes across, lines down
  bool empty_;
  std::ptrdiff_t bytes_;
  std::ptrdiff_t range_ = 0;  // the next range to hand out
};

}  // namespace tesselox
