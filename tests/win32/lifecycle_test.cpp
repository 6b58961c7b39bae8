// The module's life in a host: load, initialise, frames, unload, and the faults a host may
// commit on the way (frames before the initialisation message or before any window, odd frame
// records, unloading without initialising, the configuration window destroyed before the module
// is unloaded, a module that cannot be loaded).

#include <windows.h>

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "module_test.h"

namespace tesselox::test {
namespace {

std::vector<HWND> AllControls(const LoadedModule& session) {
  std::vector<HWND> controls;
  for (const FieldId id : kFieldIds) {
    const auto f = session.Field(id);
    controls.insert(controls.end(), {f.label, f.edit, f.upDown});
  }
  return controls;
}

HMODULE LoadedModuleHandle() {
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT, ModulePath().c_str(), &module);
  return module;
}

void ExpectAllZero(const ParameterValues& values) {
  for (const FieldId id : kFieldIds) EXPECT_EQ(values[Index(id)], 0) << Label(id);
}

// Unloading takes the fields and the font with it, while the host's windows remain.
TEST(LifecycleTest, LoadInitialiseFramesThenUnloadTearsEverythingDown) {
  auto session = StartModule();
  ASSERT_TRUE(session->Loaded());
  const std::vector<HWND> controls = AllControls(*session);
  for (HWND c : controls) ASSERT_TRUE(IsWindow(c));
  const HFONT font = FieldFont(*session);
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
  EXPECT_EQ(GetObjectType(font), 0u) << "the field font outlived the module";
  EXPECT_TRUE(IsWindow(session->ConfigWindow()));
  EXPECT_EQ(ChildCount(session->ConfigWindow()), 0) << "controls outlived the module";
  session->PumpMessages();
}

TEST(LifecycleTest, LoadAndUnloadWithoutInitialisationHarmsNothing) {
  const struct {
    const char* name;
    bool windows;
    bool frame;
  } cases[] = {{"load, unload", false, false},
               {"windows made", true, false},
               {"a frame without windows", false, true},
               {"a frame with windows", true, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
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
    EXPECT_FALSE(session.Loaded());
    EXPECT_EQ(LoadedModuleHandle(), nullptr);
    if (c.windows) {
      EXPECT_EQ(ChildCount(session.ConfigWindow()), 0);
    }
    session.DestroyWindows();
  }
}

// Frame records of every odd shape: sizes beyond the buffers, zero, negative and extreme.
const FrameShape kOddShapes[] = {
    {64, 48, 60, 40},
    {64, 48, 64, 48},
    {16, 12, 100, 90},
    {16, 12, 0, 0},
    {16, 12, -5, -9},
    {16, 12, INT_MIN, INT_MIN},
    {16, 12, INT_MAX, INT_MAX},
    {0, 0, 20, 12},
    {-4, -4, 20, 12},
    {1, 1, 1, 1},
    {24, 1, 24, 5},
    {0, 16, 0, 16},
};

std::string Describe(const FrameShape& s) {
  return "capacity " + std::to_string(s.capW) + "x" + std::to_string(s.capH) + ", frame " +
         std::to_string(s.width) + "x" + std::to_string(s.height);
}

TEST(LifecycleTest, FramesBeforeInitialisationRenderNothing) {
  for (bool windows : {false, true}) {
    auto session = std::make_unique<LoadedModule>();
    ASSERT_TRUE(session->Load(ModulePath())) << session->Error();
    if (windows) {
      ASSERT_TRUE(session->CreateWindows());
    }
    for (const FrameShape& shape : kOddShapes) {
      SCOPED_TRACE(std::string(windows ? "windows made" : "no windows") + ", " + Describe(shape));
      ExpectAllZero(CheckedFrame(*session, shape));
    }
  }
}

TEST(LifecycleTest, HostileFrameRecordsAfterInitialisation) {
  auto session = StartModule();
  ASSERT_TRUE(session->Loaded());
  for (int round = 0; round < 2; ++round) {  // the second round starts from the first's fields
    for (const FrameShape& shape : kOddShapes) {
      SCOPED_TRACE("round " + std::to_string(round) + ", " + Describe(shape));
      CheckedFrame(*session, shape);
    }
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

TEST(LifecycleTest, WindowDestroyedBeforeUnload) {
  {
    auto session = StartModule();
    ASSERT_TRUE(session->Loaded());
    const HWND edit = EditOf(*session, FieldId::DstCx);
    CheckedFrame(*session, FrameShape{64, 48, 60, 40});
    session->DestroyWindows();
    EXPECT_FALSE(IsWindow(edit));
    // The fields went with the window: frames read every field as 0 and draw nothing.
    ExpectAllZero(CheckedFrame(*session, FrameShape{64, 48, 60, 40}));
    session->Unload();  // the teardown meets handles that no longer exist
    EXPECT_EQ(LoadedModuleHandle(), nullptr);
  }
  // The process carries on: a new load starts from the initial values.
  auto session = StartModule();
  ASSERT_TRUE(session->Loaded());
  EXPECT_EQ(TextOf(*session, FieldId::SrcCx), "1440");
  EXPECT_EQ(TextOf(*session, FieldId::DstCx), "640");
  CheckedFrame(*session, FrameShape{64, 48, 60, 40});
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
