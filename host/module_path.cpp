#include "host/module_path.h"

#include <windows.h>

#include <filesystem>
#include <system_error>
#include <vector>

#include "host/io/utf8_path.h"

namespace tesselox::host {

std::string DefaultModulePath() {
  // Wide calls: the program may sit in a folder whose name the ANSI code page cannot spell.
  std::vector<wchar_t> self(MAX_PATH);
  DWORD length = 0;
  while ((length = GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size()))) ==
             self.size() &&
         self.size() < 32768) {
    self.resize(self.size() * 2);
  }
  const std::filesystem::path folder =
      std::filesystem::path(std::wstring(self.data(), length)).parent_path();
  const std::filesystem::path candidates[] = {folder / L"Tesselox.auf",
                                              folder / L".." / L"module" / L"Tesselox.auf"};
  for (const auto& path : candidates) {
    std::error_code ec;
    if (std::filesystem::exists(path, ec)) return io::Utf8FromPath(path);
  }
  return io::Utf8FromPath(candidates[0]);
}

}  // namespace tesselox::host
