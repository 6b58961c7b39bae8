#include "host/session/module_session.h"

#include <commctrl.h>

#include <cstring>
#include <string>

#include "host/session/window_text.h"

namespace tesselox::host {
namespace {

constexpr char kOwnerClass[] = "TesseloxHostOwner";
constexpr char kConfigClass[] = "TesseloxHostConfig";

// The session whose window is being created: its first messages arrive before
// CreateWindowExA returns, and before the window could carry the session itself.
ModuleSession* creatingSession = nullptr;

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

// Why a file is no module at all, in words; empty when it may be one and LoadLibraryW is to say.
std::string NotAModule(const std::wstring& path) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  const bool disk = GetFileType(file) == FILE_TYPE_DISK;
  char head[2] = {};
  DWORD got = 0;
  if (disk && !ReadFile(file, head, sizeof head, &got, nullptr)) got = 0;
  CloseHandle(file);
  if (!disk) return "it is a device, not a file";
  if (got < 2 || head[0] != 'M' || head[1] != 'Z') return "not a Windows module (no MZ header)";
  return {};
}

bool HasClass(HWND window, const char* name) {
  char text[64] = {};
  GetClassNameA(window, text, sizeof text);
  return lstrcmpiA(text, name) == 0;
}

}  // namespace

ModuleSession::ModuleSession() {
  block_.session = this;
}

ModuleSession::~ModuleSession() {
  Unload();
  DestroyWindows();
}

