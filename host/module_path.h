#pragma once

#include <string>

namespace tesselox::host {

// The built module: Tesselox.auf beside the program, else in the build tree's module folder
// (the program sits in host/ of the same build tree). The first candidate when neither exists,
// so the load error names a sensible path. UTF-8.
std::string DefaultModulePath();

}  // namespace tesselox::host
