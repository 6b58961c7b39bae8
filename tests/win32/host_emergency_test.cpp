// tesselox-host.exe run as its own process where runs go wrong: frames larger than a 32-bit
// host holds, and modules that fault. Every such run must end at once with one line on
// standard error, a non-zero status and no output file, temporary ones included.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "host_process.h"
#include "scratch_folder.h"

namespace tesselox::test {
namespace {

using io::test::ScratchFolder;

// The host's statuses for an error and for a fault (host/crash_guard.h).
constexpr DWORD kFailed = 1;
constexpr DWORD kFault = 3;

// Sets an environment variable for the programs this test starts; the old value comes back
// when it goes.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const std::string& value) : name_(name) {
    SetEnvironmentVariableA(name, value.empty() ? nullptr : value.c_str());
  }
  ~ScopedVariable() { SetEnvironmentVariableA(name_, nullptr); }
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

 private:
  const char* name_;
};

// Every file left in `folder` whose name starts with `prefix`: outputs and their temporaries.
std::vector<std::string> FilesStartingWith(const std::string& folder, const std::string& prefix) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind(prefix, 0) == 0) names.push_back(name);
  }
  return names;
}

void ExpectOneLine(const std::string& text) {
  EXPECT_FALSE(text.empty());
  EXPECT_EQ(text.find('\n'), text.size() - 1) << "not one line: " << text;
}

std::string Y4m(std::int32_t width, std::int32_t height, int frames) {
  std::string s = "YUV4MPEG2 W";
  s += std::to_string(width);
  s += " H";
  s += std::to_string(height);
  s += " F25:1 C444\n";
  for (int f = 0; f < frames; ++f) {
    s += "FRAME\n";
    s.append(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3,
             static_cast<char>(0x50 + f));
  }
  return s;
}

std::uint32_t Crc32(const std::string& bytes) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (const char c : bytes) {
    crc ^= static_cast<std::uint8_t>(c);
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

std::string BigEndian(std::uint32_t v) {
  return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
          static_cast<char>(v)};
}

std::string Chunk(const std::string& type, const std::string& data) {
  return BigEndian(static_cast<std::uint32_t>(data.size())) + type + data +
         BigEndian(Crc32(type + data));
}

// A valid black 1-bit greyscale PNG of width x height that stays small at any size: its zlib
// stream is one fixed-Huffman block of one literal 0 and then copies of 258 bytes at distance 1.
std::string BlackPng(std::uint32_t width, std::uint32_t height) {
  const std::uint64_t total = std::uint64_t{height} * (1 + (width + 7) / 8);  // filter byte + row
  std::string deflate;
  std::uint32_t bits = 0;
  int used = 0;
  auto put = [&](std::uint32_t value, int count) {  // LSB first
    for (int k = 0; k < count; ++k) {
      bits |= ((value >> k) & 1u) << used;
      if (++used == 8) {
        deflate += static_cast<char>(bits);
        bits = 0;
        used = 0;
      }
    }
  };
  auto code = [&](std::uint32_t value, int count) {  // Huffman codes go most significant first
    for (int k = count - 1; k >= 0; --k) put((value >> k) & 1u, 1);
  };
  put(1, 1);      // the last block
  put(1, 2);      // fixed Huffman codes
  code(0x30, 8);  // literal 0
  std::uint64_t left = total - 1;
  for (; left >= 258; left -= 258) {
    code(0xC5, 8);  // length 258
    code(0, 5);     // distance 1
  }
  for (; left > 0; --left) code(0x30, 8);
  code(0, 7);  // end of block
  if (used > 0) deflate += static_cast<char>(bits);
  // Adler-32 of zeros: a stays 1, b adds 1 per byte.
  const std::uint32_t adler = static_cast<std::uint32_t>(total % 65521) << 16 | 1u;
  const std::string zlib = std::string("\x78\x01", 2) + deflate + BigEndian(adler);
  const std::string header =
      BigEndian(width) + BigEndian(height) + std::string("\x01\x00\x00\x00\x00", 5);
  return std::string("\x89PNG\r\n\x1a\n", 8) + Chunk("IHDR", header) + Chunk("IDAT", zlib) +
         Chunk("IEND", "");
}

