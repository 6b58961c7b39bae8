// Many load / init / frame / unload cycles in one process, with the process's objects and
// memory measured against what the C++ runtime and the system keep per cycle by themselves.

#include <windows.h>

#include <commctrl.h>
#include <psapi.h>

#include <cstdint>
#include <cstdio>
#include <vector>

#include "module_test.h"

namespace tesselox::test {
namespace {

BOOL CALLBACK CountOne(HWND, LPARAM counter) {
  ++*reinterpret_cast<int*>(counter);
  return TRUE;
}

int CountWindows(HWND parent) {
  int count = 0;
  EnumChildWindows(parent, CountOne, reinterpret_cast<LPARAM>(&count));
  return count;
}

BOOL CALLBACK CountWithChildren(HWND window, LPARAM counter) {
  *reinterpret_cast<int*>(counter) += 1 + CountWindows(window);
  return TRUE;
}

// Every window of this thread, top-level and children.
int ThreadWindows() {
  int count = 0;
  EnumThreadWindows(GetCurrentThreadId(), CountWithChildren, reinterpret_cast<LPARAM>(&count));
  return count;
}

// Wine answers 0 to GetGuiResources and leaves PrivateUsage at 0; there the objects are
// counted by probing every handle index (Wine resolves a handle whose upper word is 0 to the
// live object at that index) and private memory by summing committed private regions.
// The process's GDI or USER objects: GetGuiResources, or else the handle indices at which
// `live` finds an object.
DWORD GuiObjects(DWORD kind, bool (*live)(UINT_PTR), const char* probe, const char*& how) {
  how = "GetGuiResources";
  if (const DWORD n = GetGuiResources(GetCurrentProcess(), kind)) return n;
  how = probe;
  DWORD n = 0;
  for (UINT_PTR index = 1; index < 0x10000; ++index) n += live(index) ? 1 : 0;
  return n;
}

bool LiveGdiObject(UINT_PTR index) {
  return GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0;
}

// Window handles are shared by every process of a Wine session: only this process's count.
bool LiveWindow(UINT_PTR index) {
  const auto window = reinterpret_cast<HWND>(index);
  DWORD owner = 0;
  return IsWindow(window) && GetWindowThreadProcessId(window, &owner) != 0 &&
         owner == GetCurrentProcessId();
}

std::uint64_t PrivateBytes(const char*& how) {
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof counters;
  how = "PrivateUsage";
  if (GetProcessMemoryInfo(GetCurrentProcess(),
                           reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                           sizeof counters) &&
      counters.PrivateUsage != 0)
    return counters.PrivateUsage;
  how = "committed private regions";
  std::uint64_t total = 0;
  MEMORY_BASIC_INFORMATION region{};
  for (UINT_PTR at = 0x10000; at < 0xFFFF0000u;) {
    if (VirtualQuery(reinterpret_cast<void*>(at), &region, sizeof region) != sizeof region) {
      at += 0x10000;
      continue;
    }
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += region.RegionSize;
    const UINT_PTR next = reinterpret_cast<UINT_PTR>(region.BaseAddress) + region.RegionSize;
    if (next <= at) break;
    at = next;
  }
  return total;
}

// Bytes in use in every heap of the process: finer than committed memory, which grows in
// whole regions.
std::uint64_t HeapBytesInUse() {
  std::vector<HANDLE> heaps(GetProcessHeaps(0, nullptr) + 16);
  heaps.resize(GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data()));
  std::uint64_t total = 0;
  for (HANDLE heap : heaps) {
    if (!HeapLock(heap)) continue;
    PROCESS_HEAP_ENTRY entry{};
    while (HeapWalk(heap, &entry)) {
      if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) total += entry.cbData;
    }
    HeapUnlock(heap);
  }
  return total;
}

struct Usage {
  DWORD gdi, user;
  int windows;
  std::uint64_t heapBytes;
  std::uint64_t privateBytes;
  const char *gdiHow, *userHow, *memoryHow;
};

Usage Measure() {
  Usage u{};
  u.gdi = GuiObjects(GR_GDIOBJECTS, LiveGdiObject, "handle probe", u.gdiHow);
  u.user = GuiObjects(GR_USEROBJECTS, LiveWindow, "window probe", u.userHow);
  u.windows = ThreadWindows();
  u.privateBytes = PrivateBytes(u.memoryHow);
  u.heapBytes = HeapBytesInUse();
  return u;
}

void Cycle() {
  auto session = StartModule();
  ASSERT_TRUE(session->Loaded());
  const HFONT font = FieldFont(*session);
  CheckedFrame(*session, FrameShape{32, 24, 30, 20});
  session->Unload();
  EXPECT_EQ(GetObjectType(font), 0u) << "the field font outlived the module";
  EXPECT_EQ(ChildCount(session->ConfigWindow()), 0) << "controls outlived the module";
  session->DestroyWindows();
  session->PumpMessages();
}

struct Growth {
  Usage before, after;
  std::int64_t Private() const {
    return static_cast<std::int64_t>(after.privateBytes) -
           static_cast<std::int64_t>(before.privateBytes);
  }
  std::int64_t Heap() const {
    return static_cast<std::int64_t>(after.heapBytes) - static_cast<std::int64_t>(before.heapBytes);
  }
};

// What `cycles` runs of `cycle` add, after a few runs to warm up.
template <typename Cycle>
Growth Measured(Cycle cycle, int cycles) {
  for (int k = 0; k < 10; ++k) cycle();
  Growth g{Measure(), {}};
  for (int k = 0; k < cycles && !::testing::Test::HasFailure(); ++k) cycle();
  g.after = Measure();
  return g;
}

