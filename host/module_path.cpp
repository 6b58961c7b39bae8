#include "host/module_path.h"

#include <windows.h>

namespace tesselox::host {

std::string DefaultModulePath() {
  char self[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string folder(self, length);
  folder.erase(folder.find_last_of("\\/") + 1);
  const std::string candidates[] = {folder + "Tesselox.auf", folder + "..\\plugin\\Tesselox.auf"};
  for (const std::string& path : candidates) {
    if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return path;
  }
  return candidates[0];
}

}  // namespace tesselox::host
