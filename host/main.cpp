// tesselox-host: loads a filter module and runs it on a picture, the built-in test pattern or a
// Y4M stream. See --help.

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "host/io/io_error.h"
#include "host/io/options.h"
#include "host/run.h"

int main(int argc, char** argv) {
  // Pictures and video pass through the standard streams untranslated.
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  std::ios::sync_with_stdio(false);

  tesselox::io::Options options;
  try {
    options = tesselox::io::ParseOptions(std::vector<std::string>(argv + 1, argv + argc));
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
