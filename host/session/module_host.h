#pragma once

// Plays the host to a filter module: loads any module that exports GetFilterTable, gives it an
// owner window and a configuration window, answers its host services and calls its frame
// callback. Everything runs on the calling thread; one ModuleHost drives one module.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "filter/parameters.h"
#include "host/session/frame_buffers.h"
#include "plugin/host_interface.h"

namespace tesselox::host {

struct FieldControls {
  HWND label = nullptr;
  HWND edit = nullptr;
  HWND upDown = nullptr;
};

struct FieldRange {
  std::int32_t low = 0;
  std::int32_t high = 0;
};

struct WindowMessage {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

class ModuleHost {
 public:
  ModuleHost();
  ~ModuleHost();  // Unload(), then DestroyWindows()
  ModuleHost(const ModuleHost&) = delete;
  ModuleHost& operator=(const ModuleHost&) = delete;

  // LoadLibrary, then GetFilterTable; `path` is UTF-8. On failure returns false and Error()
  // says why in words ("cannot load PATH: no such file").
  // The host's copy of the table gets hostServices and moduleInstance filled in.
  bool Load(const std::string& path);
  bool Loaded() const { return module_ != nullptr; }
  const std::string& Error() const { return error_; }
  HMODULE Module() const { return module_; }
  // The module's own table (as GetFilterTable returned it) and the host's copy of it.
  const FilterTable* ModuleTable() const { return moduleTable_; }
  FilterTable& HostTable() { return block_.table; }

  // Service 40 answers this largest frame size (1920 x 1440 unless set).
  void SetLargestFrame(std::int32_t width, std::int32_t height);
  // Service 25 answers this value (0 unless set) and then calls the hook, if any.
  void SetEditUpdatedAnswer(std::int32_t answer) { editUpdatedAnswer_ = answer; }
  void SetEditUpdatedHook(std::function<void()> hook) { editUpdatedHook_ = std::move(hook); }
  int EditUpdatedCalls() const { return editUpdatedCalls_; }
  int FrameLimitsCalls() const { return frameLimitsCalls_; }
  void* LastFrameLimitsEditHandle() const { return lastFrameLimitsEditHandle_; }

  // Makes the owner window and the configuration window (client area windowWidth x
  // windowHeight from the table, owned by the owner window, hidden). From WM_NCCREATE on, every
  // message of the configuration window goes to the module's windowProc, with EditHandle() and
  // the host's table, and then to DefWindowProc. Call after Load().
  bool CreateWindows();
  void ShowWindows();
  void DestroyWindows();
  HWND OwnerWindow() const { return owner_; }
  HWND ConfigWindow() const { return config_; }
  // The edit handle the host passes to the window procedure and service 40.
  void* EditHandle() { return this; }
  // What windowProc last returned for a message (0 if never sent).
  std::int32_t LastWindowProcResult(UINT message) const;
  // EN_UPDATE notifications the configuration window has received from the edit boxes, and
  // what windowProc returned for the last of them.
  int EditUpdateNotifications() const { return editUpdateNotifications_; }
  std::int32_t LastEditUpdateResult() const { return lastEditUpdateResult_; }
  // Every message the owner window has received, oldest first.
  const std::vector<WindowMessage>& OwnerMessages() const { return ownerMessages_; }
  void ClearOwnerMessages() { ownerMessages_.clear(); }

  // Sends HOST_INIT_MESSAGE to the configuration window.
  void SendInit();

  // A field's controls, found by the identifiers 40000 + 2k and 40000 + 2k + 1 (the label:
  // the STATIC control 60 pixels left of the edit box); or found from the label's text.
  FieldControls Field(FieldId id) const;
  FieldControls FieldByLabel(const std::string& label) const;
  std::string FieldText(FieldId id) const;
  FieldRange Range(FieldId id) const;
  // Replaces the text directly (WM_SETTEXT), bypassing the keyboard filter and length limit.
  void SetFieldText(FieldId id, const std::string& text);
  // Selects the field's whole text and types keys into it as WM_CHAR messages, as a person
  // would: through the module's keystroke filter and the edit box's length limit.
  void TypeIntoField(FieldId id, const std::string& keys);

  // Calls the module's frameCallback with the host's table and the frame's record.
  std::int32_t ProcessFrame(FrameBuffers& frame);
  std::int32_t ProcessFrame(FrameRecord& record);

  // Dispatches every queued message of this thread.
  void PumpMessages();

  // FreeLibrary. The windows stay; their messages no longer reach the module.
  void Unload();

 private:
  // The host's table comes first, so a service handed the table's address finds the session.
  struct HostBlock {
    FilterTable table;
    HostServices services;
    ModuleHost* session;
  };

  static std::int32_t __cdecl EditUpdated(FilterTable* hostTable);
  static std::int32_t __cdecl GetFrameLimits(void* editHandle, void* buffer);
  static LRESULT CALLBACK ConfigProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static ModuleHost* FromWindow(HWND window);

  HMODULE module_ = nullptr;
  const FilterTable* moduleTable_ = nullptr;
  std::string error_;
  HostBlock block_{};
  HWND owner_ = nullptr;
  HWND config_ = nullptr;
  std::int32_t largestWidth_ = 1920;
  std::int32_t largestHeight_ = 1440;
  std::int32_t editUpdatedAnswer_ = 0;
  std::function<void()> editUpdatedHook_;
  int editUpdatedCalls_ = 0;
  int frameLimitsCalls_ = 0;
  int editUpdateNotifications_ = 0;
  std::int32_t lastEditUpdateResult_ = 0;
  void* lastFrameLimitsEditHandle_ = nullptr;
  std::map<UINT, std::int32_t> windowProcResults_;
  std::vector<WindowMessage> ownerMessages_;
};

}  // namespace tesselox::host
