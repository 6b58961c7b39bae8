#include "host/session/module_host.h"

#include <commctrl.h>

#include <cstring>
#include <string>

#include "ui/field_table.h"

namespace tesselox::host {
namespace {

constexpr char kOwnerClass[] = "TesseloxHostOwner";
constexpr char kConfigClass[] = "TesseloxHostConfig";
constexpr int kLabelOffset = 60;  // the label lies this far left of its edit box

// The session whose window is being created: its first messages arrive before
// CreateWindowExA returns, and before the window could carry the session itself.
ModuleHost* creatingSession = nullptr;

bool RegisterClassOnce(const char* name, WNDPROC proc) {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = proc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = name;
  return RegisterClassExA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

std::string WindowText(HWND window) {
  char text[256] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

std::wstring WideFromUtf8(const std::string& text) {
  const int size =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
  return wide;
}

std::string Utf8FromWide(const std::wstring& wide) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), size,
                      nullptr, nullptr);
  return text;
}

// Why LoadLibraryW refused the file, in words.
std::string LoadFailure(const std::wstring& path, DWORD code) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  if (exists && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return "it is a folder";
  switch (code) {
    case ERROR_MOD_NOT_FOUND:
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return exists ? "a library it needs is missing" : "no such file";
    case ERROR_BAD_EXE_FORMAT:
      return "not a 32-bit Windows module";
    case ERROR_DLL_INIT_FAILED:
      return "its initialisation failed";
    default:
      break;
  }
  wchar_t* text = nullptr;
  std::wstring words;
  if (FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                         FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr) != 0) {
    words = text;
    LocalFree(text);
  }
  while (!words.empty() && (words.back() == L'\n' || words.back() == L'\r' ||
                            words.back() == L' ' || words.back() == L'.')) {
    words.pop_back();
  }
  const std::string number = "error " + std::to_string(code);
  return words.empty() ? number : Utf8FromWide(words) + " (" + number + ")";
}

RECT ClientRectOf(HWND window, HWND parent) {
  RECT rect{};
  GetWindowRect(window, &rect);
  MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

}  // namespace

ModuleHost::ModuleHost() {
  block_.session = this;
}

ModuleHost::~ModuleHost() {
  Unload();
  DestroyWindows();
}

bool ModuleHost::Load(const std::string& path) {
  if (module_ != nullptr) {
    error_ = "a module is already loaded";
    return false;
  }
  // The path is UTF-8; the wide call reaches names the ANSI code page cannot spell.
  const std::wstring widePath = WideFromUtf8(path);
  HMODULE module = LoadLibraryW(widePath.c_str());
  if (module == nullptr) {
    const DWORD code = GetLastError();
    error_ = "cannot load " + path + ": " + LoadFailure(widePath, code);
    return false;
  }
  using GetTable = FilterTable*(__cdecl*)();
  const auto getTable =
      reinterpret_cast<GetTable>(reinterpret_cast<void*>(GetProcAddress(module, "GetFilterTable")));
  const FilterTable* table = getTable != nullptr ? getTable() : nullptr;
  if (table == nullptr) {
    error_ = "cannot load " + path +
             (getTable == nullptr ? ": it does not export GetFilterTable, so it is no filter module"
                                  : ": its GetFilterTable returned no table");
    FreeLibrary(module);
    return false;
  }
  module_ = module;
  moduleTable_ = table;
  block_.table = *table;
  block_.table.hostServices = &block_.services;
  block_.table.moduleInstance = module;
  block_.services = HostServices{};
  block_.services.editUpdated = &ModuleHost::EditUpdated;
  block_.services.getFrameLimits = &ModuleHost::GetFrameLimits;
  error_.clear();
  return true;
}

void ModuleHost::SetLargestFrame(std::int32_t width, std::int32_t height) {
  largestWidth_ = width;
  largestHeight_ = height;
}

std::int32_t __cdecl ModuleHost::EditUpdated(FilterTable* hostTable) {
  ModuleHost* self = reinterpret_cast<HostBlock*>(hostTable)->session;
  ++self->editUpdatedCalls_;
  if (self->editUpdatedHook_) self->editUpdatedHook_();
  return self->editUpdatedAnswer_;
}

std::int32_t __cdecl ModuleHost::GetFrameLimits(void* editHandle, void* buffer) {
  auto* self = static_cast<ModuleHost*>(editHandle);
  ++self->frameLimitsCalls_;
  self->lastFrameLimitsEditHandle_ = editHandle;
  auto* bytes = static_cast<unsigned char*>(buffer);
  std::memset(bytes, 0, kFrameLimitsBufferSize);
  std::memcpy(bytes + kFrameLimitsWidthOffset, &self->largestWidth_, sizeof(std::int32_t));
  std::memcpy(bytes + kFrameLimitsHeightOffset, &self->largestHeight_, sizeof(std::int32_t));
  return 1;
}

