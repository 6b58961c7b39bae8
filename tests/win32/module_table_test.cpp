#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>

#include "loaded_module.h"
#include "test_image.h"

namespace tesselox::test {
namespace {

constexpr std::size_t kTableBytes = 140;

// True when address lies inside the loaded image of module.
bool InsideModule(HMODULE module, const void* address) {
  const auto* base = reinterpret_cast<const unsigned char*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
  const auto* at = static_cast<const unsigned char*>(address);
  return at >= base && at < base + nt->OptionalHeader.SizeOfImage;
}

class ModuleTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(session.Load(ModulePath())) << session.Error();
    getTable = reinterpret_cast<FilterTable*(__cdecl*)()>(
        reinterpret_cast<void*>(GetProcAddress(session.Module(), "GetFilterTable")));
    ASSERT_NE(getTable, nullptr);
  }

  LoadedModule session;
  FilterTable*(__cdecl* getTable)() = nullptr;
};

// What a host reads through the table stays readable while the module is loaded: every address
// in it points into the module's image, and each list a count covers has that many entries.
TEST_F(ModuleTableTest, EveryAddressLiesInTheModule) {
  const FilterTable* table = getTable();
  const struct {
    const char* what;
    const void* address;
  } addresses[] = {
      {"name", table->name},
      {"first item names", table->firstItemNames},
      {"first item defaults", table->firstItemDefaults},
      {"first item lows", table->firstItemLows},
      {"first item highs", table->firstItemHighs},
      {"second item names", table->secondItemNames},
      {"second item defaults", table->secondItemDefaults},
      {"frame callback", reinterpret_cast<const void*>(table->frameCallback)},
      {"window procedure", reinterpret_cast<const void*>(table->windowProc)},
      {"information", table->information},
  };
  for (const auto& a : addresses) {
    SCOPED_TRACE(a.what);
    EXPECT_TRUE(InsideModule(session.Module(), a.address));
  }
  for (std::int32_t k = 0; k < table->firstItemCount; ++k)
    EXPECT_TRUE(InsideModule(session.Module(), table->firstItemNames[k]));
  for (std::int32_t k = 0; k < table->secondItemCount; ++k)
    EXPECT_TRUE(InsideModule(session.Module(), table->secondItemNames[k]));
}

// The host makes the configuration window from the table: its title is the table's name and its
// client area the table's size, which every field the module makes in it must fit.
TEST_F(ModuleTableTest, TheWindowTheTableAsksForHoldsEveryField) {
  const FilterTable* table = getTable();
  ASSERT_TRUE(session.CreateWindows());
  session.SendInit();
  const HWND config = session.ConfigWindow();
  char title[64] = {};
  GetWindowTextA(config, title, sizeof title);
  EXPECT_STREQ(title, table->name);
  RECT client{};
  GetClientRect(config, &client);
  EXPECT_EQ(client.right, table->windowWidth);
  EXPECT_EQ(client.bottom, table->windowHeight);
  int children = 0;
  for (HWND child = GetWindow(config, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    ++children;
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(HWND_DESKTOP, config, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= client.right && r.bottom <= client.bottom)
        << "control " << GetDlgCtrlID(child) << " at " << r.left << "," << r.top << " to "
        << r.right << "," << r.bottom;
  }
  EXPECT_EQ(children, 3 * kFieldCount);  // a label, an edit box and an up-down control each
}

TEST_F(ModuleTableTest, SameAddressOnEveryCallAndNeverWritten) {
  FilterTable* first = getTable();
  std::array<unsigned char, kTableBytes> before{};
  std::memcpy(before.data(), first, kTableBytes);
  ASSERT_TRUE(session.CreateWindows());
  session.SendInit();
  host::FrameBuffers frame(64, 48);
  frame.SetFrameSize(64, 48);
  EXPECT_EQ(session.ProcessFrame(frame), 1);
  session.TypeIntoField(FieldId::DstX, "5");
  for (int call = 0; call < 3; ++call) EXPECT_EQ(getTable(), first);
  std::array<unsigned char, kTableBytes> after{};
  std::memcpy(after.data(), first, kTableBytes);
  EXPECT_EQ(after, before);
  EXPECT_EQ(session.ModuleTable(), first);
}

}  // namespace
}  // namespace tesselox::test
