#include "plugin/process_frame.h"
#include "plugin/host_interface.h"
#include "ui/config_window.h"

namespace tesselox {
namespace {

// Both item lists are declared but their counts are 0, so the host shows no items.
const char kEmptyName[] = "";
const char kInterlaceName[] = "interleace";
const char* const kFirstItemNames[] = {kEmptyName};
const char* const kSecondItemNames[] = {kInterlaceName};
const std::int32_t kFirstItemDefaults[] = {0};
const std::int32_t kFirstItemLows[] = {0};
const std::int32_t kFirstItemHighs[] = {0};
const std::int32_t kSecondItemDefaults[] = {0};

// Shift-JIS: "tx", the four katakana of "filter", then the version.
const char kInformation[] = "tx\x83\x74\x83\x42\x83\x8B\x83\x5E version 0.01";

// Writable on purpose: the host receives a non-const address. The module never writes it.
FilterTable table = {
    .flags = 0x00044000,
    .windowWidth = 320,
    .windowHeight = 240,
    .name = "Tesselox",
    .firstItemCount = 0,
    .firstItemNames = kFirstItemNames,
    .firstItemDefaults = kFirstItemDefaults,
    .firstItemLows = kFirstItemLows,
    .firstItemHighs = kFirstItemHighs,
    .secondItemCount = 0,
    .secondItemNames = kSecondItemNames,
    .secondItemDefaults = kSecondItemDefaults,
    .frameCallback = ProcessFrame,
    .callback52 = nullptr,
    .callback56 = nullptr,
    .callback60 = nullptr,
    .windowProc = ConfigWindowProc,
    .reserved68 = {},
    .information = kInformation,
    .reserved88 = {},
    .hostServices = nullptr,
    .reserved100 = 0,
    .moduleInstance = nullptr,
    .reserved108 = {},
};

}  // namespace
}  // namespace tesselox

extern "C" tesselox::FilterTable* __cdecl GetFilterTable() {
  return &tesselox::table;
}
