#pragma once

#include <cstdint>

#include "module/frame_record.h"

namespace tesselox {

struct FilterTable;

// The host's per-frame callback: re-limits the rectangle fields to the incoming frame, reads
// all twelve fields, re-limits and reads the phases, renders, and returns 1. The table is not
// used.
std::int32_t ProcessFrame(FilterTable* table, FrameRecord* record);

}  // namespace tesselox
