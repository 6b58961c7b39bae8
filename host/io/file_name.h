#pragma once

#include <filesystem>
#include <string>

namespace tesselox::io {

// Names from the command line reach the file system only through FilePath; messages show them
// through ShownName. By default a name is a path of the platform the host runs on. Under Wine,
// scripts/run makes them Linux names instead (UseUnixNames), so that any name Linux allows
// works as it does in a shell: Wine's DOS rules (device names such as "nul.png" or "com1.png",
// reserved characters such as ':' or '?') would otherwise change or refuse it.
//
// What Wine cannot express at all is refused by FilePath with one line: a backslash inside a
// Linux name (Wine reads every backslash as a folder separator). Bytes that are not UTF-8 never
// reach the host (Wine replaces them with U+FFFD before it starts); scripts/run refuses such
// output names, and an input name holding U+FFFD is left to Wine's own lookup, which matches
// the file those bytes came from.
void UseUnixNames(std::string unixFolder);

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
using TargetResolver = WriteTarget (*)(const std::filesystem::path& path);
// The platform's own resolver; the default follows links with std::filesystem, which cannot
// see them under Windows.
void SetTargetResolver(TargetResolver resolver);
WriteTarget ResolveWriteTarget(const std::filesystem::path& path);

}  // namespace tesselox::io
