// JPEG through libjpeg-turbo: grey, YCbCr and RGB pictures of 8 bits. libjpeg reports errors by
// longjmp, so every call into it happens in a function that holds no C++ object with a
// destructor, and a failure comes back as false with libjpeg's message. A warning means that
// libjpeg met damaged data and made something up for it, so a warning refuses the picture too.

#include <cstddef>
#include <cstdio>  // jpeglib.h needs FILE and size_t first

#include <jpeglib.h>

#include <algorithm>
#include <csetjmp>
#include <vector>

#include "host/io/io_error.h"
#include "host/io/picture_decoder.h"

namespace tesselox::io {
namespace {

// A progressive picture is decoded once per scan; real encoders write a few dozen at most.
constexpr int kMaxScans = 256;

struct Failure {
  jpeg_error_mgr manager;  // first, so that libjpeg's pointer to it is a pointer to Failure
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void OnError(j_common_ptr info) {
  auto* failure = reinterpret_cast<Failure*>(info->err);
  (*info->err->format_message)(info, failure->message);
  std::longjmp(failure->jump, 1);
}

void OnMessage(j_common_ptr info, int level) {
  if (level < 0) OnError(info);  // a warning: corrupt data
}

void OnProgress(j_common_ptr info) {
  auto* decoder = reinterpret_cast<j_decompress_ptr>(info);
  if (decoder->input_scan_number > kMaxScans) {
    auto* failure = reinterpret_cast<Failure*>(info->err);
    std::snprintf(failure->message, sizeof failure->message, "more than %d scans", kMaxScans);
    std::longjmp(failure->jump, 1);
  }
}

struct Decoder {
  jpeg_decompress_struct info{};
  Failure failure{};
  jpeg_progress_mgr progress{};
  ~Decoder() { jpeg_destroy_decompress(&info); }
};

bool ReadHeader(Decoder& d, Bytes bytes) {
  d.info.err = jpeg_std_error(&d.failure.manager);
  d.failure.manager.error_exit = OnError;
  d.failure.manager.emit_message = OnMessage;
  if (setjmp(d.failure.jump)) return false;
  jpeg_create_decompress(&d.info);
  d.progress.progress_monitor = OnProgress;
  d.info.progress = &d.progress;
  jpeg_mem_src(&d.info, const_cast<unsigned char*>(bytes.data()),
               static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&d.info, TRUE);
  return true;
}

// Decodes row by row through `row` (width * components bytes) into `out`.
bool ReadPixels(Decoder& d, JSAMPLE* row, Pixel* out) {
  if (setjmp(d.failure.jump)) return false;
  jpeg_start_decompress(&d.info);
  const JDIMENSION width = d.info.image_width;
  if (d.info.output_width != width || d.info.output_height != d.info.image_height ||
      d.info.output_components != (d.info.out_color_space == JCS_RGB ? 3 : 1)) {
    std::snprintf(d.failure.message, sizeof d.failure.message, "unexpected output size");
    return false;
  }
  const bool grey = d.info.output_components == 1;
  while (d.info.output_scanline < d.info.output_height) {
    Pixel* line = out + std::size_t{d.info.output_scanline} * width;
    if (jpeg_read_scanlines(&d.info, &row, 1) != 1) {
      std::snprintf(d.failure.message, sizeof d.failure.message, "no more rows");
      return false;
    }
    for (JDIMENSION x = 0; x < width; ++x) {
      line[x] = grey ? PixelFromBytes(row[x], row[x], row[x])
                     : PixelFromBytes(row[3 * x], row[3 * x + 1], row[3 * x + 2]);
    }
  }
  // Reads on to the end-of-image marker, so that a file cut anywhere is refused alike, however
  // far the entropy decoder happened to read ahead.
  jpeg_finish_decompress(&d.info);
  return true;
}

}  // namespace

Picture DecodeJpeg(Bytes bytes, const DecodeContext& context) {
  Decoder d;
  auto fail = [&]() {
    context.Fail("unreadable JPEG (" + Printable(d.failure.message, 120) + ")");
  };
  if (!ReadHeader(d, bytes)) fail();
  context.CheckSize(d.info.image_width, d.info.image_height);
  switch (d.info.jpeg_color_space) {
    case JCS_GRAYSCALE:
      d.info.out_color_space = JCS_GRAYSCALE;
      break;
    case JCS_YCbCr:
    case JCS_RGB:
      d.info.out_color_space = JCS_RGB;
      break;
    case JCS_CMYK:
    case JCS_YCCK:
      context.Fail("a CMYK JPEG is not supported");
    default:
      context.Fail("a JPEG of " + std::to_string(d.info.num_components) +
                   " components is not supported");
  }
  // The largest picture with room for the coefficients of a progressive one, and then some.
  d.info.mem->max_memory_to_use = static_cast<long>(
      std::min<std::int64_t>(context.Limits().maxPixels * 8 + (64 << 20), 0x7fffffff));
  Picture image(static_cast<std::int32_t>(d.info.image_width),
                static_cast<std::int32_t>(d.info.image_height));
  std::vector<JSAMPLE> row(std::size_t{d.info.image_width} * 3);
  if (!ReadPixels(d, row.data(), image.pixels.data())) fail();
  return image;
}

}  // namespace tesselox::io