// The same controls as the filter's twelve fields, in a window of the same styles, made and
// destroyed by the test itself: what the system keeps for them per cycle is not the filter's.
void ControlsWithoutModule() {
  static const bool registered = [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "TesseloxReliabilityPlain";
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_UPDOWN_CLASS};
    return RegisterClassA(&wc) != 0 && InitCommonControlsEx(&classes);
  }();
  ASSERT_TRUE(registered);
  const HWND window = CreateWindowExA(0, "TesseloxReliabilityPlain", "", WS_OVERLAPPED, 0, 0, 320,
                                      240, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  const HFONT font =
      CreateFontA(12, 0, 0, 0, FW_MEDIUM, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                  CLIP_DEFAULT_PRECIS, PROOF_QUALITY, FF_MODERN | DEFAULT_PITCH, "Arial");
  std::vector<HWND> controls;
  for (int k = 0; k < kFieldCount; ++k) {
    controls.push_back(CreateWindowExA(0, "STATIC", "x", WS_CHILD | WS_VISIBLE | SS_CENTER, 16,
                                       12 + 30 * k, 60, 22, window, nullptr, nullptr, nullptr));
    const HWND edit = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", nullptr,
                                      WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_RIGHT, 76,
                                      12 + 30 * k, 80, 22, window, nullptr, nullptr, nullptr);
    SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SendMessageA(edit, EM_LIMITTEXT, 5, 0);
    controls.push_back(CreateUpDownControl(WS_CHILD | WS_VISIBLE | UDS_HOTTRACK | UDS_NOTHOUSANDS |
                                               UDS_ARROWKEYS | UDS_AUTOBUDDY | UDS_ALIGNRIGHT |
                                               UDS_SETBUDDYINT,
                                           0, 0, 0, 0, window, 1, nullptr, edit, 32, -32, 5));
    controls.push_back(edit);
  }
  for (auto it = controls.rbegin(); it != controls.rend(); ++it) DestroyWindow(*it);
  DeleteObject(font);
  DestroyWindow(window);
}

TEST(LoadCyclesTest, TwoHundredCyclesKeepObjectsAndMemoryFlat) {
  constexpr int kCycles = 200;
  // The C++ runtime linked into a module keeps some memory per load that unloading does not
  // give back; the baseline module shows how much.
  const Growth baseline = Measured(
      [] {
        const HMODULE module = LoadLibraryA(TESSELOX_RELIABILITY_BASELINE);
        ASSERT_NE(module, nullptr);
        using Read = int(__cdecl*)(const char*);
        const auto read =
            reinterpret_cast<Read>(reinterpret_cast<void*>(GetProcAddress(module, "BaselineRead")));
        ASSERT_NE(read, nullptr);
        EXPECT_EQ(read("1440"), 1440);
        EXPECT_EQ(read("1.5"), 0);
        FreeLibrary(module);
      },
      kCycles);
  const Growth controls = Measured(ControlsWithoutModule, kCycles);
  const Growth g = Measured(Cycle, kCycles);
  ASSERT_FALSE(HasFailure());
  std::printf("%d load / init / frame / unload cycles:\n", kCycles);
  std::printf("  GDI objects (%s): %lu -> %lu\n", g.before.gdiHow, g.before.gdi, g.after.gdi);
  std::printf("  USER objects (%s): %lu -> %lu\n", g.before.userHow, g.before.user, g.after.user);
  std::printf("  windows of this thread: %d -> %d\n", g.before.windows, g.after.windows);
  std::printf("  heap bytes in use: %llu -> %llu, %lld a cycle\n",
              static_cast<unsigned long long>(g.before.heapBytes),
              static_cast<unsigned long long>(g.after.heapBytes),
              static_cast<long long>(g.Heap() / kCycles));
  std::printf("  private bytes (%s): %llu -> %llu, %lld a cycle\n", g.before.memoryHow,
              static_cast<unsigned long long>(g.before.privateBytes),
              static_cast<unsigned long long>(g.after.privateBytes),
              static_cast<long long>(g.Private() / kCycles));
  std::printf(
      "  a module with only the C++ runtime, %d load / unload cycles: heap %lld, private %lld "
      "bytes a cycle\n",
      kCycles, static_cast<long long>(baseline.Heap() / kCycles),
      static_cast<long long>(baseline.Private() / kCycles));
  std::printf(
      "  the same controls made and destroyed without the module: heap %lld bytes a "
      "cycle\n",
      static_cast<long long>(controls.Heap() / kCycles));
  // One leaked font or control per cycle would show as 200 or more; allow a few that come and
  // go with the system's own caches.
  EXPECT_LE(g.after.gdi, g.before.gdi + 4);
  EXPECT_LE(g.after.user, g.before.user + 4);
  EXPECT_EQ(g.after.windows, g.before.windows);
  // Beyond what the runtime keeps per load and the system per set of controls, 64 bytes a
  // cycle on the heap (one leaked control, font or locale costs more) and 1 MiB of committed
  // memory in all, which grows by whole regions.
  const std::int64_t expected = baseline.Heap() + controls.Heap();
  EXPECT_LE(g.Heap(), expected + kCycles * 64);
  EXPECT_LE(g.Private(), expected + (1 << 20));
}

}  // namespace
}  // namespace tesselox::test