bool ModuleSession::Load(const std::string& path, const std::string& shown) {
  const std::string& name = shown.empty() ? path : shown;
  if (module_ != nullptr) {
    error_ = "a module is already loaded";
    return false;
  }
  // The path is UTF-8; the wide call reaches names the ANSI code page cannot spell.
  const std::wstring widePath = WideFromUtf8(path);
  if (const std::string why = NotAModule(widePath); !why.empty()) {
    error_ = "cannot load " + name + ": " + why;
    return false;
  }
  HMODULE module = LoadLibraryW(widePath.c_str());
  if (module == nullptr) {
    const DWORD code = GetLastError();
    error_ = "cannot load " + name + ": " + LoadFailure(widePath, code);
    return false;
  }
  using GetTable = FilterTable*(__cdecl*)();
  const auto getTable =
      reinterpret_cast<GetTable>(reinterpret_cast<void*>(GetProcAddress(module, "GetFilterTable")));
  const FilterTable* table = getTable != nullptr ? getTable() : nullptr;
  if (table == nullptr) {
    error_ = "cannot load " + name +
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
  block_.services.editUpdated = &ModuleSession::EditUpdated;
  block_.services.getFrameLimits = &ModuleSession::GetFrameLimits;
  error_.clear();
  return true;
}

void ModuleSession::SetLargestFrame(std::int32_t width, std::int32_t height) {
  largestWidth_ = width;
  largestHeight_ = height;
}

std::int32_t __cdecl ModuleSession::EditUpdated(FilterTable* hostTable) {
  ModuleSession* self = reinterpret_cast<HostBlock*>(hostTable)->session;
  return self->observer_ != nullptr ? self->observer_->EditUpdated() : 0;
}

std::int32_t __cdecl ModuleSession::GetFrameLimits(void* editHandle, void* buffer) {
  auto* self = static_cast<ModuleSession*>(editHandle);
  if (self->observer_ != nullptr) self->observer_->FrameLimitsAsked(editHandle);
  auto* bytes = static_cast<unsigned char*>(buffer);
  std::memset(bytes, 0, kFrameLimitsBufferSize);
  std::memcpy(bytes + kFrameLimitsWidthOffset, &self->largestWidth_, sizeof(std::int32_t));
  std::memcpy(bytes + kFrameLimitsHeightOffset, &self->largestHeight_, sizeof(std::int32_t));
  return 1;
}

ModuleSession* ModuleSession::FromWindow(HWND window) {
  auto* self = reinterpret_cast<ModuleSession*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (self == nullptr && creatingSession != nullptr) {
    self = creatingSession;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  return self;
}

LRESULT CALLBACK ModuleSession::ConfigProc(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
  ModuleSession* self = FromWindow(window);
  if (self != nullptr && self->module_ != nullptr && self->block_.table.windowProc != nullptr) {
    const std::int32_t result = self->block_.table.windowProc(
        window, message, wParam, lParam, self->EditHandle(), &self->block_.table);
    if (self->observer_ != nullptr) self->observer_->WindowProcReturned(message, wParam, result);
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK ModuleSession::OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const ModuleSession* self = FromWindow(window);
  if (self != nullptr && self->observer_ != nullptr)
    self->observer_->OwnerMessage(message, wParam, lParam);
  return DefWindowProcA(window, message, wParam, lParam);
}

bool ModuleSession::CreateWindows() {
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

void ModuleSession::DestroyWindows() {
  if (config_ != nullptr) DestroyWindow(config_);
  if (owner_ != nullptr) DestroyWindow(owner_);
  config_ = owner_ = nullptr;
}

void ModuleSession::SendInit() {
  SendMessageA(config_, HOST_INIT_MESSAGE, 0, 0);
}

std::vector<SpinField> ModuleSession::Fields() const {
  std::vector<SpinField> fields;
  if (config_ == nullptr) return fields;
  for (HWND child = GetWindow(config_, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    if (!HasClass(child, UPDOWN_CLASSA)) continue;
    SpinField field;
    field.upDown = child;
    field.edit = reinterpret_cast<HWND>(SendMessageA(child, UDM_GETBUDDY, 0, 0));
    if (field.edit == nullptr) continue;
    // As a dialog pairs a label with the control after it.
    const HWND before = GetWindow(field.edit, GW_HWNDPREV);
    if (before != nullptr && HasClass(before, "STATIC")) field.label = before;
    fields.push_back(field);
  }
  return fields;
}

SpinField ModuleSession::Field(std::size_t index) const {
  const std::vector<SpinField> fields = Fields();
  return index < fields.size() ? fields[index] : SpinField{};
}

std::optional<std::size_t> ModuleSession::FieldIndex(const std::string& label) const {
  const std::vector<SpinField> fields = Fields();
  for (std::size_t k = 0; k < fields.size(); ++k) {
    if (fields[k].label != nullptr && WindowText(fields[k].label) == label) return k;
  }
  return std::nullopt;
}

std::string ModuleSession::FieldText(std::size_t index) const {
  return WindowText(Field(index).edit);
}

FieldRange ModuleSession::Range(std::size_t index) const {
  FieldRange range;
  SendMessageA(Field(index).upDown, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&range.low),
               reinterpret_cast<LPARAM>(&range.high));
  return range;
}

void ModuleSession::SetFieldText(std::size_t index, const std::string& text) {
  SendMessageA(Field(index).edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void ModuleSession::TypeIntoField(std::size_t index, const std::string& keys) {
  const HWND edit = Field(index).edit;
  SendMessageA(edit, EM_SETSEL, 0, -1);
  for (const char key : keys) {
    SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(key), 1);
  }
}

std::int32_t ModuleSession::ProcessFrame(FrameBuffers& frame) {
  return ProcessFrame(frame.Record());
}

std::int32_t ModuleSession::ProcessFrame(FrameRecord& record) {
  if (module_ == nullptr || block_.table.frameCallback == nullptr) return 0;
  return block_.table.frameCallback(&block_.table, &record);
}

void ModuleSession::PumpMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

void ModuleSession::Unload() {
  if (module_ == nullptr) return;
  FreeLibrary(module_);
  module_ = nullptr;
  moduleTable_ = nullptr;
  block_.table.windowProc = nullptr;
  block_.table.frameCallback = nullptr;
}

}  // namespace tesselox::host
