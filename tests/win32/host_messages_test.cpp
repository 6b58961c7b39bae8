// What the configuration window tells the host: one call of editUpdated for each EN_UPDATE an
// edit box sends, its answer returned from the window procedure, and keys and wheel turns handed
// to the owner window as they came.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "module_test.h"

namespace tesselox::test {
namespace {

using HostMessagesTest = ModuleTest;

TEST_F(HostMessagesTest, EachAcceptedKeystrokeCallsEditUpdatedOnce) {
  const struct {
    FieldId field;
    const char* keys;
    int calls;
  } cases[] = {
      {FieldId::DstX, "7", 1},     {FieldId::DstX, "123", 3}, {FieldId::Width, "1a2b3", 3},
      {FieldId::PhaseY, "xyz", 0}, {FieldId::SrcCy, "-5", 2}, {FieldId::SrcX, "12345", 5},
      {FieldId::SrcY, "1.5", 3},
  };
  std::int32_t answer = 100;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.keys);
    session->SetEditUpdatedAnswer(++answer);
    session->SetFieldText(c.field, "");
    const int before = session->EditUpdatedCalls();
    const int notifiedBefore = session->EditUpdateNotifications();
    session->TypeIntoField(c.field, c.keys);
    EXPECT_EQ(session->EditUpdatedCalls() - before, c.calls);
    EXPECT_EQ(session->EditUpdateNotifications() - notifiedBefore, c.calls);
    if (c.calls > 0) {
      EXPECT_EQ(session->LastEditUpdateResult(), answer);
    }
  }
}

TEST_F(HostMessagesTest, EveryEditUpdateNotificationIsOneServiceCall) {
  // However many notifications the edit box sends (a keystroke refused at the length limit
  // may still send one), each is answered by one call of editUpdated.
  const char* typed[] = {"123456", "99999", "-", "", "1.2.3"};
  for (const char* keys : typed) {
    SCOPED_TRACE(keys);
    const int before = session->EditUpdatedCalls();
    const int notifiedBefore = session->EditUpdateNotifications();
    session->TypeIntoField(FieldId::DstCy, keys);
    session->SetFieldText(FieldId::DstCy, "1");
    EXPECT_EQ(session->EditUpdatedCalls() - before,
              session->EditUpdateNotifications() - notifiedBefore);
    EXPECT_GE(session->EditUpdatedCalls() - before, static_cast<int>(std::strlen(keys)));
  }
}

TEST_F(HostMessagesTest, CommandsAnswerOnlyEditUpdates) {
  session->SetEditUpdatedAnswer(4242);
  const HWND edit = session->Field(FieldId::DstCx).edit;
  const struct {
    const char* name;
    WORD code;
    std::int32_t result;
    int calls;
  } cases[] = {{"EN_UPDATE", EN_UPDATE, 4242, 1},
               {"EN_CHANGE", EN_CHANGE, 0, 0},
               {"EN_SETFOCUS", EN_SETFOCUS, 0, 0},
               {"BN_CLICKED", BN_CLICKED, 0, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const int before = session->EditUpdatedCalls();
    FilterTable& table = session->HostTable();
    const std::int32_t result = table.windowProc(
        session->ConfigWindow(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(edit), c.code),
        reinterpret_cast<LPARAM>(edit), session->EditHandle(), &table);
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(session->EditUpdatedCalls() - before, c.calls);
  }
}

TEST_F(HostMessagesTest, KeysAndWheelReachTheOwnerUnchanged) {
  const WindowMessage cases[] = {
      {WM_KEYDOWN, VK_F5, 0x003F0001},
      {WM_KEYUP, 'A', static_cast<LPARAM>(0xC01E0001)},
      {WM_MOUSEWHEEL, MAKEWPARAM(MK_SHIFT, static_cast<WORD>(-120)), MAKELPARAM(30, 40)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    session->ClearOwnerMessages();
    SendMessageA(session->ConfigWindow(), c.message, c.wParam, c.lParam);
    int seen = 0;
    for (const auto& m : session->OwnerMessages()) {
      if (m.message != c.message) continue;
      ++seen;
      EXPECT_EQ(m.wParam, c.wParam);
      EXPECT_EQ(m.lParam, c.lParam);
    }
    EXPECT_EQ(seen, 1);
    EXPECT_EQ(session->LastWindowProcResult(c.message), 0);
  }
}

}  // namespace
}  // namespace tesselox::test
