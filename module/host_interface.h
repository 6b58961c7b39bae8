#pragma once

// What the module and its host exchange: the filter table the module exports, the host's
// table of services, and the host's initialisation message. Every address is 32 bits in the
// module's build; the layout is fixed by the host and checked below.

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "module/frame_record.h"

namespace tesselox {

struct FilterTable;

// The host's function table. The filter calls two of its slots; the others are the host's.
struct HostServices {
  void* slots0to24[25];
  // Told that an edit box is about to show changed text; its answer goes back to the host as
  // the window procedure's result.
  std::int32_t(__cdecl* editUpdated)(FilterTable* hostTable);
  void* slots26to39[14];
  // Fills an 84-byte buffer; bytes 20 and 24 hold the host's largest frame width and height.
  std::int32_t(__cdecl* getFrameLimits)(void* editHandle, void* buffer);
};

inline constexpr std::size_t kFrameLimitsBufferSize = 84;
inline constexpr std::size_t kFrameLimitsWidthOffset = 20;
inline constexpr std::size_t kFrameLimitsHeightOffset = 24;

using FrameCallback = std::int32_t(__cdecl*)(FilterTable* table, FrameRecord* record);
using WindowCallback = std::int32_t(__cdecl*)(HWND window, UINT message, WPARAM wParam,
                                              LPARAM lParam, void* editHandle,
                                              FilterTable* hostTable);

// The module's description, as the host reads it through GetFilterTable. In the copy the host
// passes to the window procedure, hostServices and moduleInstance are filled in.
struct FilterTable {
  std::uint32_t flags;
  std::int32_t windowWidth;
  std::int32_t windowHeight;
  const char* name;
  std::int32_t firstItemCount;
  const char* const* firstItemNames;
  const std::int32_t* firstItemDefaults;
  const std::int32_t* firstItemLows;
  const std::int32_t* firstItemHighs;
  std::int32_t secondItemCount;
  const char* const* secondItemNames;
  const std::int32_t* secondItemDefaults;
  FrameCallback frameCallback;
  void* callback52;
  void* callback56;
  void* callback60;
  WindowCallback windowProc;
  std::uint32_t reserved68[4];
  const char* information;
  std::uint32_t reserved88[2];
  HostServices* hostServices;
  std::uint32_t reserved100;
  HINSTANCE moduleInstance;
  std::uint32_t reserved108[8];
};

// The host's message that the filter is being initialised (WM_USER + 103).
inline constexpr UINT HOST_INIT_MESSAGE = 1127;

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(FilterTable) == 140);
static_assert(offsetof(FilterTable, flags) == 0);
static_assert(offsetof(FilterTable, windowWidth) == 4);
static_assert(offsetof(FilterTable, windowHeight) == 8);
static_assert(offsetof(FilterTable, name) == 12);
static_assert(offsetof(FilterTable, firstItemCount) == 16);
static_assert(offsetof(FilterTable, firstItemNames) == 20);
static_assert(offsetof(FilterTable, firstItemDefaults) == 24);
static_assert(offsetof(FilterTable, firstItemLows) == 28);
static_assert(offsetof(FilterTable, firstItemHighs) == 32);
static_assert(offsetof(FilterTable, secondItemCount) == 36);
static_assert(offsetof(FilterTable, secondItemNames) == 40);
static_assert(offsetof(FilterTable, secondItemDefaults) == 44);
static_assert(offsetof(FilterTable, frameCallback) == 48);
static_assert(offsetof(FilterTable, callback52) == 52);
static_assert(offsetof(FilterTable, callback60) == 60);
static_assert(offsetof(FilterTable, windowProc) == 64);
static_assert(offsetof(FilterTable, information) == 84);
static_assert(offsetof(FilterTable, hostServices) == 96);
static_assert(offsetof(FilterTable, moduleInstance) == 104);
static_assert(offsetof(HostServices, editUpdated) == 100);
static_assert(offsetof(HostServices, getFrameLimits) == 160);
static_assert(sizeof(FrameRecord) == 28);
#endif

}  // namespace tesselox

// The module's one export: the address of its static FilterTable.
extern "C" tesselox::FilterTable* __cdecl GetFilterTable();
