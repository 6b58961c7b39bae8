#include "host/file_names.h"

#include <windows.h>

#include <string>
#include <vector>

#include "host/io/file_name.h"
#include "host/io/io_error.h"
#include "host/io/utf8_path.h"

namespace tesselox::host {
namespace {

namespace fs = std::filesystem;

// Wine's own conversion of a DOS name to the Linux one (UTF-8, freed with HeapFree); null
// outside Wine.
using UnixNameOf = char*(__cdecl*)(const wchar_t* dosName);
UnixNameOf unixNameOf = nullptr;
bool unixNames = false;
std::string startFolder;  // the Linux folder the host started in

std::string UnixName(const wchar_t* dosName) {
  char* name = unixNameOf(dosName);
  if (name == nullptr) return {};
  std::string text(name);
  HeapFree(GetProcessHeap(), 0, name);
  return text;
}

HANDLE OpenAny(const fs::path& path) {
  return CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                     nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// The name of an open file with every link resolved, as Wine or Windows reports it.
std::wstring FinalName(HANDLE file) {
  std::vector<wchar_t> final(32768);
  const DWORD length = GetFinalPathNameByHandleW(
      file, final.data(), static_cast<DWORD>(final.size()), FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  return length > 0 && length < final.size() ? std::wstring(final.data(), length) : std::wstring();
}

// Wine's path for a Linux path taken as it is.
fs::path UnixPrefixed(const std::string& unixPath) {
  std::string text = "\\\\?\\unix" + unixPath;
  for (char& c : text) c = c == '/' ? '\\' : c;
  return io::PathFromUtf8(text);
}

// The Linux path of `unixPath` with its links resolved; itself when it does not exist.
std::string RealUnixPath(const std::string& unixPath) {
  const HANDLE file = OpenAny(UnixPrefixed(unixPath));
  if (file == INVALID_HANDLE_VALUE) return unixPath;
  const std::wstring final = FinalName(file);
  CloseHandle(file);
  const std::string real = final.empty() ? std::string() : UnixName(final.c_str());
  return real.empty() ? unixPath : real;
}

fs::path MapUnixName(const std::string& name) {
  if (name.find("\xef\xbf\xbd") != std::string::npos) return io::PathFromUtf8(name);
  if (name.find('\\') != std::string::npos) {
    throw io::IoError(io::ShownName(name) +
                      ": Wine reads a backslash in a name as a folder separator, so the host "
                      "cannot reach this name; rename it");
  }
  // Wine refuses "." and ".." inside such a path: they are resolved here, as the kernel would.
  std::string full = name.starts_with('/') ? "" : startFolder;
  for (std::size_t at = 0; at <= name.size();) {
    const std::size_t end = std::min(name.find('/', at), name.size());
    const std::string part = name.substr(at, end - at);
    at = end + 1;
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      full = RealUnixPath(full.empty() ? "/" : full);
      full.resize(full.find_last_of('/') == std::string::npos ? 0 : full.find_last_of('/'));
      continue;
    }
    full += "/" + part;
  }
  return UnixPrefixed(full.empty() ? "/" : full);
}

bool SameFile(HANDLE a, const fs::path& path) {
  const HANDLE b = OpenAny(path);
  if (b == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION x{}, y{};
  const bool same = GetFileInformationByHandle(a, &x) && GetFileInformationByHandle(b, &y) &&
                    x.dwVolumeSerialNumber == y.dwVolumeSerialNumber &&
                    x.nFileIndexHigh == y.nFileIndexHigh && x.nFileIndexLow == y.nFileIndexLow;
  CloseHandle(b);
  return same;
}

// The file a name ends at, links followed, as Windows (or Wine) reports it for an open handle.
io::WriteTarget ResolveTarget(const fs::path& path) {
  io::WriteTarget target{path, false};
  const HANDLE file = OpenAny(path);
  if (file == INVALID_HANDLE_VALUE) return target;  // nothing there yet
  if (GetFileType(file) != FILE_TYPE_DISK) {
    target.device = true;
  } else if (const std::wstring final = FinalName(file); !final.empty()) {
    fs::path found(final);
    if (unixNames) {
      // Back to a Linux name: the DOS one may be a short form Wine made up for it.
      const std::string name = UnixName(final.c_str());
      found = name.empty() ? fs::path() : UnixPrefixed(name);
    }
    if (!found.empty() && SameFile(file, found)) target.path = found;
  }
  CloseHandle(file);
  return target;
}

}  // namespace

void SetUpFileNames() {
  unixNameOf = reinterpret_cast<UnixNameOf>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  std::vector<wchar_t> folder(32768);
  const DWORD length = GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data());
  if (unixNameOf != nullptr && GetEnvironmentVariableW(L"TESSELOX_UNIX_NAMES", nullptr, 0) != 0 &&
      length > 0 && length < folder.size()) {
    startFolder = UnixName(folder.data());
    unixNames = !startFolder.empty();
    if (startFolder == "/") startFolder.clear();
  }
  io::SetFileNaming(unixNames ? MapUnixName : nullptr, ResolveTarget);
}

}  // namespace tesselox::host
