#pragma once

#include <cstdint>

#include "module/host_interface.h"

namespace tesselox {

// What the module tells the host about itself, apart from its two callbacks: a module built for
// the host's tests (one that faults, say) takes the same description with callbacks of its own.
namespace filter_table {

// Both item lists are declared but their counts are 0, so the host shows no items.
inline constexpr const char* kFirstItemNames[] = {""};
inline constexpr const char* kSecondItemNames[] = {"interleace"};
inline constexpr std::int32_t kFirstItemDefaults[] = {0};
inline constexpr std::int32_t kFirstItemLows[] = {0};
inline constexpr std::int32_t kFirstItemHighs[] = {0};
inline constexpr std::int32_t kSecondItemDefaults[] = {0};

// Shift-JIS: "tx", the four katakana of "filter", then the version.
inline constexpr char kInformation[] = "tx\x83\x74\x83\x42\x83\x8B\x83\x5E version 0.01";

}  // namespace filter_table

// The module's table with these callbacks.
constexpr FilterTable FilterTableWith(FrameCallback frame, WindowCallback window) {
  return FilterTable{
      .flags = 0x00044000,
      .windowWidth = 320,
      .windowHeight = 240,
      .name = "Tesselox",
      .firstItemCount = 0,
      .firstItemNames = filter_table::kFirstItemNames,
      .firstItemDefaults = filter_table::kFirstItemDefaults,
      .firstItemLows = filter_table::kFirstItemLows,
      .firstItemHighs = filter_table::kFirstItemHighs,
      .secondItemCount = 0,
      .secondItemNames = filter_table::kSecondItemNames,
      .secondItemDefaults = filter_table::kSecondItemDefaults,
      .frameCallback = frame,
      .callback52 = nullptr,
      .callback56 = nullptr,
      .callback60 = nullptr,
      .windowProc = window,
      .reserved68 = {},
      .information = filter_table::kInformation,
      .reserved88 = {},
      .hostServices = nullptr,
      .reserved100 = 0,
      .moduleInstance = nullptr,
      .reserved108 = {},
  };
}

}  // namespace tesselox
