#include "filter/fit_request.h"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <limits>
#include <numeric>
#include <utility>

#include "filter/magnitude.h"

namespace tesselox {
namespace {

// An unsigned integer of 128 bits in 32-bit limbs, enough for a product of four 32-bit factors,
// doubled. 32-bit targets have no native 128-bit type, and the sizes must come out exact.
class Wide {
 public:
  explicit Wide(std::uint32_t v = 0) : limbs_{v, 0, 0, 0} {}

  Wide& operator*=(std::uint32_t factor) {
    std::uint64_t carry = 0;
    for (std::uint32_t& limb : limbs_) {
      const std::uint64_t v = std::uint64_t{limb} * factor + carry;
      limb = static_cast<std::uint32_t>(v);
      carry = v >> 32;
    }
    return *this;
  }
  Wide& operator+=(const Wide& other) {
    std::uint64_t carry = 0;
    for (std::size_t k = 0; k < limbs_.size(); ++k) {
      const std::uint64_t v = std::uint64_t{limbs_[k]} + other.limbs_[k] + carry;
      limbs_[k] = static_cast<std::uint32_t>(v);
      carry = v >> 32;
    }
    return *this;
  }
  friend bool operator<=(const Wide& a, const Wide& b) {
    for (std::size_t k = a.limbs_.size(); k-- > 0;) {
      if (a.limbs_[k] != b.limbs_[k]) return a.limbs_[k] < b.limbs_[k];
    }
    return true;
  }

