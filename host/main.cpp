// tesselox-host: loads a filter module and runs it on a picture, the built-in test pattern or a
// Y4M stream. See --help.

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "host/io/io_error.h"
#include "host/io/options.h"
#include "host/run.h"

namespace {

// The host keeps text as UTF-8; Windows hands the arguments over as UTF-16.
std::string Utf8FromWide(const wchar_t* wide) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return {};
  std::string text(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, text.data(), size, nullptr, nullptr);
  text.pop_back();  // the terminating zero
  return text;
}

}  // namespace

// wmain, not main: the C runtime's main receives the arguments in the ANSI code page, where a
// name in another script arrives as '?'.
int wmain(int argc, wchar_t** argv) {
  // Pictures and video pass through the standard streams untranslated.
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  std::ios::sync_with_stdio(false);

  std::vector<std::string> args;
  for (int k = 1; k < argc; ++k) args.push_back(Utf8FromWide(argv[k]));
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
  std::ostream& report = options.out == "-" ? std::cerr : std::cout;
  return tesselox::host::RunHost(options, report, std::cerr);
}
