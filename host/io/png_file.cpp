// PNG through libpng. libpng reports errors by longjmp, so every call into it happens in a
// function that holds no C++ object with a destructor; what those functions need is allocated
// by their callers, and a failure comes back as false with libpng's message.

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include "host/io/io_error.h"
#include "host/io/picture_decoder.h"
#include "host/io/picture_file.h"

namespace tesselox::io {
namespace {

// Ancillary chunks are never needed and not even parsed: fewer of libpng's paths see hostile
// bytes, and iCCP, zTXt or iTXt data is never inflated.
constexpr png_byte kChunksRead[] = {'t', 'R', 'N', 'S', 0};

struct Failure {
  std::jmp_buf jump;
  char message[200];
};

void OnError(png_structp png, png_const_charp message) {
  auto* failure = static_cast<Failure*>(png_get_error_ptr(png));
  std::snprintf(failure->message, sizeof failure->message, "%s", message);
  std::longjmp(failure->jump, 1);
}

void OnWarning(png_structp, png_const_charp) {}

struct Source {
  Bytes bytes;
  std::size_t at = 0;
};

void OnRead(png_structp png, png_bytep out, png_size_t length) {
  auto* source = static_cast<Source*>(png_get_io_ptr(png));
  if (source->bytes.size() - source->at < length) png_error(png, "the file is truncated");
  std::memcpy(out, source->bytes.data() + source->at, length);
  source->at += length;
}

struct Reader {
  png_structp png = nullptr;
  png_infop info = nullptr;
  Source source;
  Failure failure{};
  ~Reader() { png_destroy_read_struct(&png, &info, nullptr); }
};

struct Header {
  png_uint_32 width = 0, height = 0;
  bool alpha = false;
  bool layoutOk = false;  // the rows come out as 16-bit little-endian RGB
};

// Reads up to the image data and sets the transformations that turn every kind of PNG into
// rows laid out exactly as Pixels: palette and grey expanded to RGB, alpha stripped, samples
// widened to 16 bits (v * 257) and stored little-endian.
bool ReadHeader(Reader& r, const PictureLimits& limits, Header& header) {
  if (setjmp(r.failure.jump)) return false;
  png_set_user_limits(r.png, static_cast<png_uint_32>(limits.maxSide),
                      static_cast<png_uint_32>(limits.maxSide));
  png_set_chunk_malloc_max(r.png, 1 << 20);
  png_set_keep_unknown_chunks(r.png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
  png_set_keep_unknown_chunks(r.png, PNG_HANDLE_CHUNK_AS_DEFAULT, kChunksRead, 1);
  png_set_read_fn(r.png, &r.source, OnRead);
  png_read_info(r.png, r.info);
  int depth = 0, colour = 0;
  png_get_IHDR(r.png, r.info, &header.width, &header.height, &depth, &colour, nullptr, nullptr,
               nullptr);
  header.alpha =
      (colour & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(r.png, r.info, PNG_INFO_tRNS);
  if (colour == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(r.png);
  if (colour == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(r.png);
  if (png_get_valid(r.png, r.info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(r.png);
  png_set_strip_alpha(r.png);
  if ((colour & PNG_COLOR_MASK_COLOR) == 0) png_set_gray_to_rgb(r.png);
  if (depth < 16) png_set_expand_16(r.png);
  png_set_swap(r.png);
  png_set_interlace_handling(r.png);
  png_read_update_info(r.png, r.info);
  header.layoutOk = png_get_bit_depth(r.png, r.info) == 16 &&
                    png_get_color_type(r.png, r.info) == PNG_COLOR_TYPE_RGB &&
                    png_get_rowbytes(r.png, r.info) == std::size_t{header.width} * sizeof(Pixel);
  return true;
}

// The image data only: whatever follows it is never read (so no zTXt, iTXt or iCCP after the
// image is inflated either).
bool ReadRows(Reader& r, png_bytepp rows) {
  if (setjmp(r.failure.jump)) return false;
  png_read_image(r.png, rows);
  return true;
}

std::uint32_t Be32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

struct Sink {
  std::vector<std::uint8_t>* out;
};

void OnWrite(png_structp png, png_bytep data, png_size_t length) {
  auto* sink = static_cast<Sink*>(png_get_io_ptr(png));
  bool failed = false;
  try {
    sink->out->insert(sink->out->end(), data, data + length);
  } catch (...) {
    failed = true;
  }
  if (failed) png_error(png, "out of memory");
}

void OnFlush(png_structp) {}

struct Writer {
  png_structp png = nullptr;
  png_infop info = nullptr;
  Failure failure{};
  ~Writer() { png_destroy_write_struct(&png, &info); }
};

bool WriteRows(Writer& w, Sink& sink, png_uint_32 width, png_uint_32 height, int depth,
               png_bytepp rows) {
  if (setjmp(w.failure.jump)) return false;
  png_set_write_fn(w.png, &sink, OnWrite, OnFlush);
  png_set_IHDR(w.png, w.info, width, height, depth, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(w.png, w.info);
  if (depth == 16) png_set_swap(w.png);  // Pixels hold their channels little-endian
  png_write_image(w.png, rows);
  png_write_end(w.png, nullptr);
  return true;
}

}  // namespace

Picture DecodePng(Bytes bytes, const DecodeContext& context) {
  // The size is checked from the header's own bytes, before libpng allocates anything.
  if (bytes.size() >= 24 && std::memcmp(bytes.data() + 12, "IHDR", 4) == 0)
    context.CheckSize(Be32(bytes.data() + 16), Be32(bytes.data() + 20));
  Reader r;
  r.source.bytes = bytes;
  r.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &r.failure, OnError, OnWarning);
  if (r.png != nullptr) r.info = png_create_info_struct(r.png);
  if (r.info == nullptr) throw std::bad_alloc();
  auto fail = [&]() { context.Fail("unreadable PNG (" + Printable(r.failure.message, 120) + ")"); };
  Header header;
  if (!ReadHeader(r, context.Limits(), header)) fail();
  context.CheckSize(header.width, header.height);
  if (!header.layoutOk) context.Fail("unreadable PNG (unexpected row layout)");
  if (header.alpha) context.Notice("the alpha channel is dropped");
  Picture image(static_cast<std::int32_t>(header.width), static_cast<std::int32_t>(header.height));
  std::vector<png_bytep> rows(header.height);
  for (std::int32_t y = 0; y < image.height; ++y)
    rows[static_cast<std::size_t>(y)] = reinterpret_cast<png_bytep>(&image.At(0, y));
  if (!ReadRows(r, rows.data())) fail();
  return image;
}

std::vector<std::uint8_t> EncodePng(const Picture& image, int depth) {
  if (image.width <= 0 || image.height <= 0)
    throw IoError("cannot write a PNG of " + std::to_string(image.width) + " x " +
                  std::to_string(image.height) + " pixels");
  if (depth != 8 && depth != 16)
    throw IoError("cannot write a PNG of " + std::to_string(depth) + " bits per channel");
  std::vector<std::uint8_t> samples;
  if (depth == 8) samples = InterleavedFromPicture(image);
  const std::size_t rowBytes = static_cast<std::size_t>(image.width) * (depth == 8 ? 3 : 6);
  auto* base = depth == 8 ? samples.data()
                          : const_cast<std::uint8_t*>(image.pixels.data()->bytes);  // only read
  std::vector<png_bytep> rows(static_cast<std::size_t>(image.height));
  for (std::size_t y = 0; y < rows.size(); ++y) rows[y] = base + y * rowBytes;

  std::vector<std::uint8_t> png;
  Sink sink{&png};
  Writer w;
  w.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &w.failure, OnError, OnWarning);
  if (w.png != nullptr) w.info = png_create_info_struct(w.png);
  if (w.info == nullptr) throw std::bad_alloc();
  if (!WriteRows(w, sink, static_cast<png_uint_32>(image.width),
                 static_cast<png_uint_32>(image.height), depth, rows.data())) {
    throw IoError(std::string("PNG encoding failed (") + w.failure.message + ")");
  }
  return png;
}

}  // namespace tesselox::io
