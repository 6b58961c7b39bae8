#pragma once

namespace tesselox::host {

// Exit statuses of the host's emergency exits (1 is an ordinary error, 2 a bad option).
inline constexpr int kExitFault = 3;          // a fault or an escaped exception
inline constexpr int kExitInterrupted = 130;  // Ctrl-C, Ctrl-Break or the console closing

// Makes every way the process can die abnormally end the same way: one line on standard
// error, the temporary output files removed (see io/temporary_files.h) and a non-zero exit
// status, at once. Covers a fault anywhere in the process (the host, a decoder, the module,
// a window procedure), a C++ exception that nothing catches, and the console's control events,
// which Wine raises for SIGINT. Without it a fault starts Wine's debugger, which waits on the
// (virtual) display for a user who never comes. Call once, first thing in main.
void InstallCrashGuard();

}  // namespace tesselox::host