 private:
  std::array<std::uint32_t, 4> limbs_;
};

Wide Product(std::initializer_list<std::uint32_t> factors) {
  Wide p(1);
  for (const std::uint32_t f : factors) p *= f;
  return p;
}

// The largest q < 2^31 with q * den <= num: every quotient fits an int32.
std::uint32_t Quotient(const Wide& num, const Wide& den) {
  std::uint32_t q = 0;
  for (std::uint32_t bit = 1u << 30; bit != 0; bit >>= 1) {
    Wide trial = den;
    trial *= q | bit;
    if (trial <= num) q |= bit;
  }
  return q;
}

// num / den rounded, halves up: floor((2 num + den) / (2 den)), below 2^31.
std::int32_t Rounded(std::initializer_list<std::uint32_t> num,
                     std::initializer_list<std::uint32_t> den) {
  Wide twiceNum = Product(num), twiceDen = Product(den);
  twiceNum *= 2;
  twiceNum += Product(den);
  twiceDen *= 2;
  return static_cast<std::int32_t>(Quotient(twiceNum, twiceDen));
}

std::int32_t Floored(std::initializer_list<std::uint32_t> num,
                     std::initializer_list<std::uint32_t> den) {
  return static_cast<std::int32_t>(Quotient(Product(num), Product(den)));
}

std::uint32_t U(std::int64_t v) {
  return static_cast<std::uint32_t>(v);
}

std::int32_t Saturated(std::int64_t v) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(
      v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

// The axis's destination: `size` pixels from `corner`, walked backwards when the extent as set
// is negative (a mirror).
void Place(CopyAxis& axis, std::int32_t corner, std::int32_t size) {
  if (axis.extent < 0 && size > 0) {
    axis.corner = corner + size - 1;
    axis.extent = -size;
  } else {
    axis.corner = corner;
    axis.extent = size;
  }
}

// The source narrowed to `size` pixels about its centre, in its own direction.
void Narrow(CopyAxis& axis, std::int32_t size) {
  const std::int64_t whole = Magnitude(std::int64_t{axis.sourceExtent});
  const std::int64_t inset = (whole - size) / 2;
  const bool backwards = axis.sourceExtent < 0;
  axis.sourceCorner = Saturated(axis.sourceCorner + (backwards ? -inset : inset));
  axis.sourceExtent = backwards ? -size : size;
}

constexpr std::array<std::string_view, 5> kFitNames{"none", "stretch", "contain", "cover",
                                                    "integer"};
constexpr std::array<std::string_view, 2> kSamplingNames{"edge", "center"};

template <typename Enum, std::size_t kCount>
std::optional<Enum> Named(const std::array<std::string_view, kCount>& names,
                          std::string_view name) {
  for (std::size_t k = 0; k < kCount; ++k) {
    if (names[k] == name) return static_cast<Enum>(k);
  }
  return std::nullopt;
}

}  // namespace

std::string_view NameOf(FitMode mode) {
  return kFitNames.at(static_cast<std::size_t>(mode));
}
std::string_view NameOf(Sampling sampling) {
  return kSamplingNames.at(static_cast<std::size_t>(sampling));
}
std::optional<FitMode> FitModeNamed(std::string_view name) {
  return Named<FitMode>(kFitNames, name);
}
std::optional<Sampling> SamplingNamed(std::string_view name) {
  return Named<Sampling>(kSamplingNames, name);
}
std::string_view FitModeNames() {
  return "none, stretch, contain, cover, integer";
}
std::string_view SamplingNames() {
  return "edge, center";
}

CopyRequest FitRequest(const CopyRequest& asSet, PlaneSize frame, PixelAspect in, PixelAspect out,
                       FitMode mode) {
  if (mode == FitMode::None) return asSet;
  CopyRequest r = asSet;
  const std::int32_t frameW = std::max(frame.width, 0), frameH = std::max(frame.height, 0);
  const std::int64_t w = Magnitude(std::int64_t{asSet.x.sourceExtent});
  const std::int64_t h = Magnitude(std::int64_t{asSet.y.sourceExtent});
  const bool empty = w == 0 || h == 0 || frameW == 0 || frameH == 0;
  if (mode == FitMode::Stretch || (mode == FitMode::Cover && !empty)) {
    Place(r.x, 0, frameW);
    Place(r.y, 0, frameH);
  }
  if (mode == FitMode::Stretch) return r;
  if (empty) {
    Place(r.x, 0, 0);
    Place(r.y, 0, 0);
    return r;
  }
  // A ratio with a term below 1 is none: square pixels.
  if (in.numerator < 1 || in.denominator < 1) in = PixelAspect{};
  if (out.numerator < 1 || out.denominator < 1) out = PixelAspect{};
  // The source's width in the frame's pixels is w * a / b; its height stays h.
  const std::uint32_t inN = U(in.numerator), inD = U(in.denominator);
  const std::uint32_t outN = U(out.numerator), outD = U(out.denominator);
  const std::uint32_t W = U(frameW), H = U(frameH);
  const bool wider = Product({U(h), W, inD, outN}) <= Product({U(w), inN, outD, H});
  const bool taller = Product({U(w), inN, outD, H}) <= Product({U(h), W, inD, outN});
  if (mode == FitMode::Cover) {
    if (wider && !taller) Narrow(r.x, std::max(1, Rounded({U(h), W, inD, outN}, {H, inN, outD})));
    if (taller && !wider) Narrow(r.y, std::max(1, Rounded({U(w), inN, outD, H}, {inD, outN, W})));
    return r;
  }
  std::int32_t width = 0, height = 0;
  const std::int32_t k =
      mode == FitMode::Integer
          ? std::min(Floored({W, inD, outN}, {U(w), inN, outD}), Floored({H}, {U(h)}))
          : 0;
  if (k >= 1) {
    width = Rounded({U(k), U(w), inN, outD}, {inD, outN});
    height = static_cast<std::int32_t>(k * h);
  } else if (wider) {
    width = frameW;
    height = Rounded({U(h), W, inD, outN}, {U(w), inN, outD});
  } else {
    height = frameH;
    width = Rounded({U(w), inN, outD, H}, {U(h), inD, outN});
  }
  width = std::max(width, 1);
  height = std::max(height, 1);
  Place(r.x, (frameW - width) / 2, width);
  Place(r.y, (frameH - height) / 2, height);
  return r;
}

CopyAxis CenterSampled(const CopyAxis& axis) {
  const std::int64_t s = Magnitude(std::int64_t{axis.sourceExtent});
  const std::int64_t d = Magnitude(std::int64_t{axis.extent});
  if (s == 0 || d == 0) return axis;
  // Index i must take floor((i s + s / 2) / d) = floor((i s + c) / d), c = floor(s / 2); since i s
  // and d are multiples of g = gcd(s, d), c may be rounded down to one too. The copy takes
  // q + floor((r + i s) / d) with r = (phase s) mod d: q goes into the source corner, and the
  // phase is the one whose multiple of s leaves r, found with s / g's inverse modulo d / g.
  const std::int64_t g = std::gcd(s, d);
  const std::int64_t c = s / 2 / g * g;
  const std::int64_t q = c / d, r = c % d;
  const std::int64_t m = d / g;
  // Extended Euclid: t with t * (s / g) = 1 (mod m).
  std::int64_t t = 0, nextT = 1, rest = m, nextRest = (s / g) % m;
  while (nextRest != 0) {
    const std::int64_t step = rest / nextRest;
    t = std::exchange(nextT, t - step * nextT);
    rest = std::exchange(nextRest, rest - step * nextRest);
  }
  const std::int64_t inverse = (t % m + m) % m;
  CopyAxis sampled = axis;
  sampled.phase = static_cast<std::int32_t>((r / g) % m * inverse % m);
  sampled.sourceCorner = Saturated(axis.sourceCorner + (axis.sourceExtent < 0 ? -q : q));
  return sampled;
}

CopyRequest Fitted(const CopyRequest& asSet, PlaneSize frame, PixelAspect in, PixelAspect out,
                   FitMode mode, Sampling sampling) {
  CopyRequest r = FitRequest(asSet, frame, in, out, mode);
  if (sampling == Sampling::Center) r = CopyRequest{CenterSampled(r.x), CenterSampled(r.y)};
  return r;
}

}  // namespace tesselox
