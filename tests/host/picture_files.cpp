#include "picture_files.h"

#include <png.h>

#include <cstdio>  // jpeglib.h needs FILE and size_t first
#include <cstdlib>

#include <jpeglib.h>

namespace tesselox::io::test {
namespace {

void Le(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
  for (int k = 0; k < bytes; ++k) out.push_back(static_cast<std::uint8_t>(value >> (8 * k)));
}

void Append(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

}  // namespace

std::vector<Channels> ChannelsOf(const Picture& image) {
  std::vector<Channels> out;
  for (const Pixel& p : image.pixels) out.push_back({Channel(p, 0), Channel(p, 1), Channel(p, 2)});
  return out;
}

std::vector<std::uint8_t> BytesOf(const std::string& text) {
  return std::vector<std::uint8_t>(text.begin(), text.end());
}

// Test pictures are well-formed, so libpng's default error handling (abort) never comes in.
std::vector<std::uint8_t> PngFile(const PngLayout& layout) {
  std::vector<std::uint8_t> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(png, &out, Append, [](png_structp) {});
  png_set_IHDR(png, info, static_cast<png_uint_32>(layout.width),
               static_cast<png_uint_32>(layout.height), layout.depth, layout.colourType,
               layout.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  std::vector<png_color> palette;
  for (const auto& c : layout.palette) palette.push_back(png_color{c[0], c[1], c[2]});
  if (!palette.empty()) png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
  png_color_16 colour{};
  if (!layout.transparency.empty()) {
    if (layout.colourType == PNG_COLOR_TYPE_PALETTE) {
      png_set_tRNS(png, info, layout.transparency.data(),
                   static_cast<int>(layout.transparency.size()), nullptr);
    } else {
      colour.gray = layout.transparency[0];
      colour.red = layout.transparency[0];
      png_set_tRNS(png, info, nullptr, 0, &colour);
    }
  }
  png_write_info(png, info);
  const int channels = layout.colourType == PNG_COLOR_TYPE_RGB          ? 3
                       : layout.colourType == PNG_COLOR_TYPE_RGB_ALPHA  ? 4
                       : layout.colourType == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
                                                                        : 1;
  const std::size_t rowBytes =
      (static_cast<std::size_t>(layout.width) * channels * layout.depth + 7) / 8;
  std::vector<png_bytep> rows;
  for (int y = 0; y < layout.height; ++y)
    rows.push_back(const_cast<png_bytep>(layout.rows.data()) + y * rowBytes);
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

std::vector<std::uint8_t> JpegFile(int width, int height, int components,
                                   const std::vector<std::uint8_t>& samples, int quality,
                                   JpegScans scans) {
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = components;
  info.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  if (scans == JpegScans::Progressive) jpeg_simple_progression(&info);
  std::vector<jpeg_scan_info> script;
  if (scans == JpegScans::OneScanPerCoefficient) {
    // DC first at half precision, then every AC coefficient of every component on its own,
    // first without its lowest bit and then that bit, then the DC's last bit.
    script.push_back({components, {0, 1, 2, 3}, 0, 0, 0, 1});
    for (int bit : {1, 0}) {
      for (int c = 0; c < components; ++c) {
        for (int k = 1; k < 64; ++k) script.push_back({1, {c}, k, k, bit == 1 ? 0 : 1, bit});
      }
    }
    script.push_back({components, {0, 1, 2, 3}, 0, 0, 1, 0});
    info.scan_info = script.data();
    info.num_scans = static_cast<int>(script.size());
  }
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(samples.data()) +
                   std::size_t{info.next_scanline} * static_cast<std::size_t>(width * components);
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::vector<std::uint8_t> out(buffer, buffer + size);
  std::free(buffer);
  return out;
}

std::vector<std::uint8_t> BmpFile(const BmpLayout& layout) {
  std::vector<std::uint8_t> header;
  const bool core = layout.headerSize == 12;
  Le(header, layout.headerSize, 4);
  if (core) {
    Le(header, static_cast<std::uint32_t>(layout.width), 2);
    Le(header, static_cast<std::uint32_t>(layout.height), 2);
    Le(header, 1, 2);
    Le(header, layout.bits, 2);
  } else {
    Le(header, static_cast<std::uint32_t>(layout.width), 4);
    Le(header, static_cast<std::uint32_t>(layout.height), 4);
    Le(header, 1, 2);
    Le(header, layout.bits, 2);
    Le(header, layout.compression, 4);
    Le(header, static_cast<std::uint32_t>(layout.data.size()), 4);
    Le(header, 2835, 4);
    Le(header, 2835, 4);
    Le(header, layout.colours, 4);
    Le(header, 0, 4);
    for (std::uint32_t m : layout.masks) Le(header, m, 4);  // after a 40-byte header, or inside
    while (header.size() < layout.headerSize) header.push_back(0);
  }
  for (std::uint32_t c : layout.palette) {
    Le(header, c & 0xffffff, 3);  // B, G, R
    if (!core) header.push_back(0);
  }
  std::vector<std::uint8_t> file = {'B', 'M'};
  Le(file, static_cast<std::uint32_t>(14 + header.size() + layout.data.size()), 4);
  Le(file, 0, 4);
  Le(file, static_cast<std::uint32_t>(14 + header.size()), 4);
  file.insert(file.end(), header.begin(), header.end());
  file.insert(file.end(), layout.data.begin(), layout.data.end());
  return file;
}

std::vector<std::uint8_t> Cut(std::vector<std::uint8_t> bytes, std::size_t size) {
  bytes.resize(size);
  return bytes;
}

std::vector<std::uint8_t> PaddedRows(const std::vector<std::vector<std::uint8_t>>& rows) {
  std::vector<std::uint8_t> out;
  for (const auto& row : rows) {
    out.insert(out.end(), row.begin(), row.end());
    out.resize((out.size() + 3) / 4 * 4, 0);
  }
  return out;
}

}  // namespace tesselox::io::test

namespace tesselox::io::test {

std::vector<std::uint8_t> WithoutSegment(const std::vector<std::uint8_t>& jpeg,
                                         std::uint8_t marker) {
  std::size_t at = 2;  // after the start-of-image marker
  while (at + 4 <= jpeg.size() && jpeg[at] == 0xff) {
    const std::size_t length = std::size_t{jpeg[at + 2]} << 8 | jpeg[at + 3];
    if (jpeg[at + 1] == marker) {
      std::vector<std::uint8_t> out(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(at));
      out.insert(out.end(), jpeg.begin() + static_cast<std::ptrdiff_t>(at + 2 + length),
                 jpeg.end());
      return out;
    }
    at += 2 + length;
  }
  return jpeg;
}

}  // namespace tesselox::io::test
