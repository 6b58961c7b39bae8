#pragma once

#include <filesystem>
#include <string>

namespace tesselox::io {

// Names from the command line reach the file system only through FilePath, and messages show
// them through ShownName. By default a name is a path of the platform the host runs on; the
// host program may install its own mapping (under Wine: Linux names, see host/file_names.h).
std::filesystem::path FilePath(const std::string& name);

// The name as one line of text: bytes a terminal would act on (a newline, an escape) appear
// as \xNN.
std::string ShownName(const std::string& name);

// Where writing to `path` lands: a symbolic link is followed to the file it names, so that
// replacing the file leaves the link in place. `device` is set when that file exists and is
// not a regular file (a terminal, a serial port, /dev/null), which the host never writes to.
struct WriteTarget {
  std::filesystem::path path;
  bool device = false;
};
WriteTarget ResolveWriteTarget(const std::filesystem::path& path);

// The platform's own mapping of names and resolution of targets. The defaults take a name as a
// path and follow links with std::filesystem, which cannot see them under Windows. A mapping
// throws IoError for a name it cannot reach.
using NameMapping = std::filesystem::path (*)(const std::string& name);
using TargetResolver = WriteTarget (*)(const std::filesystem::path& path);
void SetFileNaming(NameMapping mapping, TargetResolver resolver);

}  // namespace tesselox::io
