#pragma once

#include <iosfwd>

#include "host/io/options.h"

namespace tesselox::host {

// Runs the host program once: loads the module, initialises its window, applies the --set
// edits, filters the input into the output and reports. Messages go to `report` (the closing
// line, --print-fields) and `errors` (progress, notes, the one-line error). Returns the exit
// status: 0 on success, 1 on a failure; no partial output file is left behind on failure.
int RunHost(const io::Options& options, std::ostream& report, std::ostream& errors);

}  // namespace tesselox::host