ModuleHost* ModuleHost::FromWindow(HWND window) {
  auto* self = reinterpret_cast<ModuleHost*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (self == nullptr && creatingSession != nullptr) {
    self = creatingSession;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  return self;
}

LRESULT CALLBACK ModuleHost::ConfigProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  ModuleHost* self = FromWindow(window);
  if (self != nullptr && self->module_ != nullptr && self->block_.table.windowProc != nullptr) {
    const std::int32_t result = self->block_.table.windowProc(
        window, message, wParam, lParam, self->EditHandle(), &self->block_.table);
    self->windowProcResults_[message] = result;
    if (message == WM_COMMAND && HIWORD(wParam) == EN_UPDATE) {
      ++self->editUpdateNotifications_;
      self->lastEditUpdateResult_ = result;
    }
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK ModuleHost::OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (ModuleHost* self = FromWindow(window)) {
    self->ownerMessages_.push_back(WindowMessage{message, wParam, lParam});
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

bool ModuleHost::CreateWindows() {
  if (module_ == nullptr || config_ != nullptr) return false;
  if (!RegisterClassOnce(kOwnerClass, OwnerProc) || !RegisterClassOnce(kConfigClass, ConfigProc))
    return false;
  const DWORD ownerStyle = WS_OVERLAPPEDWINDOW;
  const DWORD configStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
  RECT frame{0, 0, block_.table.windowWidth, block_.table.windowHeight};
  AdjustWindowRectEx(&frame, configStyle, FALSE, 0);
  creatingSession = this;
  owner_ = CreateWindowExA(0, kOwnerClass, "Tesselox host", ownerStyle, 0, 0, 640, 480, nullptr,
                           nullptr, GetModuleHandleA(nullptr), nullptr);
  config_ = CreateWindowExA(0, kConfigClass, block_.table.name, configStyle, 40, 40,
                            frame.right - frame.left, frame.bottom - frame.top, owner_, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
  creatingSession = nullptr;
  return owner_ != nullptr && config_ != nullptr;
}

void ModuleHost::ShowWindows() {
  ShowWindow(owner_, SW_SHOWNOACTIVATE);
  ShowWindow(config_, SW_SHOWNOACTIVATE);
}

void ModuleHost::DestroyWindows() {
  if (config_ != nullptr) DestroyWindow(config_);
  if (owner_ != nullptr) DestroyWindow(owner_);
  config_ = owner_ = nullptr;
}

std::int32_t ModuleHost::LastWindowProcResult(UINT message) const {
  const auto found = windowProcResults_.find(message);
  return found == windowProcResults_.end() ? 0 : found->second;
}

void ModuleHost::SendInit() {
  SendMessageA(config_, HOST_INIT_MESSAGE, 0, 0);
}

FieldControls ModuleHost::Field(FieldId id) const {
  const int editId = EditId(id);
  FieldControls controls;
  controls.edit = GetDlgItem(config_, editId);
  controls.upDown = GetDlgItem(config_, editId + 1);
  if (controls.edit == nullptr) return controls;
  const RECT editRect = ClientRectOf(controls.edit, config_);
  for (HWND child = GetWindow(config_, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    const RECT rect = ClientRectOf(child, config_);
    if (GetDlgCtrlID(child) == 1 && rect.left == editRect.left - kLabelOffset &&
        rect.top == editRect.top) {
      controls.label = child;
    }
  }
  return controls;
}

FieldControls ModuleHost::FieldByLabel(const std::string& label) const {
  for (int k = 0; k < kFieldCount; ++k) {
    const FieldControls controls = Field(static_cast<FieldId>(k));
    if (controls.label != nullptr && WindowText(controls.label) == label) return controls;
  }
  return FieldControls{};
}

std::string ModuleHost::FieldText(FieldId id) const {
  return WindowText(Field(id).edit);
}

FieldRange ModuleHost::Range(FieldId id) const {
  FieldRange range;
  SendMessageA(Field(id).upDown, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&range.low),
               reinterpret_cast<LPARAM>(&range.high));
  return range;
}

void ModuleHost::SetFieldText(FieldId id, const std::string& text) {
  SendMessageA(Field(id).edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void ModuleHost::TypeIntoField(FieldId id, const std::string& keys) {
  const HWND edit = Field(id).edit;
  SendMessageA(edit, EM_SETSEL, 0, -1);
  for (const char key : keys) {
    SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(key), 1);
  }
}

std::int32_t ModuleHost::ProcessFrame(FrameBuffers& frame) {
  return ProcessFrame(frame.Record());
}

std::int32_t ModuleHost::ProcessFrame(FrameRecord& record) {
  if (module_ == nullptr || block_.table.frameCallback == nullptr) return 0;
  return block_.table.frameCallback(&block_.table, &record);
}

void ModuleHost::PumpMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

void ModuleHost::Unload() {
  if (module_ == nullptr) return;
  FreeLibrary(module_);
  module_ = nullptr;
  moduleTable_ = nullptr;
  block_.table.windowProc = nullptr;
  block_.table.frameCallback = nullptr;
}

}  // namespace tesselox::host
