#pragma once

#include <fstream>
#include <iosfwd>
#include <string>

namespace tesselox::io {

// What an input holds: one picture (or the test pattern), or a Y4M stream of frames.
enum class InputKind { Picture, Y4m };

// An opened input: a file in binary mode, or standard input for "-" (which the caller has put
// in binary mode). Kind() looks at the first byte only, so a stream is never read ahead: a Y4M
// stream starts with 'Y', which no supported picture format does.
class InputFile {
 public:
  explicit InputFile(std::string path);
  std::istream& Stream();
  InputKind Kind();
  // Lets go of the file once everything needed is read, so that the output may replace it.
  void Close();
  const std::string& Name() const { return name_; }

 private:
  std::string path_;
  std::string name_;
  std::ifstream file_;
};

}  // namespace tesselox::io
