#pragma once

namespace tesselox::host {

// Whether standard error holds a line still being written (the stream's progress line, which
// each update rewrites with '\r'). Whoever writes a message then ends that line first: the
// crash guard in this process, and scripts/run, which learns of it from a file named in
// TESSELOX_OPEN_LINE_FILE that exists while the line is open.
void SetLineOpen(bool open);
bool LineOpen();

}  // namespace tesselox::host
