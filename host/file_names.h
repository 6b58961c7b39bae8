#pragma once

namespace tesselox::host {

// Sets up how the host's file calls reach the names on its command line (io/file_name.h):
// links and devices are recognised through Windows' own calls, and under Wine with
// TESSELOX_UNIX_NAMES set (scripts/run sets it) names are Linux names, relative to the Linux
// folder the host was started in. Call once, before the options are used.
void SetUpFileNames();

}  // namespace tesselox::host
