#pragma once

#include <filesystem>
#include <fstream>
#include <iosfwd>
#include <string>

#include "host/io/input_file.h"

namespace tesselox::io {

// Output that appears whole or not at all. A file is written to a temporary name next to its
// target and renamed into place by Commit, replacing a file of that name; destroyed without
// Commit, the temporary file is removed, so an error leaves no partial output behind. The
// target's folder must exist, unless `makeFolder` asks for it to be made. "-" writes straight to
// standard output (which the caller has put in binary mode). Paths are UTF-8.
class OutputFile {
 public:
  explicit OutputFile(std::string path, bool makeFolder = false);
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  std::ostream& Stream();
  void Commit();
  bool IsStdout() const { return path_ == "-"; }
  std::string TemporaryPath() const;

 private:
  std::string path_;
  std::filesystem::path target_;
  std::filesystem::path temporary_;
  std::ofstream file_;
  bool committed_ = false;
};

// Throws IoError unless `out` suits the input: "-" or a .png path for a picture, "-" or a .y4m
// path for a Y4M stream (case-insensitive), and not an existing folder.
void CheckOutputPath(InputKind kind, const std::string& out);

// Throws IoError when the file cannot go where `path` says: the path is a folder, or its
// folder is missing (unless it may be made) or a file.
void CheckOutputFolder(const std::string& path, bool makeFolder);

// Whether two UTF-8 paths name the same file, existing or not ("-" is never a file).
bool SameFile(const std::string& a, const std::string& b);

}  // namespace tesselox::io
