#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "loaded_module.h"
#include "test_image.h"

namespace tesselox::test {
namespace {

constexpr std::size_t kTableBytes = 140;

std::uint32_t WordAt(const void* table, std::size_t offset) {
  std::uint32_t word = 0;
  std::memcpy(&word, static_cast<const unsigned char*>(table) + offset, sizeof word);
  return word;
}

const void* AddressAt(const void* table, std::size_t offset) {
  return reinterpret_cast<const void*>(static_cast<std::uintptr_t>(WordAt(table, offset)));
}

// True when address lies inside the loaded image of module.
bool InsideModule(HMODULE module, const void* address) {
  const auto* base = reinterpret_cast<const unsigned char*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
  const auto* at = static_cast<const unsigned char*>(address);
  return at >= base && at < base + nt->OptionalHeader.SizeOfImage;
}

enum class Expect { Value, String, ListOfString, ListOfZero, Code };

struct Slot {
  std::size_t offset;
  Expect kind;
  std::uint32_t value;  // for Value
  const char* text;     // for String and ListOfString
};

const Slot kNamedSlots[] = {
    {0, Expect::Value, 0x00044000, nullptr},
    {4, Expect::Value, 320, nullptr},
    {8, Expect::Value, 240, nullptr},
    {12, Expect::String, 0, "Tesselox"},
    {16, Expect::Value, 0, nullptr},
    {20, Expect::ListOfString, 0, ""},
    {24, Expect::ListOfZero, 0, nullptr},
    {28, Expect::ListOfZero, 0, nullptr},
    {32, Expect::ListOfZero, 0, nullptr},
    {36, Expect::Value, 0, nullptr},
    {40, Expect::ListOfString, 0, "interleace"},
    {44, Expect::ListOfZero, 0, nullptr},
    {48, Expect::Code, 0, nullptr},
    {64, Expect::Code, 0, nullptr},
    // Shift JIS, byte for byte.
    {84, Expect::String, 0, "tx\x83\x74\x83\x42\x83\x8B\x83\x5E version 0.01"},
};

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

TEST_F(ModuleTableTest, EveryWordHoldsItsValueAndUnnamedWordsAreZero) {
  const void* table = getTable();
  std::array<bool, kTableBytes / 4> named{};
  for (const Slot& slot : kNamedSlots) {
    SCOPED_TRACE("offset " + std::to_string(slot.offset));
    named[slot.offset / 4] = true;
    const void* address = AddressAt(table, slot.offset);
    switch (slot.kind) {
      case Expect::Value:
        EXPECT_EQ(WordAt(table, slot.offset), slot.value);
        break;
      case Expect::String:
        ASSERT_NE(address, nullptr);
        EXPECT_EQ(std::string(static_cast<const char*>(address)), slot.text);
        break;
      case Expect::ListOfString: {
        ASSERT_NE(address, nullptr);
        const void* first = AddressAt(address, 0);
        ASSERT_NE(first, nullptr);
        EXPECT_EQ(std::string(static_cast<const char*>(first)), slot.text);
        break;
      }
      case Expect::ListOfZero:
        ASSERT_NE(address, nullptr);
        EXPECT_EQ(WordAt(address, 0), 0u);
        break;
      case Expect::Code:
        EXPECT_TRUE(InsideModule(session.Module(), address));
        break;
    }
  }
  for (std::size_t word = 0; word < named.size(); ++word) {
    if (!named[word]) {
      EXPECT_EQ(WordAt(table, word * 4), 0u) << "offset " << word * 4;
    }
  }
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
