// Writes the fuzzer's seed corpus: the worked examples of the copy, the geometry and frame cases
// of the unit tests, hostile frame records and extreme values, each in the fuzzer's input layout.
// Usage: tesselox_fuzz_seeds DIR

#include <climits>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "field_values.h"
#include "module/parameters.h"
#include "fuzz_input.h"

namespace tesselox::fuzz {
namespace {

using test::Values;

struct Seed {
  std::string name;
  FuzzInput input;
};

FuzzInput Direct(std::int32_t dstW, std::int32_t dstH, std::int32_t srcW, std::int32_t srcH,
                 const ParameterValues& values, std::uint8_t flags = 0) {
  return FuzzInput{
      static_cast<std::uint8_t>(kDirectCopy | flags), dstW, dstH, srcW, srcH, 0, 0, values};
}

FuzzInput Frame(std::int32_t capW, std::int32_t capH, std::int32_t width, std::int32_t height,
                const ParameterValues& values, std::uint8_t flags = 0) {
  return FuzzInput{flags, capW, capH, width, height, 0, 0, values};
}

std::vector<Seed> Seeds() {
  std::vector<Seed> seeds;
  // One row of ten pixels: scx, dcx, dx, sx, px, destination width.
  struct Row {
    const char* name;
    std::int32_t scx, dcx, dx, sx, px, dstW;
  };
  const Row rows[] = {
      {"double", 2, 4, 0, 0, 0, 10},           {"mirrored-dst", 2, -4, 5, 0, 0, 10},
      {"mirrored-clipped", 2, -4, 6, 0, 0, 6}, {"dst-left", 6, 6, -3, 0, 0, 10},
      {"shrink-5-2", 5, 2, 0, 0, 0, 10},       {"mirrored-src", -3, 3, 0, 2, 0, 10},
      {"src-left", 4, 8, 0, -2, 0, 10},        {"phase-0", 3, 6, 0, 0, 0, 10},
      {"phase-2", 3, 6, 0, 0, 2, 10},          {"phase-1", 3, 6, 0, 0, 1, 10},
      {"phase-3", 3, 6, 0, 0, 3, 10},          {"shrink-7-3", 7, 3, 0, 0, 0, 10},
  };
  for (const Row& r : rows) {
    const ParameterValues v = Values({r.sx, 0, r.scx, 1}, {r.dx, 0, r.dcx, 1}, r.dstW, 1, r.px, 0);
    seeds.push_back({std::string("row-") + r.name, Direct(r.dstW, 1, 10, 1, v)});
    seeds.push_back({std::string("row-frame-") + r.name, Frame(10, 1, 10, 1, v)});
    // The same row turned into a column exercises the row axis.
    const ParameterValues c = Values({0, r.sx, 1, r.scx}, {0, r.dx, 1, r.dcx}, 1, r.dstW, 0, r.px);
    seeds.push_back({std::string("column-") + r.name, Direct(1, r.dstW, 1, 10, c)});
  }

  // dst w, h, src w, h; then values.
  struct Shape {
    const char* name;
    std::int32_t dstW, dstH, srcW, srcH;
    ParameterValues v;
  };
  const Shape shapes[] = {
      {"mirrored-at-W", 8, 4, 8, 4, Values({0, 0, 5, 2}, {8, 0, -5, 2}, 8, 4)},
      {"mirrored-at-H", 4, 8, 4, 8, Values({0, 0, 2, 5}, {0, 8, 2, -5}, 4, 8)},
      {"dst-wholly-left", 8, 4, 8, 4, Values({0, 0, 5, 2}, {-5, 0, 5, 2}, 8, 4)},
      {"src-wholly-right", 8, 4, 8, 4, Values({8, 0, 4, 4}, {0, 0, 4, 4}, 8, 4)},
      {"mirrored-src-past-left", 8, 4, 8, 4, Values({2, 0, -8, 4}, {0, 0, 8, 4}, 8, 4)},
      {"mirrored-src-past-far", 8, 4, 8, 4, Values({10, 0, -8, 4}, {0, 0, 8, 4}, 8, 4)},
      {"both-mirrored", 6, 6, 6, 6, Values({5, 5, -6, -6}, {5, 5, -6, -6}, 6, 6)},
      {"one-by-one", 5, 5, 5, 5, Values({4, 1, 3, 3}, {2, 3, 1, 1}, 5, 5)},
      {"past-every-edge", 6, 5, 7, 4, Values({-2, -1, 11, 7}, {-3, -2, 12, 11}, 6, 5)},
      {"mirrored-past-every-edge", 6, 5, 7, 4, Values({9, 5, -11, -7}, {8, 7, -12, -11}, 6, 5)},
      {"overshoot-columns", 6, 1, 3, 1, Values({0, 0, 3, 1}, {0, 0, 6, 1}, 6, 1, 1, 0)},
      {"overshoot-rows", 1, 6, 1, 3, Values({0, 0, 1, 3}, {0, 0, 1, 6}, 1, 6, 0, 1)},
      {"overshoot-mirrored-src", 6, 1, 3, 1, Values({2, 0, -3, 1}, {0, 0, 6, 1}, 6, 1, 1, 0)},
      {"overshoot-mirrored-dst", 6, 1, 3, 1, Values({0, 0, 3, 1}, {5, 0, -6, 1}, 6, 1, 1, 0)},
      {"initial-scaled", 16, 8, 36, 24, Values({0, 0, 36, 24}, {0, 0, 16, 8}, 16, 8)},
  };
  for (const Shape& s : shapes) {
    seeds.push_back({std::string("shape-") + s.name, Direct(s.dstW, s.dstH, s.srcW, s.srcH, s.v)});
    seeds.push_back({std::string("shape-exact-") + s.name,
                     Direct(s.dstW, s.dstH, s.srcW, s.srcH, s.v, kNoGuard)});
    seeds.push_back({std::string("shape-bottom-up-") + s.name,
                     Direct(s.dstW, s.dstH, s.srcW, s.srcH, s.v, kBottomUp | kClear)});
    const std::int32_t capW = s.dstW > s.srcW ? s.dstW : s.srcW,
                       capH = s.dstH > s.srcH ? s.dstH : s.srcH;
    seeds.push_back({std::string("frame-") + s.name, Frame(capW, capH, s.srcW, s.srcH, s.v)});
    // A frame of subsampled and packed planes: 4:2:0 chroma, then 4:1:1 with 16-bit packed
    // samples, luma second, bottom-up and filled.
    FuzzInput planes = Direct(s.dstW, s.dstH, s.srcW, s.srcH, s.v, kFrame);
    planes.srcPad = 1 | 1 << 2;
    seeds.push_back({std::string("planes-") + s.name, planes});
    planes.srcPad = 2, planes.dstPad = 3, planes.flags |= kBottomUp | kClear;
    seeds.push_back({std::string("planes-411-") + s.name, planes});
  }
  FuzzInput padded = Direct(7, 5, 6, 4, Values({-2, -1, 11, 7}, {-3, -2, 12, 11}, 7, 5, 2, 3));
  padded.srcPad = 3;
  padded.dstPad = 5;
  seeds.push_back({"padded-strides", padded});
  padded.flags |= kBottomUp;
  seeds.push_back({"padded-strides-bottom-up", padded});

  // Hostile records: capacity, record size, output size.
  struct Record {
    const char* name;
    std::int32_t capW, capH, width, height, outW, outH;
  };
  const Record records[] = {
      {"wider-than-capacity", 24, 16, 100, 90, 24, 16},
      {"zero-size", 24, 16, 0, 0, 24, 16},
      {"negative-size", 24, 16, -5, -9, 10, 10},
      {"int-min-size", 24, 16, INT_MIN, INT_MIN, 24, 16},
      {"int-max-size", 24, 16, INT_MAX, INT_MAX, 24, 16},
      {"zero-capacity", 0, 0, 20, 12, 640, 360},
      {"negative-capacity", -4, -4, 20, 12, 640, 360},
      {"int-min-output", 24, 16, 20, 12, INT_MIN, INT_MIN},
      {"negative-output", 24, 16, 20, 12, -16, 12},
      {"output-beyond-capacity", 24, 16, 20, 12, 640, 360},
  };
  for (const Record& r : records) {
    const ParameterValues v = Values({0, 0, 20, 12}, {0, 0, 24, 16}, r.outW, r.outH);
    seeds.push_back({std::string("record-") + r.name, Frame(r.capW, r.capH, r.width, r.height, v)});
    seeds.push_back({std::string("record-exact-") + r.name,
                     Frame(r.capW, r.capH, r.width, r.height, v, kNoGuard)});
  }

  // Extreme values in each place the geometry takes them.
  const std::int32_t extremes[] = {INT_MIN, INT_MIN + 1, -65536, 65536, INT_MAX - 1, INT_MAX};
  for (const FieldId id : kFieldIds) {
    for (std::int32_t e : extremes) {
      ParameterValues v = Values({1, 1, 12, 8}, {1, 1, -12, 8}, 16, 12, 1, 2);
      v[Index(id)] = e;
      // Named by the field's position among the twelve values, as the input layout stores them.
      seeds.push_back({"extreme-" + std::to_string(Index(id)) + "-" + std::to_string(e),
                       Frame(16, 12, 14, 10, v)});
    }
  }
  // Lines longer than one chunk of the row walk: plain, mirrored, near 1:1 both ways, phased.
  const ParameterValues wide[] = {
      Values({0, 0, 4100, 2}, {0, 0, 4100, 2}, 4100, 2),
      Values({4099, 1, -4100, -2}, {0, 0, 4100, 2}, 4100, 2),
      Values({0, 0, 3700, 2}, {0, 0, 4100, 2}, 4100, 2),
      Values({0, 0, 4100, 2}, {0, 0, 3700, 2}, 4100, 2),
      Values({5, 0, 2050, 2}, {4099, 0, -4100, 3}, 4100, 3, 1234, 1),
      Values({-300, 0, 4000, 1}, {17, 0, 4096, 3}, 4100, 3),
      Values({0, 0, 4100, 2}, {0, 0, 1757, 2}, 4100, 2),
      Values({4099, 0, -4100, 2}, {3, 0, 1822, 2}, 4100, 2, 7, 1),
  };
  for (std::size_t k = 0; k < std::size(wide); ++k) {
    seeds.push_back({"wide-frame-" + std::to_string(k), Frame(4100, 3, 4100, 2, wide[k], kWide)});
    seeds.push_back(
        {"wide-direct-" + std::to_string(k), Direct(4100, 3, 4100, 2, wide[k], kWide | kNoGuard)});
    seeds.push_back({"wide-plain-" + std::to_string(k),
                     Direct(4100, 3, 4100, 2, wide[k], kWide | kNoGuard | kPlain)});
    seeds.push_back({"wide-clear-" + std::to_string(k),
                     Direct(4100, 3, 4100, 2, wide[k], kWide | kNoGuard | kClear)});
    seeds.push_back({"wide-plain-clear-" + std::to_string(k),
                     Direct(4100, 3, 4100, 2, wide[k], kWide | kNoGuard | kPlain | kClear)});
  }
  // A shrink whose destination lines start at every 16-byte offset in turn.
  FuzzInput shifted = Direct(1500, 4, 3500, 3, wide[6], kWide | kClear);
  shifted.dstPad = 1;
  seeds.push_back({"wide-clear-odd-stride", shifted});
  seeds.push_back({"small-values",
                   Frame(32, 24, 30, 20, Values({-7, 3, 33, -19}, {5, -4, 41, 27}, 29, -23, 17, 9),
                         kSmallValues)});
  return seeds;
}

}  // namespace
}  // namespace tesselox::fuzz

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
    return 2;
  }
  for (const auto& seed : tesselox::fuzz::Seeds()) {
    const std::vector<std::uint8_t> bytes = tesselox::fuzz::Encode(seed.input);
    std::ofstream out(std::string(argv[1]) + "/seed-" + seed.name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) {
      std::fprintf(stderr, "cannot write %s\n", seed.name.c_str());
      return 1;
    }
  }
  return 0;
}