TEST(HostEmergencyTest, FramesTooLargeForTheHostAreRefusedBeforeAllocation) {
  const struct {
    const char* what;
    std::vector<std::string> args;  // "@" stands for the scratch folder
    const char* output;
    std::vector<std::string> said;  // each must appear in the line
  } cases[] = {
      {"capacity from a wide input and a tall --max",
       {"--in", "@/wide.y4m", "--max", "1024x8192"},
       "result.y4m",
       {"frame buffers of 16384x8192 (the larger of --max 1024x8192 and the input 16384x16 per "
        "side) exceed the host's limit of 67108864 pixels"}},
      {"video frame", {"--in", "@/huge.y4m"}, "result.y4m", {"16384", "67108864"}},
      // Refused from its header, which names the size: so the small black picture is read.
      {"picture", {"--in", "@/huge.png"}, "result.png", {"16384"}},
  };
  ScratchFolder folder;
  ScratchFolder::Write(folder / "wide.y4m", Y4m(16384, 16, 1));
  ScratchFolder::Write(folder / "huge.y4m", "YUV4MPEG2 W16384 H16384 F25:1 C444\nFRAME\n");
  ScratchFolder::Write(folder / "huge.png", BlackPng(16384, 16384));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::string> args;
    for (const std::string& a : c.args) args.push_back(a[0] == '@' ? folder / a.substr(2) : a);
    args.push_back("--out");
    args.push_back(folder / c.output);
    const HostResult run = RunHostProgram(args, folder / "");
    EXPECT_EQ(run.exitCode, kFailed) << run.err;
    ExpectOneLine(run.err);
    for (const std::string& part : c.said)
      EXPECT_NE(run.err.find(part), std::string::npos) << run.err;
    EXPECT_EQ(FilesStartingWith(folder / "", "result"), std::vector<std::string>{});
  }
}

TEST(HostEmergencyTest, AFaultingModuleEndsTheRunWithOneLineAndNoOutput) {
  const struct {
    const char* fault;
    const char* atFrame;
    const char* input;  // "": the test pattern
    const char* output;
    const char* said;
    bool moduleSpeaks = false;  // the module's runtime writes lines of its own first
  } cases[] = {
      // The first frame is shown to the module before any output file exists; the second runs
      // with the temporary output open.
      {"access", "1", "", "result.png", "access violation (0xc0000005) writing 0x00000000 at 0x"},
      {"access", "2", "", "result.png", "in tesselox_faulting_module.auf"},
      {"access", "3", "clip.y4m", "result.y4m", "access violation"},
      {"stack", "2", "", "result.png", "stack overflow (0xc00000fd)"},
      // The module's own runtime cannot pass the exception on; it reports it and aborts.
      {"throw", "2", "", "result.png", "abort() was called", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.fault) + " at frame " + c.atFrame);
    ScratchFolder folder;
    ScratchFolder::Write(folder / "clip.y4m", Y4m(64, 48, 5));
    ScopedVariable fault("TESSELOX_FAULT", c.fault);
    ScopedVariable at("TESSELOX_FAULT_AT_FRAME", c.atFrame);
    std::vector<std::string> args = {"--module", TESSELOX_FAULTING_MODULE_PATH, "--out",
                                     folder / c.output};
    if (*c.input != '\0') {
      args.push_back("--in");
      args.push_back(folder / c.input);
    }
    const HostResult run = RunHostProgram(args, folder / "");
    EXPECT_EQ(run.exitCode, kFault) << run.err;
    const std::size_t lastLine = c.moduleSpeaks ? run.err.rfind('\n', run.err.size() - 2) + 1 : 0;
    ExpectOneLine(run.err.substr(lastLine));
    EXPECT_EQ(run.err.find("tesselox-host: the run stopped", lastLine), lastLine) << run.err;
    EXPECT_NE(run.err.find(c.said, lastLine), std::string::npos) << run.err;
    EXPECT_EQ(FilesStartingWith(folder / "", "result"), std::vector<std::string>{});
  }
}

}  // namespace
}  // namespace tesselox::test
