#pragma once

namespace tesselox::host {

// Sets up how the host's file calls reach the names on its command line (io/file_name.h).
// Links and devices are recognised through Windows' own calls. Under Wine with
// TESSELOX_UNIX_NAMES set (scripts/run sets it) names are Linux names, taken as a Linux shell
// takes them: relative to the Linux folder the host started in, ".." going to the real parent
// of a linked folder, and reached through Wine's "\\?\unix" prefix, so that Wine's DOS rules
// (device names such as "nul.png" or "com1.png", reserved characters such as ':' or '?') never
// change or refuse them. What Wine cannot express is refused with one line: a backslash (Wine
// reads every backslash as a folder separator). Bytes that are not UTF-8 never reach the host
// (Wine replaces them with U+FFFD before it starts): scripts/run refuses such output names, and
// an input name holding U+FFFD is left to Wine's DOS lookup, which matches the file those bytes
// came from. Call once, before the options are used.
void SetUpFileNames();

}  // namespace tesselox::host
