#pragma once

#include <fstream>
#include <iosfwd>
#include <string>

namespace tesselox::io {

// Output that appears whole or not at all. A file is written to a temporary name next to its
// target (making missing folders) and renamed into place by Commit; destroyed without Commit,
// the temporary file is removed, so an error leaves no partial output behind. "-" writes
// straight to standard output (which the caller has put in binary mode).
class OutputFile {
 public:
  explicit OutputFile(std::string path);
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  std::ostream& Stream();
  void Commit();
  bool IsStdout() const { return path_ == "-"; }
  const std::string& TemporaryPath() const { return temporary_; }

 private:
  std::string path_;
  std::string temporary_;
  std::ofstream file_;
  bool committed_ = false;
};

enum class InputKind { Image, Y4m };

// Throws IoError unless `out` suits the input: "-" or a .png path for a picture, "-" or a .y4m
// path for a Y4M stream (case-insensitive).
void CheckOutputPath(InputKind kind, const std::string& out);

}  // namespace tesselox::io
