// tesselox-host: loads a filter module and runs it on a picture, the built-in test pattern or a
// Y4M stream. See --help.

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "host/crash_guard.h"
#include "host/file_names.h"
#include "host/io/io_error.h"
#include "host/io/option_table.h"
#include "host/io/options.h"
#include "host/run.h"
#include "host/session/window_text.h"

namespace {

// The host keeps text as UTF-8; Windows hands the arguments over as UTF-16.
int Main(const std::vector<std::string>& args) {
  tesselox::io::Options options;
  try {
    options = tesselox::io::ParseOptions(args);
  } catch (const tesselox::io::IoError& e) {
    std::cerr << "tesselox-host: " << e.what() << "\n";
    return 2;
  }
  if (options.help) {
    std::cout << tesselox::io::HelpText();
    return 0;
  }
  if (options.version) {
    std::cout << "tesselox-host " TESSELOX_VERSION "\n";
    return 0;
  }
  std::ostream& report = options.out == "-" ? std::cerr : std::cout;
  return tesselox::host::RunHost(options, report, std::cerr);
}

// scripts/run names a file in TESSELOX_DONE_FILE that the host makes when it has finished
// successfully: Wine reports a process that was ended from outside (its wineserver stopped, a
// SIGQUIT) with status 0 too.
void MarkDone() {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = GetEnvironmentVariableW(L"TESSELOX_DONE_FILE", path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  const HANDLE file =
      CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}

}  // namespace

// wmain, not main: the C runtime's main receives the arguments in the ANSI code page, where a
// name in another script arrives as '?'.
int wmain(int argc, wchar_t** argv) {
  tesselox::host::InstallCrashGuard();
  tesselox::host::SetUpFileNames();
  // Pictures and video pass through the standard streams untranslated; messages end in "\n"
  // alone, like the crash guard's, which it writes past the C runtime.
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  std::ios::sync_with_stdio(false);

  std::vector<std::string> args;
  for (int k = 1; k < argc; ++k) args.push_back(tesselox::host::Utf8FromWide(argv[k]));
  const int status = Main(args);
  std::cout.flush();
  if (status == 0) MarkDone();
  return status;
}
