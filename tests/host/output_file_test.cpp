#include "host/io/output_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "host/io/io_error.h"
#include "host/io/temporary_files.h"
#include "host/io/utf8_path.h"
#include "scratch_folder.h"

namespace tesselox::io {
namespace {

using test::ScratchFolder;

TEST(OutputFileTest, OutputAppearsOnlyOnCommit) {
  const struct {
    const char* what;
    const char* target;                 // inside the scratch folder
    std::optional<std::string> before;  // an existing file's content
    bool commit;
    std::optional<std::string> after;  // what the target holds afterwards; nothing: absent
    std::size_t entries;               // files and folders left in the scratch folder
    bool makeFolder = false;
  } cases[] = {
      {"new file", "a.png", std::nullopt, true, "data", 1},
      {"replaces", "a.png", "old", true, "data", 1},
      {"abandoned new file", "a.png", std::nullopt, false, std::nullopt, 0},
      {"abandoned keeps the old file", "a.png", "old", false, "old", 1},
      {"makes folders", "x/y/a.png", std::nullopt, true, "data", 3, true},
      {"name in another script", "日本 é.png", std::nullopt, true, "data", 1},
      {"replaces a name in another script", "結果.png", "old", true, "data", 1},
      {"abandoned name in another script", "ü.png", std::nullopt, false, std::nullopt, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchFolder folder;
    const std::string target = folder / c.target;
    if (c.before) ScratchFolder::Write(target, *c.before);
    {
      OutputFile out(target, c.makeFolder);
      EXPECT_FALSE(out.IsStdout());
      out.Stream() << "da";
      // Nothing shows under the target's name while writing.
      EXPECT_EQ(ScratchFolder::Exists(target), c.before.has_value());
      out.Stream() << "ta";
      if (c.commit) out.Commit();
    }
    EXPECT_EQ(ScratchFolder::Exists(target), c.after.has_value());
    if (c.after) {
      EXPECT_EQ(ScratchFolder::Read(target), *c.after);
    }
    EXPECT_EQ(folder.Entries(), c.entries);
  }
}

TEST(OutputFileTest, TemporaryFileSitsNextToTheTarget) {
  ScratchFolder folder;
  OutputFile out(folder / "b.y4m");
  EXPECT_EQ(std::filesystem::path(out.TemporaryPath()).parent_path(),
            std::filesystem::path(folder / "b.y4m").parent_path());
  EXPECT_TRUE(std::filesystem::exists(out.TemporaryPath()));
}

std::vector<std::filesystem::path> ListedTemporaries() {
  std::vector<std::filesystem::path> paths;
  ForEachTemporaryFile(
      [](const NativeChar* path, void* context) {
        static_cast<std::vector<std::filesystem::path>*>(context)->emplace_back(path);
      },
      &paths);
  return paths;
}

TEST(OutputFileTest, TemporaryFileIsListedWhileItMayExist) {
  for (const bool commit : {false, true}) {
    SCOPED_TRACE(commit ? "committed" : "abandoned");
    ScratchFolder folder;
    {
      OutputFile out(folder / "c.png");
      EXPECT_EQ(ListedTemporaries(),
                std::vector<std::filesystem::path>{PathFromUtf8(out.TemporaryPath())});
      if (commit) {
        out.Commit();
        EXPECT_EQ(ListedTemporaries(), std::vector<std::filesystem::path>{});
      }
    }
    EXPECT_EQ(ListedTemporaries(), std::vector<std::filesystem::path>{});
  }
  // Standard output and a file that cannot be made list nothing.
  ScratchFolder folder;
  ScratchFolder::Write(folder / "file", "x");
  OutputFile out("-");
  EXPECT_THROW(OutputFile{folder / "file/below.png"}, IoError);
  EXPECT_EQ(ListedTemporaries(), std::vector<std::filesystem::path>{});
}

void SetTag(const char* value) {
#ifdef _WIN32
  _putenv_s("TESSELOX_TEMP_TAG", value == nullptr ? "" : value);
#else
  if (value == nullptr)
    unsetenv("TESSELOX_TEMP_TAG");
  else
    setenv("TESSELOX_TEMP_TAG", value, 1);
#endif
}

TEST(OutputFileTest, TemporaryNameCarriesAPlainRunTag) {
  const struct {
    const char* tag;  // nullptr: not set
    const char* start;
  } cases[] = {
      {nullptr, "d.y4m.tmp-"},
      {"1234.AbCd9_", "d.y4m.tmp-1234.AbCd9_-"},
      {"../../x", "d.y4m.tmp-"},
      {"a/b", "d.y4m.tmp-"},
      {"a b", "d.y4m.tmp-"},
      {"..", "d.y4m.tmp-"},
      {"0123456789012345678901234567890123456789x", "d.y4m.tmp-"},  // 41 characters
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.tag == nullptr ? "unset" : c.tag);
    SetTag(c.tag);
    ScratchFolder folder;
    OutputFile out(folder / "d.y4m");
    const std::string name = Utf8FromPath(PathFromUtf8(out.TemporaryPath()).filename());
    EXPECT_EQ(name.rfind(c.start, 0), 0u) << name;
    // What follows is digits and dashes only: the unique part.
    EXPECT_EQ(name.find_first_not_of("0123456789-", std::string(c.start).size()), std::string::npos)
        << name;
  }
  SetTag(nullptr);
}

TEST(OutputFileTest, UnwritableTargetsAreErrors) {
  ScratchFolder folder;
  std::filesystem::create_directories(folder / "dir");
  ScratchFolder::Write(folder / "file", "x");
  const struct {
    std::string target;
    bool makeFolder;
    std::string message;
  } cases[] = {
      {folder / "dir", false, folder / "dir" + ": is a folder"},
      {folder / "dir", true, folder / "dir" + ": is a folder"},
      {folder / "file/below.png", true,
       folder / "file/below.png" + ": " + folder / "file" + " is a file"},
      {folder / "none/a.png", false,
       folder / "none/a.png" + ": the folder " + folder / "none" + " does not exist"},
      {folder / "なし/a.png", false,
       folder / "なし/a.png" + ": the folder " + folder / "なし" + " does not exist"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.target);
    for (const bool early : {true, false}) {
      try {
        if (early) {
          CheckOutputFolder(c.target, c.makeFolder);
        } else {
          OutputFile out(c.target, c.makeFolder);
        }
        ADD_FAILURE() << "accepted";
      } catch (const IoError& e) {
        EXPECT_EQ(e.what(), c.message);
      }
    }
  }
  EXPECT_TRUE(std::filesystem::is_directory(folder / "dir"));
  EXPECT_EQ(ScratchFolder::Read(folder / "file"), "x");
  EXPECT_EQ(folder.Names(), (std::vector<std::string>{"dir", "file"}));
  EXPECT_NO_THROW(CheckOutputFolder("-", false));
  EXPECT_NO_THROW(CheckOutputFolder(folder / "dir/new.png", false));
}

TEST(OutputFileTest, SameFileSeesThroughSpellings) {
  ScratchFolder folder;
  std::filesystem::create_directories(folder / "sub");
  ScratchFolder::Write(folder / "here.png", "x");
  const struct {
    std::string a, b;
    bool same;
  } cases[] = {
      {folder / "a.png", folder / "a.png", true},
      {folder / "sub/../a.png", folder / "a.png", true},
      {folder / "sub/./b.png", folder / "sub/b.png", true},
      {folder / "here.png", folder / "sub/../here.png", true},
      {folder / "日本.png", folder / "sub/../日本.png", true},
      {folder / "a.png", folder / "b.png", false},
      {folder / "here.png", folder / "sub/here.png", false},
      {folder / "日本.png", folder / "日本 .png", false},
      {"-", "-", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.a + " vs " + c.b);
    EXPECT_EQ(SameFile(c.a, c.b), c.same);
    EXPECT_EQ(SameFile(c.b, c.a), c.same);
  }
}

TEST(OutputFileTest, DashMeansStandardOutput) {
  OutputFile out("-");
  EXPECT_TRUE(out.IsStdout());
  EXPECT_EQ(&out.Stream(), &std::cout);
}

TEST(OutputFileTest, OutputNameMustSuitTheInput) {
  const struct {
    InputKind kind;
    const char* out;
    bool ok;
  } cases[] = {
      {InputKind::Picture, "-", true},      {InputKind::Picture, "a/b.png", true},
      {InputKind::Picture, "B.PNG", true},  {InputKind::Picture, "b.y4m", false},
      {InputKind::Picture, "b.jpg", false}, {InputKind::Picture, "png", false},
      {InputKind::Y4m, "-", true},          {InputKind::Y4m, "c.y4m", true},
      {InputKind::Y4m, "c.Y4M", true},      {InputKind::Y4m, "out/tesselox.png", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.out);
    if (c.ok) {
      EXPECT_NO_THROW(CheckOutputPath(c.kind, c.out));
    } else {
      EXPECT_THROW(CheckOutputPath(c.kind, c.out), IoError);
    }
  }
  // A folder is named as such, whatever its name ends in.
  ScratchFolder folder;
  std::filesystem::create_directories(PathFromUtf8(folder / "pics.png"));
  for (const InputKind kind : {InputKind::Picture, InputKind::Y4m}) {
    try {
      CheckOutputPath(kind, folder / "pics.png");
      ADD_FAILURE() << "accepted";
    } catch (const IoError& e) {
      EXPECT_EQ(e.what(), "output " + folder / "pics.png" + ": is a folder; name a file in it");
    }
  }
}

}  // namespace
}  // namespace tesselox::io
