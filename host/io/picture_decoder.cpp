#include "host/io/picture_decoder.h"

#include "host/io/io_error.h"

namespace tesselox::io {

void DecodeContext::Fail(std::string_view what) const {
  throw IoError(name_ + ": " + std::string(what));
}

void DecodeContext::CheckSize(std::int64_t width, std::int64_t height) const {
  const std::string size =
      "the picture is " + std::to_string(width) + " x " + std::to_string(height) + " pixels";
  if (width < 1 || height < 1) Fail(size + ", which is empty");
  if (width > limits_.maxSide || height > limits_.maxSide) {
    Fail(size + ", more than the limit of " + std::to_string(limits_.maxSide) + " per side");
  }
  if (width * height > limits_.maxPixels) {
    Fail(size + " (" + std::to_string(width * height) + "), more than the limit of " +
         std::to_string(limits_.maxPixels) + " pixels");
  }
}

void DecodeContext::Truncated(std::uint64_t have, std::uint64_t need, std::string_view unit) const {
  Fail("the image data is truncated (" + std::to_string(have) + " of " + std::to_string(need) +
       " " + std::string(unit) + ")");
}

void DecodeContext::Notice(std::string_view what) const {
  if (notices_ != nullptr) notices_->push_back(name_ + ": " + std::string(what));
}

}  // namespace tesselox::io
