#pragma once

// Plays the host to a filter module: loads any module that exports GetFilterTable, gives it an
// owner window and a configuration window, answers its host services and calls its frame
// callback. Everything runs on the calling thread; one ModuleSession drives one module.

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "host/io/frame_size.h"
#include "host/session/frame_buffers.h"
#include "module/host_interface.h"

namespace tesselox::host {

// One field of the configuration window: an up-down control, the edit box it holds as its
// buddy, and the STATIC control just before that edit box in the window's child order.
struct SpinField {
  HWND label = nullptr;
  HWND edit = nullptr;
  HWND upDown = nullptr;
};

struct FieldRange {
  std::int32_t low = 0;
  std::int32_t high = 0;
};

// Told what passes between the session and its module, as it happens, on the session's thread.
// The host program re-renders its preview on an edit; tests count and record.
class SessionObserver {
 public:
  virtual ~SessionObserver() = default;
  // The module called editUpdated; what this returns goes back to the module.
  virtual std::int32_t EditUpdated() { return 0; }
  // The module asked for the largest frame, passing this edit handle.
  virtual void FrameLimitsAsked(void* /*editHandle*/) {}
  // The module's window procedure returned `result` for a message to the configuration window.
  virtual void WindowProcReturned(UINT /*message*/, WPARAM /*wParam*/, std::int32_t /*result*/) {}
  // The owner window received a message.
  virtual void OwnerMessage(UINT /*message*/, WPARAM /*wParam*/, LPARAM /*lParam*/) {}
};

class ModuleSession {
 public:
  ModuleSession();
  ~ModuleSession();  // Unload(), then DestroyWindows()
  ModuleSession(const ModuleSession&) = delete;
  ModuleSession& operator=(const ModuleSession&) = delete;

  // LoadLibrary, then GetFilterTable; `path` is UTF-8. On failure returns false and Error()
  // says why in words ("cannot load NAME: no such file"), NAME being `shown` if given.
  // The host's copy of the table gets hostServices and moduleInstance filled in.
  bool Load(const std::string& path, const std::string& shown = "");
  bool Loaded() const { return module_ != nullptr; }
  const std::string& Error() const { return error_; }
  HMODULE Module() const { return module_; }
  // The module's own table (as GetFilterTable returned it) and the host's copy of it.
  const FilterTable* ModuleTable() const { return moduleTable_; }
  FilterTable& HostTable() { return block_.table; }

  // getFrameLimits answers this largest frame size (io::kDefaultLargestFrame unless set).
  void SetLargestFrame(std::int32_t width, std::int32_t height);
  // Null for none; the observer must outlive the session or be unset first.
  void SetObserver(SessionObserver* observer) { observer_ = observer; }

  // Makes the owner window and the configuration window (client area windowWidth x
  // windowHeight from the table, owned by the owner window, hidden). From WM_NCCREATE on, every
  // message of the configuration window goes to the module's windowProc, with EditHandle() and
  // the host's table, and then to DefWindowProc. Call after Load().
  bool CreateWindows();
  void DestroyWindows();
  HWND OwnerWindow() const { return owner_; }
  HWND ConfigWindow() const { return config_; }
  // The edit handle the host passes to the window procedure and getFrameLimits.
  void* EditHandle() { return this; }

  // Sends HOST_INIT_MESSAGE to the configuration window.
  void SendInit();

  // The fields as the configuration window holds them now: every up-down control with a buddy,
  // in the window's child order (the order they were made in).
  std::vector<SpinField> Fields() const;
  // Field `index` of Fields(); no controls past the last one.
  SpinField Field(std::size_t index) const;
  // The first field whose label reads `label`.
  std::optional<std::size_t> FieldIndex(const std::string& label) const;
  std::string FieldText(std::size_t index) const;
  FieldRange Range(std::size_t index) const;
  // Replaces the text directly (WM_SETTEXT), bypassing the keyboard filter and length limit.
  void SetFieldText(std::size_t index, const std::string& text);
  // Selects the field's whole text and types keys into it as WM_CHAR messages, as a person
  // would: through the module's keystroke filter and the edit box's length limit.
  void TypeIntoField(std::size_t index, const std::string& keys);

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
    ModuleSession* session;
  };

  static std::int32_t __cdecl EditUpdated(FilterTable* hostTable);
  static std::int32_t __cdecl GetFrameLimits(void* editHandle, void* buffer);
  static LRESULT CALLBACK ConfigProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static ModuleSession* FromWindow(HWND window);

  HMODULE module_ = nullptr;
  const FilterTable* moduleTable_ = nullptr;
  std::string error_;
  HostBlock block_{};
  HWND owner_ = nullptr;
  HWND config_ = nullptr;
  std::int32_t largestWidth_ = io::kDefaultLargestFrame.width;
  std::int32_t largestHeight_ = io::kDefaultLargestFrame.height;
  SessionObserver* observer_ = nullptr;
};

}  // namespace tesselox::host
