#include "host/crash_guard.h"

#include <windows.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <exception>
#include <io.h>

#include "host/io/io_error.h"
#include "host/io/temporary_files.h"
#include "host/open_line.h"

namespace tesselox::host {
namespace {

// The thread that began an emergency exit; 0 while none has.
std::atomic<DWORD> emergencyThread{0};

const char* FaultName(DWORD code) {
  switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
      return "access violation";
    case EXCEPTION_STACK_OVERFLOW:
      return "stack overflow";
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
      return "integer division by zero";
    case EXCEPTION_ILLEGAL_INSTRUCTION:
      return "illegal instruction";
    case EXCEPTION_PRIV_INSTRUCTION:
      return "privileged instruction";
    case EXCEPTION_IN_PAGE_ERROR:
      return "page error";
    case EXCEPTION_BREAKPOINT:
      return "breakpoint";
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
      return "array bounds exceeded";
    case EXCEPTION_FLT_DIVIDE_BY_ZERO:
    case EXCEPTION_FLT_INVALID_OPERATION:
    case EXCEPTION_FLT_OVERFLOW:
      return "floating-point fault";
    default:
      return "exception";
  }
}

void WriteError(const char* text, int length) {
  if (length <= 0) return;
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), text, static_cast<DWORD>(length), &written, nullptr);
}

void RemoveFile(const io::NativeChar* path, void*) {
  DeleteFileW(path);
}

// Writes `line`, removes the temporary output files and ends the process with `status`. Only
// the first caller gets through; a second emergency on another thread waits for the first to
// end the process, one on the same thread (a fault while ending) ends it at once.
[[noreturn]] void EndRun(const char* line, int length, int status) {
  const DWORD self = GetCurrentThreadId();
  DWORD none = 0;
  if (!emergencyThread.compare_exchange_strong(none, self)) {
    if (none != self) Sleep(10000);
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(status));
  }
  // On a line of its own, also when the stream's progress line is open.
  if (LineOpen()) WriteError("\n", 1);
  WriteError(line, length);
  // The main thread may still be running (a console event arrives on a thread of its own):
  // with standard error closed, whatever it makes of the files closing under it stays unsaid.
  _close(2);
  // A file is removed only once no one has it open, and the open streams are out of reach.
  _fcloseall();
  io::ForEachTemporaryFile(RemoveFile, nullptr);
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(status));
  for (;;) Sleep(INFINITE);
}

// "Tesselox.auf" for an address inside it; "" when no module holds the address.
void ModuleNameAt(const void* address, char* name, int size) {
  name[0] = '\0';
  HMODULE module = nullptr;
  wchar_t path[MAX_PATH] = {};
  if (!GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          static_cast<LPCWSTR>(address), &module) ||
      GetModuleFileNameW(module, path, MAX_PATH) == 0) {
    return;
  }
  const wchar_t* base = path;
  for (const wchar_t* c = path; *c != L'\0'; ++c) {
    if (*c == L'\\' || *c == L'/') base = c + 1;
  }
  if (WideCharToMultiByte(CP_UTF8, 0, base, -1, name, size, nullptr, nullptr) == 0) name[0] = '\0';
}

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* info) {
  const EXCEPTION_RECORD& record = *info->ExceptionRecord;
  char module[MAX_PATH];
  ModuleNameAt(record.ExceptionAddress, module, sizeof module);
  char access[64] = "";
  if (record.ExceptionCode == EXCEPTION_ACCESS_VIOLATION && record.NumberParameters >= 2) {
    const ULONG_PTR kind = record.ExceptionInformation[0];
    std::snprintf(access, sizeof access, " %s 0x%08lx",
                  kind == 0   ? "reading"
                  : kind == 8 ? "executing"
                              : "writing",
                  static_cast<unsigned long>(record.ExceptionInformation[1]));
  }
  char line[512];
  const int length = std::snprintf(
      line, sizeof line, "tesselox-host: the run stopped: %s (0x%08lx)%s at 0x%08lx%s%s\n",
      FaultName(record.ExceptionCode), static_cast<unsigned long>(record.ExceptionCode), access,
      static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(record.ExceptionAddress)),
      module[0] != '\0' ? " in " : "", module);
  EndRun(line, length < static_cast<int>(sizeof line) ? length : sizeof line - 1, kExitFault);
}

BOOL WINAPI OnConsoleControl(DWORD event) {
  static const char kLine[] = "tesselox-host: interrupted\n";
  if (event == CTRL_LOGOFF_EVENT) return FALSE;  // another user's logoff, seen by services
  EndRun(kLine, sizeof kLine - 1, kExitInterrupted);
}

void OnTerminate() {
  char line[512];
  const char* what = "an exception of unknown type";
  try {
    if (std::current_exception()) std::rethrow_exception(std::current_exception());
    what = "no exception (std::terminate)";
  } catch (const std::exception& e) {
    what = e.what();
  } catch (...) {
  }
  const int length =
      std::snprintf(line, sizeof line, "tesselox-host: the run stopped: uncaught exception: %s\n",
                    io::Printable(what, 200).c_str());
  EndRun(line, length < static_cast<int>(sizeof line) ? length : sizeof line - 1, kExitFault);
}

// abort(), also from a module's runtime: the C runtime DLL is shared.
void OnAbort(int) {
  static const char kLine[] = "tesselox-host: the run stopped: abort() was called\n";
  EndRun(kLine, sizeof kLine - 1, kExitFault);
}

}  // namespace

void InstallCrashGuard() {
  // No error dialog for anything that slips past the handlers below.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  SetUnhandledExceptionFilter(OnUnhandledException);
  SetConsoleCtrlHandler(OnConsoleControl, TRUE);
  std::set_terminate(OnTerminate);
  std::signal(SIGABRT, OnAbort);
}

}  // namespace tesselox::host
