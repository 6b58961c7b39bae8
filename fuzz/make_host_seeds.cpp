// Writes the host fuzzer's seed corpus: small pictures of every kind the decoders take, Y4M
// streams and command lines, and the hostile files the tests refuse.
// Usage: tesselox_host_fuzz_seeds DIR

#include <png.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "picture_files.h"

namespace {

using namespace tesselox::io::test;
using Bytes = std::vector<std::uint8_t>;

struct Seed {
  std::string name;
  Bytes bytes;
};

Bytes Text(const std::string& text) {
  return Bytes(text.begin(), text.end());
}

// Command-line arguments as the fuzzer takes them: separated by NUL.
Bytes Arguments(const std::vector<std::string>& args) {
  Bytes bytes;
  for (const std::string& a : args) {
    if (!bytes.empty()) bytes.push_back(0);
    bytes.insert(bytes.end(), a.begin(), a.end());
  }
  return bytes;
}

Bytes Ramp(std::size_t count) {
  Bytes bytes(count);
  for (std::size_t k = 0; k < count; ++k) bytes[k] = static_cast<std::uint8_t>(k * 29 + 7);
  return bytes;
}

std::vector<Seed> Seeds() {
  std::vector<Seed> seeds;
  const struct {
    const char* name;
    int colourType, depth, channels;
  } pngs[] = {
      {"grey1", PNG_COLOR_TYPE_GRAY, 1, 1},      {"grey4", PNG_COLOR_TYPE_GRAY, 4, 1},
      {"grey16", PNG_COLOR_TYPE_GRAY, 16, 1},    {"ga8", PNG_COLOR_TYPE_GRAY_ALPHA, 8, 2},
      {"rgb8", PNG_COLOR_TYPE_RGB, 8, 3},        {"rgb16", PNG_COLOR_TYPE_RGB, 16, 3},
      {"rgba8", PNG_COLOR_TYPE_RGB_ALPHA, 8, 4}, {"palette2", PNG_COLOR_TYPE_PALETTE, 2, 1}};
  for (const auto& p : pngs) {
    for (bool interlaced : {false, true}) {
      const int w = 5, h = 3;
      PngLayout layout{
          .width = w,
          .height = h,
          .colourType = p.colourType,
          .depth = p.depth,
          .interlaced = interlaced,
          .rows = Ramp(static_cast<std::size_t>((w * p.channels * p.depth + 7) / 8 * h))};
      if (p.colourType == PNG_COLOR_TYPE_PALETTE) {
        layout.palette = {{{1, 2, 3}}, {{40, 50, 60}}, {{200, 100, 0}}, {{9, 9, 9}}};
        layout.transparency = {0, 128};
      }
      seeds.push_back(
          {std::string("png-") + p.name + (interlaced ? "-interlaced" : ""), PngFile(layout)});
    }
  }
  seeds.push_back({"jpeg-grey", JpegFile(9, 7, 1, Ramp(63), 90)});
  seeds.push_back({"jpeg-rgb", JpegFile(9, 7, 3, Ramp(189), 90)});
  seeds.push_back({"jpeg-progressive", JpegFile(9, 7, 3, Ramp(189), 75, JpegScans::Progressive)});
  seeds.push_back({"jpeg-cmyk", JpegFile(8, 8, 4, Ramp(256), 75)});

  const std::vector<std::uint32_t> palette = {0x000000, 0xff0000, 0x00ff00, 0x0000ff};
  const BmpLayout bmps[] = {
      {.width = 3, .height = 2, .bits = 24, .data = PaddedRows({Ramp(9), Ramp(9)})},
      {.width = 3, .height = -2, .bits = 32, .data = Ramp(24)},
      {.width = 9,
       .height = 2,
       .bits = 1,
       .palette = {0, 0xffffff},
       .data = PaddedRows({{0xa5, 0x80}, {0x5a, 0}})},
      {.width = 3, .bits = 4, .colours = 4, .palette = palette, .data = PaddedRows({{0x12, 0x30}})},
      {.headerSize = 12, .width = 2, .bits = 8, .palette = palette, .data = PaddedRows({{0, 3}})},
      {.width = 2, .bits = 16, .data = PaddedRows({{0x00, 0x7c, 0x1f, 0x00}})},
      {.width = 2,
       .bits = 16,
       .compression = kBmpBitFields,
       .masks = {0xf800, 0x07e0, 0x001f},
       .data = PaddedRows({{0x20, 0x00, 0x1f, 0xf8}})},
      {.headerSize = 124,
       .width = 1,
       .bits = 32,
       .compression = kBmpBitFields,
       .masks = {0x3ff00000, 0x000ffc00, 0x000003ff, 0xc0000000},
       .data = {1, 0, 0xf8, 0xff}},
      {.width = 4,
       .height = 3,
       .bits = 8,
       .compression = kBmpRle8,
       .palette = palette,
       .data = {3, 1, 0, 0, 0, 3, 2, 3, 2, 0, 0, 0, 0, 2, 2, 0, 2, 3, 0, 1}},
      {.width = 5,
       .bits = 4,
       .compression = kBmpRle4,
       .palette = palette,
       .data = {2, 0x12, 0, 3, 0x30, 0x10, 0, 1}},
  };
  int n = 0;
  for (const BmpLayout& b : bmps) seeds.push_back({"bmp-" + std::to_string(n++), BmpFile(b)});

  const char* pnms[] = {"P1\n# c\n3 2\n010\n1 1 0",
                        "P2 4 1 100\n0 1 50 100",
                        "P3 2 1 1000\n1 2 3 # c\n 1000 0 500",
                        "P4 10 2\n\xa5\x40\x01\xc0",
                        "P5 3 1 255\n\x10\x80\xff",
                        "P6 1 1 65535\n\x01\x02\x03\x04\x05\x06"};
  n = 0;
  for (const char* p : pnms) seeds.push_back({"pnm-" + std::to_string(n++), Text(p)});
  seeds.push_back({"pnm-16bit-grey", Text(std::string("P5 1 1 65535\n\x01\x02", 15))});

  seeds.push_back({"y4m-444", Text("YUV4MPEG2 W2 H2 F25:1 Ip A1:1 C444\nFRAME\n0123456789ab"
                                   "FRAME Ixyz\nabcdefghijkl")});
  seeds.push_back({"y4m-420", Text("YUV4MPEG2 W4 H2 C420jpeg XYSCSS=420JPEG\nFRAME\n"
                                   "0123456789abcdef")});
  seeds.push_back({"options", Arguments({"--in", "a.png", "--out", "-", "--set", "src cx=-720",
                                         "--max", "800x600", "--capacity", "1024X768", "--frames",
                                         "3", "--out-depth", "16", "--print-fields"})});

  // Hostile files the tests refuse.
  seeds.push_back(
      {"hostile-png-idat-length",
       {0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48,
        0x44, 0x52, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x00, 0x00, 0x00,
        0x00, 0x3a, 0x7e, 0x9b, 0x55, 0x80, 0x00, 0x00, 0x00, 0x49, 0x44, 0x41, 0x54}});
  seeds.push_back({"hostile-jpeg-huffman", {0xff, 0xd8, 0xff, 0xc4, 0x00, 0x71, 0x00, 0xff, 0xd9}});
  seeds.push_back({"hostile-ppm-no-pixels", Text("P6 2 2 255")});
  seeds.push_back({"hostile-pnm-digits", Text("P5 10737418240 1 255\n")});
  return seeds;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
    return 2;
  }
  for (const Seed& seed : Seeds()) {
    std::ofstream out(std::string(argv[1]) + "/seed-" + seed.name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(seed.bytes.data()),
              static_cast<std::streamsize>(seed.bytes.size()));
    if (!out) {
      std::fprintf(stderr, "cannot write %s\n", seed.name.c_str());
      return 1;
    }
  }
  return 0;
}
