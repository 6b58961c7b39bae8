#pragma once

#include <stdexcept>

namespace tesselox::io {

// A problem with the host's input, output or options. what() is one line that names it.
class IoError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace tesselox::io
