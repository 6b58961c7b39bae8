#pragma once

// Starting the real module in the test host, as the tests of the module need it: a session that
// records what passes between it and the module, and finds the module's fields by FieldId.

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "module/parameters.h"
#include "host/session/module_session.h"

namespace tesselox::test {

inline std::string ModulePath() {
  return TESSELOX_MODULE_PATH;
}

struct WindowMessage {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

class LoadedModule : public host::ModuleSession, private host::SessionObserver {
 public:
  LoadedModule() { SetObserver(this); }
  ~LoadedModule() override { SetObserver(nullptr); }

  // The module's fields in FieldId order, which is the order it makes them in.
  using host::ModuleSession::Field;
  using host::ModuleSession::FieldText;
  using host::ModuleSession::Range;
  using host::ModuleSession::SetFieldText;
  using host::ModuleSession::TypeIntoField;
  host::SpinField Field(FieldId id) const { return Field(Index(id)); }
  std::string FieldText(FieldId id) const { return FieldText(Index(id)); }
  host::FieldRange Range(FieldId id) const { return Range(Index(id)); }
  void SetFieldText(FieldId id, const std::string& text) { SetFieldText(Index(id), text); }
  void TypeIntoField(FieldId id, const std::string& keys) { TypeIntoField(Index(id), keys); }

  // editUpdated answers this value (0 unless set).
  void SetEditUpdatedAnswer(std::int32_t answer) { editUpdatedAnswer_ = answer; }
  int EditUpdatedCalls() const { return editUpdatedCalls_; }
  int FrameLimitsCalls() const { return frameLimitsCalls_; }
  void* LastFrameLimitsEditHandle() const { return lastFrameLimitsEditHandle_; }
  // What windowProc last returned for a message (0 if never sent).
  std::int32_t LastWindowProcResult(UINT message) const {
    const auto found = windowProcResults_.find(message);
    return found == windowProcResults_.end() ? 0 : found->second;
  }
  // EN_UPDATE notifications the configuration window has received from the edit boxes, and
  // what windowProc returned for the last of them.
  int EditUpdateNotifications() const { return editUpdateNotifications_; }
  std::int32_t LastEditUpdateResult() const { return lastEditUpdateResult_; }
  // Every message the owner window has received, oldest first.
  const std::vector<WindowMessage>& OwnerMessages() const { return ownerMessages_; }
  void ClearOwnerMessages() { ownerMessages_.clear(); }

 private:
  std::int32_t EditUpdated() override {
    ++editUpdatedCalls_;
    return editUpdatedAnswer_;
  }
  void FrameLimitsAsked(void* editHandle) override {
    ++frameLimitsCalls_;
    lastFrameLimitsEditHandle_ = editHandle;
  }
  void WindowProcReturned(UINT message, WPARAM wParam, std::int32_t result) override {
    windowProcResults_[message] = result;
    if (message == WM_COMMAND && HIWORD(wParam) == EN_UPDATE) {
      ++editUpdateNotifications_;
      lastEditUpdateResult_ = result;
    }
  }
  void OwnerMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    ownerMessages_.push_back(WindowMessage{message, wParam, lParam});
  }

  std::int32_t editUpdatedAnswer_ = 0;
  int editUpdatedCalls_ = 0;
  int frameLimitsCalls_ = 0;
  void* lastFrameLimitsEditHandle_ = nullptr;
  int editUpdateNotifications_ = 0;
  std::int32_t lastEditUpdateResult_ = 0;
  std::map<UINT, std::int32_t> windowProcResults_;
  std::vector<WindowMessage> ownerMessages_;
};

// Loads the module and makes its windows; with init, also sends the initialisation message
// with the given largest frame. Fails the test (and returns what it has) on a load failure.
inline std::unique_ptr<LoadedModule> StartModule(
    bool init = true, std::int32_t largestWidth = io::kDefaultLargestFrame.width,
    std::int32_t largestHeight = io::kDefaultLargestFrame.height) {
  auto session = std::make_unique<LoadedModule>();
  if (!session->Load(ModulePath())) {
    ADD_FAILURE() << session->Error();
    return session;
  }
  session->SetLargestFrame(largestWidth, largestHeight);
  EXPECT_TRUE(session->CreateWindows());
  if (init) session->SendInit();
  return session;
}

}  // namespace tesselox::test
