#include "frei0r/filter_instance.h"

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>
#include <new>

#include "filter/render_plane.h"
#include "frei0r/frame_request.h"

namespace tesselox::frei0r {
namespace {

constexpr int kPixelBytes = 4;
constexpr std::uint8_t kTransparentBlack[kPixelBytes] = {0, 0, 0, 0};

// True when the frame's bytes can be addressed: sides within 32 bits and the whole frame
// within ptrdiff_t.
bool Addressable(unsigned width, unsigned height) {
  constexpr auto kSide = static_cast<unsigned>(std::numeric_limits<std::int32_t>::max());
  if (width > kSide || height > kSide) return false;
  if (width == 0 || height == 0) return true;
  return static_cast<std::uint64_t>(width) * height <=
         static_cast<std::uint64_t>(std::numeric_limits<std::ptrdiff_t>::max()) / kPixelBytes;
}

bool Overlap(const std::uint8_t* a, const std::uint8_t* b, std::size_t bytes) {
  const std::less<const std::uint8_t*> before;
  return before(a, b + bytes) && before(b, a + bytes);
}

// Said once per process, on standard error: the only channel a frei0r filter has to a user.
void WarnSliced() {
  static std::once_flag once;
  std::call_once(once, [] {
    std::fputs(
        "tesselox: the host hands this filter horizontal bands of each frame as whole frames "
        "(MLT's \"threads\" property on the filter), so pixels cannot move between bands and "
        "the output is wrong; leave \"threads\" unset on this filter\n",
        stderr);
  });
}

}  // namespace

FilterInstance::FilterInstance(unsigned width, unsigned height) {
  if (Addressable(width, height)) {
    width_ = static_cast<std::int32_t>(width);
    height_ = static_cast<std::int32_t>(height);
  }
}

void FilterInstance::Set(int index, double value) {
  if (index < 0 || index >= kParamCount) return;
  values_[static_cast<std::size_t>(index)] = value;
  planned_ = false;
}

double FilterInstance::Get(int index) const {
  if (index < 0 || index >= kParamCount) return 0.0;
  return values_[static_cast<std::size_t>(index)];
}

PlaneView FilterInstance::Plane(const std::uint8_t* bytes) const {
  // The core writes only through the destination view.
  return PlaneView{const_cast<std::uint8_t*>(bytes), width_, height_,
                   static_cast<std::ptrdiff_t>(width_) * kPixelBytes, kPixelBytes};
}

bool FilterInstance::LooksSliced(const std::uint8_t* in, const std::uint8_t* out, bool concurrent) {
  // Neighbouring bands of one frame lie exactly one band apart in one buffer, in and out alike;
  // frames that hosts allocate one by one never do, since every allocation carries a header.
  const auto inAt = reinterpret_cast<std::uintptr_t>(in);
  const auto outAt = reinterpret_cast<std::uintptr_t>(out);
  const std::uintptr_t band = static_cast<std::uintptr_t>(width_) * height_ * kPixelBytes;
  const bool adjacent = lastIn_ != 0 && (inAt - lastIn_ == band || lastIn_ - inAt == band) &&
                        outAt - lastOut_ == inAt - lastIn_;
  lastIn_ = inAt;
  lastOut_ = outAt;
  return concurrent || adjacent;
}

void FilterInstance::Update(const std::uint8_t* in, std::uint8_t* out) {
  if (in == nullptr || out == nullptr || width_ == 0 || height_ == 0) return;
  std::unique_lock lock(updating_, std::try_to_lock);
  const bool concurrent = !lock.owns_lock();
  if (concurrent) lock.lock();
  if (LooksSliced(in, out, concurrent)) WarnSliced();
  const std::size_t bytes = static_cast<std::size_t>(width_) * height_ * kPixelBytes;
  if (Overlap(in, out, bytes)) {
    try {
      kept_.resize(bytes);
    } catch (const std::bad_alloc&) {
      return;  // the frame stays as it came: the input, unfiltered
    }
    std::memcpy(kept_.data(), in, bytes);
    in = kept_.data();
  }
  const PlaneView src = Plane(in);
  const PlaneView dst = Plane(out);
  if (!planned_) {
    plan_ = PlanCopy(SizeOf(dst), SizeOf(src), RequestFor(values_, width_, height_));
    planned_ = true;
  }
  RenderPlane(dst, src, plan_, kTransparentBlack);
}

}  // namespace tesselox::frei0r
