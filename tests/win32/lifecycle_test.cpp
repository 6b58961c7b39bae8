#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "loaded_module.h"

namespace tesselox::test {
namespace {

std::vector<HWND> AllControls(const LoadedModule& session) {
  std::vector<HWND> controls;
  for (int k = 0; k < kFieldCount; ++k) {
    const auto f = session.Field(static_cast<FieldId>(k));
    controls.insert(controls.end(), {f.label, f.edit, f.upDown});
  }
  return controls;
}

HMODULE LoadedModuleHandle() {
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT, ModulePath().c_str(), &module);
  return module;
}

TEST(LifecycleTest, LoadInitialiseFramesThenUnloadTearsEverythingDown) {
  auto session = StartModule();
  ASSERT_TRUE(session->Loaded());
  const std::vector<HWND> controls = AllControls(*session);
  for (HWND c : controls) ASSERT_TRUE(IsWindow(c));
  const auto font = reinterpret_cast<HGDIOBJ>(SendMessageA(controls[1], WM_GETFONT, 0, 0));
  ASSERT_EQ(GetObjectType(font), static_cast<DWORD>(OBJ_FONT));
  host::FrameBuffers frame(320, 240);
  for (int k = 0; k < 3; ++k) {
    frame.SetFrameSize(320, 240);
    EXPECT_EQ(session->ProcessFrame(frame), 1);
  }
  EXPECT_TRUE(frame.GuardsIntact());
  ASSERT_NE(LoadedModuleHandle(), nullptr);

  session->Unload();
  EXPECT_EQ(LoadedModuleHandle(), nullptr);
  for (HWND c : controls) EXPECT_FALSE(IsWindow(c));
  EXPECT_EQ(GetObjectType(font), 0u);
  EXPECT_TRUE(IsWindow(session->ConfigWindow()));
  EXPECT_EQ(GetWindow(session->ConfigWindow(), GW_CHILD), nullptr);
  session->PumpMessages();
}

TEST(LifecycleTest, LoadAndUnloadWithoutInitialisationHarmsNothing) {
  const struct {
    bool windows;
    bool frame;
  } cases[] = {{false, false}, {true, false}, {false, true}, {true, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.windows) + std::to_string(c.frame));
    LoadedModule session;
    ASSERT_TRUE(session.Load(ModulePath())) << session.Error();
    if (c.windows) {
      ASSERT_TRUE(session.CreateWindows());
    }
    if (c.frame) {
      // Before the fields exist every field reads 0: a 0 x 0 frame, nothing else written.
      host::FrameBuffers frame(64, 48);
      frame.SetFrameSize(64, 48);
      EXPECT_EQ(session.ProcessFrame(frame), 1);
      EXPECT_EQ(frame.Record().width, 0);
      EXPECT_EQ(frame.Record().height, 0);
      EXPECT_TRUE(frame.GuardsIntact());
    }
    session.Unload();
    EXPECT_EQ(LoadedModuleHandle(), nullptr);
    session.DestroyWindows();
  }
}

TEST(LifecycleTest, EveryLoadStartsFromTheInitialValues) {
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    auto session = StartModule();
    ASSERT_TRUE(session->Loaded());
    EXPECT_EQ(session->FieldText(FieldId::SrcCx), "1440");
    EXPECT_EQ(session->FieldText(FieldId::PhaseY), "0");
    session->TypeIntoField(FieldId::SrcCx, "77");
    EXPECT_EQ(session->FieldText(FieldId::SrcCx), "77");
  }
}

TEST(LifecycleTest, UnloadAfterTheHostDestroyedTheWindow) {
  auto session = StartModule();
  ASSERT_TRUE(session->Loaded());
  const HWND edit = session->Field(FieldId::DstCx).edit;
  session->DestroyWindows();
  EXPECT_FALSE(IsWindow(edit));
  session->Unload();
  EXPECT_EQ(LoadedModuleHandle(), nullptr);
}

TEST(LifecycleTest, LoadFailuresSayWhy) {
  const struct {
    std::string path;
    const char* says;
  } cases[] = {
      {"Z:/nonexistent/Tesselox.auf", "cannot load"},
      {"kernel32.dll", "does not export GetFilterTable"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    LoadedModule session;
    EXPECT_FALSE(session.Load(c.path));
    EXPECT_FALSE(session.Loaded());
    EXPECT_NE(session.Error().find(c.says), std::string::npos) << session.Error();
  }
}

}  // namespace
}  // namespace tesselox::test
