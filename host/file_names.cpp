#include "host/file_names.h"

#include <windows.h>

#include <string>
#include <vector>

#include "host/io/file_name.h"
#include "host/io/utf8_path.h"

namespace tesselox::host {
namespace {

namespace fs = std::filesystem;

// Wine's own conversion of a DOS name to the Linux one (UTF-8, freed with HeapFree); null
// outside Wine.
using UnixNameOf = char*(__cdecl*)(const wchar_t* dosName);
UnixNameOf unixNameOf = nullptr;
bool unixNames = false;

std::string UnixName(const wchar_t* dosName) {
  char* name = unixNameOf(dosName);
  if (name == nullptr) return {};
  std::string text(name);
  HeapFree(GetProcessHeap(), 0, name);
  return text;
}

bool SameFile(HANDLE a, const fs::path& path) {
  const HANDLE b =
      CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
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
  const HANDLE file =
      CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return target;  // nothing there yet
  if (GetFileType(file) != FILE_TYPE_DISK) {
    target.device = true;
  } else {
    std::vector<wchar_t> final(32768);
    const DWORD length =
        GetFinalPathNameByHandleW(file, final.data(), static_cast<DWORD>(final.size()),
                                  FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length > 0 && length < final.size()) {
      fs::path found(std::wstring(final.data(), length));
      if (unixNames) {
        // Back to a Linux name: the DOS one may be a short form Wine made up for it.
        const std::string name = UnixName(final.data());
        found = name.empty() ? fs::path() : io::FilePath(name);
      }
      if (!found.empty() && SameFile(file, found)) target.path = found;
    }
  }
  CloseHandle(file);
  return target;
}

}  // namespace

void SetUpFileNames() {
  io::SetTargetResolver(ResolveTarget);
  unixNameOf = reinterpret_cast<UnixNameOf>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (unixNameOf == nullptr || GetEnvironmentVariableW(L"TESSELOX_UNIX_NAMES", nullptr, 0) == 0)
    return;
  std::vector<wchar_t> folder(32768);
  const DWORD length = GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data());
  if (length == 0 || length >= folder.size()) return;
  const std::string unixFolder = UnixName(folder.data());
  if (unixFolder.empty()) return;
  unixNames = true;
  io::UseUnixNames(unixFolder);
}

}  // namespace tesselox::host
