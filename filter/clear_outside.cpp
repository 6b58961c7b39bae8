#include "filter/clear_outside.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "filter/processor.h"

namespace tesselox {
namespace {

constexpr std::uintptr_t kLine = 64;

// A run of the pattern that every pixel size divides.
constexpr std::ptrdiff_t kPatternRun = 192;

#if defined(TESSELOX_X86) && defined(__GNUC__)
// The string store's word, and the fill from which it beats vector stores (below it, starting
// the string store costs more than it saves).
#if defined(__x86_64__)
using StringWord = std::uint64_t;
#else
using StringWord = std::uint32_t;
#endif
constexpr int kStringWord = sizeof(StringWord);
constexpr std::ptrdiff_t kStringFillBytes = 2048;
#endif

}  // namespace

ClearStream::ClearStream(Pixel* buffer, std::ptrdiff_t stride, std::ptrdiff_t lines, PixelRect keep)
    : ClearStream(PlaneView{reinterpret_cast<std::uint8_t*>(buffer),
                            static_cast<std::int32_t>(stride), static_cast<std::int32_t>(lines),
                            stride * static_cast<std::ptrdiff_t>(sizeof(Pixel)), sizeof(Pixel)},
                  keep, nullptr) {}

ClearStream::ClearStream(const PlaneView& plane, PixelRect keep, const std::uint8_t* fill)
    : base_(plane.bytes),
      stride_(plane.stride),
      rowBytes_(static_cast<std::ptrdiff_t>(plane.width) * plane.pixelBytes),
      lines_(plane.height),
      keep_{keep.left * plane.pixelBytes, keep.top, keep.width * plane.pixelBytes, keep.height},
      empty_(keep.width <= 0 || keep.height <= 0),
      pixelBytes_(plane.pixelBytes),
      zero_(fill == nullptr ||
            std::all_of(fill, fill + plane.pixelBytes, [](std::uint8_t b) { return b == 0; })) {
  if (plane.width <= 0 || plane.height <= 0) rowBytes_ = lines_ = 0;
  bytes_ = rowBytes_ * lines_ - (empty_ ? 0 : keep_.width * keep_.height);
  // Counted rather than divided: small planes feel a division per byte.
  for (std::size_t k = 0, c = 0; k < sizeof pattern_;
       ++k, c = c + 1 == static_cast<std::size_t>(pixelBytes_) ? 0 : c + 1) {
    pattern_[k] = zero_ ? 0 : fill[c];
  }
  uniform_ = std::all_of(pattern_, pattern_ + pixelBytes_,
                         [this](std::uint8_t b) { return b == pattern_[0]; });
}

void ClearStream::Fill(std::uint8_t* at, std::ptrdiff_t bytes, int phase) const {
  if (bytes <= 0) return;
  if (uniform_) {
    std::memset(at, pattern_[0], static_cast<std::size_t>(bytes));
    return;
  }
  const std::uint8_t* from = pattern_ + phase;
#if defined(TESSELOX_X86) && defined(__GNUC__)
  // A long fill by the string store, which (as a long memset) sets whole cache lines without
  // reading them first: a third faster than vector stores on a frame's clear.
  if (bytes >= kStringFillBytes && kStringWord % pixelBytes_ == 0) {
    std::size_t words = static_cast<std::size_t>(bytes) / kStringWord;
    StringWord word;
    std::memcpy(&word, from, kStringWord);
    void* to = at;
#if defined(__x86_64__)
    asm volatile("rep stosq" : "+D"(to), "+c"(words) : "a"(word) : "memory");
#else
    asm volatile("rep stosl" : "+D"(to), "+c"(words) : "a"(word) : "memory");
#endif
    const std::ptrdiff_t done = bytes / kStringWord * kStringWord;
    at += done;
    bytes -= done;  // whole words keep the phase: the pixel divides a word
  }
#endif
  for (; bytes >= kPatternRun; bytes -= kPatternRun, at += kPatternRun) {
    std::memcpy(at, from, kPatternRun);
  }
  std::memcpy(at, from, static_cast<std::size_t>(bytes));
}

// A row outside the kept rows is one segment; a kept row has the part before the kept span and
// the part after it.
bool ClearStream::NextSegment(std::ptrdiff_t& from, std::ptrdiff_t& to) {
  while (row_ < lines_) {
    const std::ptrdiff_t start = row_ * stride_;
    const bool kept = !empty_ && row_ >= keep_.top && row_ < keep_.top + keep_.height;
    if (!kept) {
      ++row_;
      from = start;
      to = start + rowBytes_;
      return true;
    }
    if (keep_.left == 0 && keep_.width == rowBytes_) {
      row_ = keep_.top + keep_.height;  // kept rows whole: nothing to set in any of them
      continue;
    }
    if (part_ == 0) {
      part_ = 1;
      if (keep_.left > 0) {
        from = start;
        to = start + keep_.left;
        return true;
      }
    }
    part_ = 0;
    ++row_;
    if (keep_.left + keep_.width < rowBytes_) {
      from = start + keep_.left + keep_.width;
      to = start + rowBytes_;
      return true;
    }
  }
  return false;
}

// Segments that meet make one range: across a row break where rows are not padded.
bool ClearStream::NextRange(std::ptrdiff_t& from, std::ptrdiff_t& to) {
  if (!ahead_ && !NextSegment(aheadFrom_, aheadTo_)) return false;
  from = aheadFrom_;
  to = aheadTo_;
  ahead_ = false;
  std::ptrdiff_t f, t;
  while (NextSegment(f, t)) {
    if (f != to) {
      aheadFrom_ = f;
      aheadTo_ = t;
      ahead_ = true;
      break;
    }
    to = t;
  }
  return true;
}

bool ClearStream::Refill() {
  started_ = true;
  std::ptrdiff_t from, to;
  while (NextRange(from, to)) {
    const auto start = reinterpret_cast<std::uintptr_t>(base_ + from);
    const auto stop = reinterpret_cast<std::uintptr_t>(base_ + to);
    const std::uintptr_t first = (start + kLine - 1) & ~(kLine - 1);
    const std::uintptr_t last = stop & ~(kLine - 1);
    if (first >= last) {
      Fill(base_ + from, to - from, 0);
      continue;
    }
    const auto head = static_cast<std::ptrdiff_t>(first - start);
    const auto tail = static_cast<std::ptrdiff_t>(stop - last);
    Fill(base_ + from, head, 0);
    Fill(base_ + to - tail, tail, static_cast<int>((to - tail - from) % pixelBytes_));
    whole = Lines{base_ + from + head, base_ + to - tail, static_cast<int>(head % pixelBytes_)};
    return true;
  }
  whole = Lines{nullptr, nullptr, 0};
  return false;
}

void ClearStream::Take(std::ptrdiff_t bytes) {
  while (bytes > 0) {
    if (whole.next == whole.end && !Refill()) return;
    const std::ptrdiff_t some = std::min(bytes, whole.end - whole.next);
    Fill(whole.next, some, whole.phase);
    whole.next += some;
    whole.phase = static_cast<int>((whole.phase + some) % pixelBytes_);
    bytes -= some;
  }
}

void ClearStream::Finish() {
  started_ = true;
  if (whole.next != nullptr) Fill(whole.next, whole.end - whole.next, whole.phase);
  whole = Lines{nullptr, nullptr, 0};
  std::ptrdiff_t from, to;
  while (NextRange(from, to)) Fill(base_ + from, to - from, 0);
}

void ClearStream::FinishBeforeCopy() {
  if (!started_ && 2 * keep_.width < rowBytes_) {
    empty_ = true;
    bytes_ = rowBytes_ * lines_;
  }
  Finish();
}

}  // namespace tesselox
