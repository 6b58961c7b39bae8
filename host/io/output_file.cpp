#include "host/io/output_file.h"

#include <atomic>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <system_error>

#include "host/io/io_error.h"

namespace tesselox::io {
namespace {

namespace fs = std::filesystem;

std::string UniqueSuffix() {
  static std::atomic<unsigned> counter{0};
  const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
  return std::to_string(ticks) + "-" + std::to_string(counter++);
}

bool EndsWithNoCase(const std::string& s, const std::string& suffix) {
  if (s.size() < suffix.size()) return false;
  for (std::size_t k = 0; k < suffix.size(); ++k) {
    const auto a = static_cast<unsigned char>(s[s.size() - suffix.size() + k]);
    if (std::tolower(a) != suffix[k]) return false;
  }
  return true;
}

}  // namespace

OutputFile::OutputFile(std::string path) : path_(std::move(path)) {
  if (IsStdout()) return;
  const fs::path target(path_);
  std::error_code ec;
  if (fs::is_directory(target, ec)) throw IoError(path_ + ": is a folder");
  const fs::path folder = target.parent_path();
  if (!folder.empty() && !fs::exists(folder, ec)) {
    fs::create_directories(folder, ec);
    if (ec) throw IoError(folder.string() + ": cannot make the folder (" + ec.message() + ")");
  }
  fs::path temporary = target;
  temporary += ".tmp-" + UniqueSuffix();
  temporary_ = temporary.string();
  file_.open(temporary, std::ios::binary | std::ios::trunc);
  if (!file_) throw IoError(path_ + ": cannot create the file");
}

OutputFile::~OutputFile() {
  if (IsStdout() || committed_) return;
  file_.close();
  std::error_code ec;
  fs::remove(temporary_, ec);
}

std::ostream& OutputFile::Stream() {
  if (IsStdout()) return std::cout;
  return file_;
}

void OutputFile::Commit() {
  if (IsStdout()) {
    std::cout.flush();
    if (!std::cout) throw IoError("standard output: write error");
    committed_ = true;
    return;
  }
  file_.close();
  if (file_.fail()) throw IoError(path_ + ": write error");
  std::error_code ec;
  fs::rename(temporary_, path_, ec);
  if (ec && fs::exists(path_)) {
    // Some platforms refuse to rename over an existing file.
    std::error_code removed;
    fs::remove(path_, removed);
    ec.clear();
    fs::rename(temporary_, path_, ec);
  }
  if (ec)
    throw IoError(path_ + ": cannot move the finished file into place (" + ec.message() + ")");
  committed_ = true;
}

void CheckOutputPath(InputKind kind, const std::string& out) {
  if (out == "-") return;
  if (kind == InputKind::Image && !EndsWithNoCase(out, ".png"))
    throw IoError("output " + out + ": a picture is written as PNG; name it .png or use -");
  if (kind == InputKind::Y4m && !EndsWithNoCase(out, ".y4m"))
    throw IoError("output " + out + ": a Y4M input is written as Y4M; name it .y4m or use -");
}

}  // namespace tesselox::io
