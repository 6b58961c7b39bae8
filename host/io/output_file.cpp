#include "host/io/output_file.h"

#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <cstring>
#include <system_error>

#include "host/io/file_name.h"
#include "host/io/io_error.h"
#include "host/io/temporary_files.h"
#include "host/io/utf8_path.h"

namespace tesselox::io {
namespace {

namespace fs = std::filesystem;

// scripts/run names each run in TESSELOX_TEMP_TAG and, once the host has ended in any way
// (killed by a signal included), removes "<target>.tmp-<tag>-*". Only a plain name is taken.
std::string RunTag() {
  const char* tag = std::getenv("TESSELOX_TEMP_TAG");
  if (tag == nullptr) return "";
  const std::string text(tag);
  const bool plain = !text.empty() && text.size() <= 40 &&
                     text.find_first_not_of(
                         "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                         "0123456789._") == std::string::npos &&
                     text.find("..") == std::string::npos;
  return plain ? text + "-" : "";
}

std::string UniqueSuffix() {
  static std::atomic<unsigned> counter{0};
  const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
  return RunTag() + std::to_string(ticks) + "-" + std::to_string(counter++);
}

bool EndsWithNoCase(const std::string& s, const std::string& suffix) {
  if (s.size() < suffix.size()) return false;
  for (std::size_t k = 0; k < suffix.size(); ++k) {
    const auto a = static_cast<unsigned char>(s[s.size() - suffix.size() + k]);
    if (std::tolower(a) != suffix[k]) return false;
  }
  return true;
}

// The folder a relative name without one lives in is the current folder.
fs::path FolderOf(const fs::path& target) {
  const fs::path folder = target.parent_path();
  return folder.empty() ? fs::path(".") : folder;
}

// The folder part of a name as typed, for messages ("." for none).
std::string FolderName(const std::string& name) {
#ifdef _WIN32
  const auto slash = name.find_last_of("/\\");
#else
  const auto slash = name.find_last_of('/');
#endif
  return slash == std::string::npos ? "." : slash == 0 ? "/" : name.substr(0, slash);
}

// A file written over keeps its permissions. Natively here; under Wine, whose emulation of
// them is coarser, scripts/run restores the Linux mode.
void KeepPermissions([[maybe_unused]] const fs::path& target,
                     [[maybe_unused]] const fs::path& temporary) {
#ifndef _WIN32
  std::error_code ec;
  const fs::file_status old = fs::status(target, ec);
  if (!ec && fs::is_regular_file(old)) fs::permissions(temporary, old.permissions(), ec);
#endif
}

// An absolute, normalised spelling; Windows file names ignore case.
std::string Spelling(const fs::path& path) {
  std::error_code ec;
  fs::path full = fs::weakly_canonical(fs::absolute(path, ec), ec);
  if (ec) full = fs::absolute(path, ec).lexically_normal();
  std::string text = Utf8FromPath(full.make_preferred());
#ifdef _WIN32
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
#endif
  return text;
}

}  // namespace

OutputFile::OutputFile(std::string path, bool makeFolder) : path_(std::move(path)) {
  if (IsStdout()) return;
  CheckOutputFolder(path_, makeFolder);
  // Through a symbolic link to the file it names: the link stays, its file gets the output.
  target_ = ResolveWriteTarget(FilePath(path_)).path;
  const fs::path folder = FolderOf(target_);
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) {
    fs::create_directories(folder, ec);
    if (ec) {
      throw IoError(ShownName(FolderName(path_)) + ": cannot make the folder (" + ec.message() +
                    ")");
    }
  }
  temporary_ = target_;
  temporary_ += PathFromUtf8(".tmp-" + UniqueSuffix());
  ListTemporaryFile(temporary_);  // before it exists: an emergency exit can remove it at once
  errno = 0;
  file_.open(temporary_, std::ios::binary | std::ios::trunc);
  if (!file_) {
    const std::string reason = errno != 0 ? std::string(" (") + std::strerror(errno) + ")" : "";
    UnlistTemporaryFile(temporary_);
    throw IoError(ShownName(path_) + ": cannot create the file" + reason);
  }
}

OutputFile::~OutputFile() {
  if (IsStdout() || committed_) return;
  file_.close();
  std::error_code ec;
  fs::remove(temporary_, ec);
  UnlistTemporaryFile(temporary_);
}

std::ostream& OutputFile::Stream() {
  if (IsStdout()) return std::cout;
  return file_;
}

std::string OutputFile::TemporaryPath() const {
  return Utf8FromPath(temporary_);
}

void OutputFile::Commit() {
  if (IsStdout()) {
    ClearWriteFailure();
    std::cout.flush();
    if (!std::cout) throw IoError("standard output: " + WriteFailure());
    committed_ = true;
    return;
  }
  ClearWriteFailure();
  file_.close();
  if (file_.fail()) throw IoError(ShownName(path_) + ": " + WriteFailure());
  KeepPermissions(target_, temporary_);
  std::error_code ec;
  fs::rename(temporary_, target_, ec);
  if (ec && fs::exists(target_, ec)) {
    // Some platforms refuse to rename over an existing file.
    std::error_code removed;
    fs::remove(target_, removed);
    ec.clear();
    fs::rename(temporary_, target_, ec);
  }
  if (ec)
    throw IoError(ShownName(path_) + ": cannot move the finished file into place (" + ec.message() +
                  ")");
  committed_ = true;
  UnlistTemporaryFile(temporary_);
}

void CheckOutputPath(InputKind kind, const std::string& out) {
  if (out == "-") return;
  std::error_code ec;
  const std::string shown = "output " + ShownName(out);
  if (fs::is_directory(FilePath(out), ec))
    throw IoError(shown + ": is a folder; name a file in it");
  if (kind == InputKind::Picture && !EndsWithNoCase(out, ".png"))
    throw IoError(shown + ": a picture is written as PNG; name it .png or use -");
  if (kind == InputKind::Y4m && !EndsWithNoCase(out, ".y4m"))
    throw IoError(shown + ": a Y4M input is written as Y4M; name it .y4m or use -");
}

void CheckOutputFolder(const std::string& path, bool makeFolder) {
  if (path == "-") return;
  const fs::path target = FilePath(path);
  const std::string shown = ShownName(path), folderShown = ShownName(FolderName(path));
  std::error_code ec;
  if (fs::is_directory(target, ec)) throw IoError(shown + ": is a folder");
  if (ResolveWriteTarget(target).device)
    throw IoError(shown + ": is a device, not a file; the host writes only to files");
  const fs::path folder = FolderOf(target);
  if (fs::is_directory(folder, ec)) return;
  if (fs::exists(folder, ec)) throw IoError(shown + ": " + folderShown + " is a file");
  if (!makeFolder) throw IoError(shown + ": the folder " + folderShown + " does not exist");
}

bool SameFile(const std::string& a, const std::string& b) {
  if (a == "-" || b == "-") return false;
  const fs::path first = FilePath(a), second = FilePath(b);
  std::error_code ec;
  if (fs::exists(first, ec) && fs::exists(second, ec)) return fs::equivalent(first, second, ec);
  return Spelling(first) == Spelling(second);
}

}  // namespace tesselox::io
