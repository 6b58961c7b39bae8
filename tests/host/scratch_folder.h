#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host/io/utf8_path.h"

namespace tesselox::io::test {

// A fresh, empty folder per test, removed afterwards. Names and paths are UTF-8, as in the host.
class ScratchFolder {
 public:
  ScratchFolder() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = std::filesystem::temp_directory_path() /
            (std::string("tesselox-") + info->test_suite_name() + "-" + info->name());
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::string operator/(const std::string& name) const {
    return Utf8FromPath(path_ / PathFromUtf8(name));
  }
  // The names in the folder, UTF-8, sorted.
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_))
      names.push_back(Utf8FromPath(entry.path().filename()));
    std::sort(names.begin(), names.end());
    return names;
  }
  std::size_t Entries() const {
    return static_cast<std::size_t>(
        std::distance(std::filesystem::recursive_directory_iterator(path_),
                      std::filesystem::recursive_directory_iterator()));
  }

  static std::string Read(const std::string& file) {
    std::ifstream in(PathFromUtf8(file), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  static bool Exists(const std::string& file) {
    return std::filesystem::exists(PathFromUtf8(file));
  }
  static void Write(const std::string& file, const std::string& bytes) {
    std::ofstream(PathFromUtf8(file), std::ios::binary) << bytes;
  }

 private:
  std::filesystem::path path_;
};

}  // namespace tesselox::io::test
