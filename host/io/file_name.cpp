#include "host/io/file_name.h"

#include <system_error>

#include "host/io/io_error.h"
#include "host/io/utf8_path.h"

namespace tesselox::io {
namespace {

namespace fs = std::filesystem;

bool unixNames = false;
std::string unixFolder;

WriteTarget FollowLinks(const fs::path& path) {
  std::error_code ec;
  fs::path target = path;
  // A chain of links, each relative to the folder it sits in; a loop ends at the limit.
  for (int hops = 0; hops < 40 && fs::is_symlink(target, ec); ++hops) {
    const fs::path next = fs::read_symlink(target, ec);
    if (ec) break;
    target = next.is_absolute() ? next : target.parent_path() / next;
  }
  const fs::file_status status = fs::status(target, ec);
  return WriteTarget{target, fs::exists(status) && !fs::is_regular_file(status)};
}

TargetResolver resolver = FollowLinks;

}  // namespace

void UseUnixNames(std::string folder) {
  unixNames = true;
  unixFolder = std::move(folder);
}

fs::path FilePath(const std::string& name) {
  if (!unixNames || name.find("\xef\xbf\xbd") != std::string::npos) return PathFromUtf8(name);
  if (name.find('\\') != std::string::npos) {
    throw IoError(ShownName(name) +
                  ": Wine reads a backslash in a name as a folder separator, so the host cannot "
                  "reach this name; rename it");
  }
  // Wine's prefix for a Linux path taken as it is: no drive letters, devices or DOS rules.
  std::string full = "\\\\?\\unix" + (name.starts_with('/') ? name : unixFolder + "/" + name);
  for (char& c : full) c = c == '/' ? '\\' : c;
  return PathFromUtf8(full);
}

std::string ShownName(const std::string& name) {
  return Printable(name, 4096);
}

void SetTargetResolver(TargetResolver r) {
  resolver = r;
}

WriteTarget ResolveWriteTarget(const fs::path& path) {
  return resolver(path);
}

}  // namespace tesselox::io
