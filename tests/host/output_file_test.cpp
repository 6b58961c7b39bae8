#include "host/io/output_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "host/io/io_error.h"
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
  } cases[] = {
      {"new file", "a.png", std::nullopt, true, "data", 1},
      {"replaces", "a.png", "old", true, "data", 1},
      {"abandoned new file", "a.png", std::nullopt, false, std::nullopt, 0},
      {"abandoned keeps the old file", "a.png", "old", false, "old", 1},
      {"makes folders", "x/y/a.png", std::nullopt, true, "data", 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchFolder folder;
    const std::string target = folder / c.target;
    if (c.before) ScratchFolder::Write(target, *c.before);
    {
      OutputFile out(target);
      EXPECT_FALSE(out.IsStdout());
      out.Stream() << "da";
      // Nothing shows under the target's name while writing.
      EXPECT_EQ(std::filesystem::exists(target), c.before.has_value());
      out.Stream() << "ta";
      if (c.commit) out.Commit();
    }
    EXPECT_EQ(std::filesystem::exists(target), c.after.has_value());
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

TEST(OutputFileTest, UnwritableTargetsAreErrors) {
  ScratchFolder folder;
  std::filesystem::create_directories(folder / "dir");
  ScratchFolder::Write(folder / "file", "x");
  for (const std::string& target : {folder / "dir", folder / "file/below.png"}) {
    SCOPED_TRACE(target);
    EXPECT_THROW(OutputFile{target}, IoError);
  }
  EXPECT_TRUE(std::filesystem::is_directory(folder / "dir"));
  EXPECT_EQ(ScratchFolder::Read(folder / "file"), "x");
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
      {InputKind::Image, "-", true},      {InputKind::Image, "a/b.png", true},
      {InputKind::Image, "B.PNG", true},  {InputKind::Image, "b.y4m", false},
      {InputKind::Image, "b.jpg", false}, {InputKind::Image, "png", false},
      {InputKind::Y4m, "-", true},        {InputKind::Y4m, "c.y4m", true},
      {InputKind::Y4m, "c.Y4M", true},    {InputKind::Y4m, "out/tesselox.png", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.out);
    if (c.ok) {
      EXPECT_NO_THROW(CheckOutputPath(c.kind, c.out));
    } else {
      EXPECT_THROW(CheckOutputPath(c.kind, c.out), IoError);
    }
  }
}

}  // namespace
}  // namespace tesselox::io
