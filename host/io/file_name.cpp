#include "host/io/file_name.h"

#include <system_error>

#include "host/io/io_error.h"
#include "host/io/utf8_path.h"

namespace tesselox::io {
namespace {

namespace fs = std::filesystem;

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

NameMapping mapping = nullptr;
TargetResolver resolver = FollowLinks;

}  // namespace

fs::path FilePath(const std::string& name) {
  return mapping != nullptr ? mapping(name) : PathFromUtf8(name);
}

std::string ShownName(const std::string& name) {
  return Printable(name, 4096);
}

WriteTarget ResolveWriteTarget(const fs::path& path) {
  return resolver(path);
}

void SetFileNaming(NameMapping m, TargetResolver r) {
  mapping = m;
  resolver = r;
}

}  // namespace tesselox::io
