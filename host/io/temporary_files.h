#pragma once

#include <cstddef>
#include <filesystem>

namespace tesselox::io {

// The temporary output files that exist right now. An OutputFile lists its file for as long as
// the file may exist, so that an emergency exit (a fault, Ctrl-C), which never reaches the
// OutputFile's destructor, can still remove it. This list is process-wide because the handlers
// that read it are: they get no pointer to anything. Fixed slots, no allocation and no lock, so
// a fault handler or a console control thread may walk it while the main thread runs.
inline constexpr std::size_t kTemporaryFileSlots = 8;
inline constexpr std::size_t kTemporaryPathLength = 1024;  // characters

using NativeChar = std::filesystem::path::value_type;

// Lists `path`. False when it cannot: a path longer than kTemporaryPathLength or every slot
// taken; the file then has no emergency removal (but a normal one).
bool ListTemporaryFile(const std::filesystem::path& path);

// Takes `path` off the list (once, if it is listed twice).
void UnlistTemporaryFile(const std::filesystem::path& path);

// Calls `visit` with each listed path as native NUL-terminated characters. A slot being visited
// is not reused or changed until `visit` returns.
void ForEachTemporaryFile(void (*visit)(const NativeChar* path, void* context), void* context);

}  // namespace tesselox::io
