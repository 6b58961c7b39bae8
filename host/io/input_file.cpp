#include "host/io/input_file.h"

#include <filesystem>
#include <iostream>
#include <system_error>

#include "host/io/io_error.h"
#include "host/io/file_name.h"

namespace tesselox::io {

InputFile::InputFile(std::string path)
    : path_(std::move(path)), name_(path_ == "-" ? "standard input" : ShownName(path_)) {
  if (path_ == "-") return;
  const std::filesystem::path file = FilePath(path_);
  std::error_code ec;
  if (std::filesystem::is_directory(file, ec)) throw IoError(name_ + ": is a folder");
  file_.open(file, std::ios::binary);
  if (!file_) {
    throw IoError(
        name_ + (std::filesystem::exists(file, ec) ? ": cannot open the file" : ": no such file"));
  }
}

std::istream& InputFile::Stream() {
  if (path_ == "-") return std::cin;
  return file_;
}

void InputFile::Close() {
  if (file_.is_open()) file_.close();
}

InputKind InputFile::Kind() {
  const int first = Stream().peek();
  if (first == std::char_traits<char>::eof()) throw IoError(name_ + ": empty input");
  return first == 'Y' ? InputKind::Y4m : InputKind::Picture;
}

}  // namespace tesselox::io
