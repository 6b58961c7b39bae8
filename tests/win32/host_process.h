#pragma once

// Runs tesselox-host.exe as a user would: a separate process with its own standard streams,
// which the tests fill and read through files. Arguments and paths are UTF-8 and reach the
// program whole, through the wide calls.

#include <windows.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "host/io/utf8_path.h"

namespace tesselox::test {

struct HostResult {
  DWORD exitCode = 0xFFFFFFFF;
  std::string out;  // standard output
  std::string err;  // standard error, lines ending in '\n'
};

inline std::string Quote(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
  std::string quoted(1, '"');
  quoted += arg;
  quoted += '"';
  return quoted;
}

inline std::wstring Wide(const std::string& utf8) {
  return io::PathFromUtf8(utf8).wstring();
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(io::PathFromUtf8(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs the host with `args`; standard input comes from the file `stdinPath` (empty: nothing),
// standard output and error go to files in `folder`.
// The host runs in `folder`, so its default output lands there. `whileRunning`, if given, is
// called with the program's process id once it has started, and the program is then awaited.
// `program` is the host program to run, the built one unless given.
inline HostResult RunHostProgram(const std::vector<std::string>& args, const std::string& folder,
                                 const std::string& stdinPath = "",
                                 const std::function<void(DWORD)>& whileRunning = nullptr,
                                 const std::string& program = TESSELOX_HOST_PATH) {
  std::string command = Quote(program);
  for (const std::string& arg : args) {
    command += ' ';
    command += Quote(arg);
  }
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  const std::string outPath = folder + "\\stdout.bin", errPath = folder + "\\stderr.txt";
  const std::string inPath = stdinPath.empty() ? folder + "\\empty-stdin" : stdinPath;
  if (stdinPath.empty()) std::ofstream(io::PathFromUtf8(inPath), std::ios::binary).flush();
  HANDLE in = CreateFileW(Wide(inPath).c_str(), GENERIC_READ, FILE_SHARE_READ, &inherit,
                          OPEN_EXISTING, 0, nullptr);
  HANDLE out =
      CreateFileW(Wide(outPath).c_str(), GENERIC_WRITE, 0, &inherit, CREATE_ALWAYS, 0, nullptr);
  HANDLE err =
      CreateFileW(Wide(errPath).c_str(), GENERIC_WRITE, 0, &inherit, CREATE_ALWAYS, 0, nullptr);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process{};
  HostResult result;
  std::wstring line = Wide(command);
  if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, Wide(folder).c_str(),
                     &startup, &process)) {
    if (whileRunning) whileRunning(process.dwProcessId);
    if (WaitForSingleObject(process.hProcess, 120000) != WAIT_OBJECT_0) {
      TerminateProcess(process.hProcess, 99);
      WaitForSingleObject(process.hProcess, INFINITE);
    }
    GetExitCodeProcess(process.hProcess, &result.exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(in);
  CloseHandle(out);
  CloseHandle(err);
  result.out = ReadFile(outPath);
  result.err = ReadFile(errPath);
  return result;
}

}  // namespace tesselox::test
