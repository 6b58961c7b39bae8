#include "filter/clear_outside.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace tesselox {
namespace {

constexpr std::uintptr_t kLine = 64;

void Zero(std::uint8_t* from, std::ptrdiff_t bytes) {
  if (bytes > 0) std::memset(from, 0, static_cast<std::size_t>(bytes));
}

}  // namespace

void ClearOutside(Pixel* buffer, std::ptrdiff_t stride, std::ptrdiff_t lines, PixelRect keep) {
  ClearStream(buffer, stride, lines, keep).Finish();
}

ClearStream::ClearStream(Pixel* buffer, std::ptrdiff_t stride, std::ptrdiff_t lines, PixelRect keep)
    : base_(reinterpret_cast<std::uint8_t*>(buffer)),
      stride_(stride * static_cast<std::ptrdiff_t>(sizeof(Pixel))),
      total_(stride_ * lines),
      keep_{keep.left * static_cast<std::ptrdiff_t>(sizeof(Pixel)), keep.top,
            keep.width * static_cast<std::ptrdiff_t>(sizeof(Pixel)), keep.height},
      empty_(keep.width <= 0 || keep.height <= 0),
      bytes_(empty_ ? total_ : total_ - keep_.width * keep_.height) {}

// Up to the first kept pixel; then from the end of each kept span to the start of the next one,
// which runs across the line break; then from the last kept pixel to the buffer's end.
bool ClearStream::Range(std::ptrdiff_t r, std::ptrdiff_t& from, std::ptrdiff_t& to) const {
  if (empty_) {
    from = 0;
    to = total_;
    return r == 0;
  }
  if (r > keep_.height) return false;
  from = r == 0 ? 0 : (keep_.top + r - 1) * stride_ + keep_.left + keep_.width;
  to = r == keep_.height ? total_ : (keep_.top + r) * stride_ + keep_.left;
  return true;
}

bool ClearStream::Refill() {
  std::ptrdiff_t from, to;
  while (Range(range_, from, to)) {
    ++range_;
    if (from >= to) continue;
    const auto start = reinterpret_cast<std::uintptr_t>(base_ + from);
    const auto stop = reinterpret_cast<std::uintptr_t>(base_ + to);
    const std::uintptr_t first = (start + kLine - 1) & ~(kLine - 1);
    const std::uintptr_t last = stop & ~(kLine - 1);
    if (first >= last) {
      Zero(base_ + from, to - from);
      continue;
    }
    Zero(base_ + from, static_cast<std::ptrdiff_t>(first - start));
    Zero(base_ + to - static_cast<std::ptrdiff_t>(stop - last),
         static_cast<std::ptrdiff_t>(stop - last));
    whole.next = base_ + from + static_cast<std::ptrdiff_t>(first - start);
    whole.end = base_ + to - static_cast<std::ptrdiff_t>(stop - last);
    return true;
  }
  whole = Lines{nullptr, nullptr};
  return false;
}

void ClearStream::Finish() {
  if (whole.next != nullptr) Zero(whole.next, whole.end - whole.next);
  whole = Lines{nullptr, nullptr};
  std::ptrdiff_t from, to;
  while (Range(range_, from, to)) {
    ++range_;
    Zero(base_ + from, to - from);
  }
}

void ClearStream::FinishBeforeCopy() {
  if (range_ == 0 && 2 * keep_.width < stride_) {
    empty_ = true;
    bytes_ = total_;
  }
  Finish();
}

}  // namespace tesselox
