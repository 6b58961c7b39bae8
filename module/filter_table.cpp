#include "module/filter_table.h"

#include "module/host_interface.h"
#include "module/process_frame.h"
#include "module/config_window.h"

namespace tesselox {
namespace {

// Writable on purpose: the host receives a non-const address. The module never writes it.
constinit FilterTable table = FilterTableWith(ProcessFrame, ConfigWindowProc);

}  // namespace
}  // namespace tesselox

extern "C" tesselox::FilterTable* __cdecl GetFilterTable() {
  return &tesselox::table;
}
