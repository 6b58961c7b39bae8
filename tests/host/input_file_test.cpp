#include "host/io/input_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "host/io/io_error.h"
#include "host/io/output_file.h"
#include "host/io/picture_file.h"
#include "host/io/utf8_path.h"
#include "host/io/y4m_stream.h"
#include "scratch_folder.h"

namespace tesselox::io {
namespace {

using test::ScratchFolder;

TEST(InputFileTest, KindComesFromTheFirstByteWithoutConsumingIt) {
  ScratchFolder folder;
  const auto png = EncodePng(Picture(3, 2));
  ScratchFolder::Write(folder / "a.png", std::string(png.begin(), png.end()));
  ScratchFolder::Write(folder / "a.y4m", "YUV4MPEG2 W1 H1 C444\nFRAME\nabc");
  {
    InputFile in(folder / "a.png");
    EXPECT_EQ(in.Kind(), InputKind::Picture);
    EXPECT_EQ(ReadPicture(in.Stream(), in.Name()).width, 3);
  }
  {
    InputFile in(folder / "a.y4m");
    EXPECT_EQ(in.Kind(), InputKind::Y4m);
    Y4mReader reader(in.Stream(), in.Name());
    Picture frame;
    EXPECT_TRUE(reader.ReadFrame(frame));
  }
}

TEST(InputFileTest, MissingEmptyOrFolderInputsAreErrors) {
  ScratchFolder folder;
  ScratchFolder::Write(folder / "empty", "");
  const struct {
    std::string path;
    const char* message;
    bool atOpen;
  } cases[] = {
      {folder / "missing.png", "missing.png: no such file", true},
      {folder / "日本/なし.png", "日本/なし.png: no such file", true},
      {folder / "", "is a folder", true},
      {folder / "empty", "empty input", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    try {
      InputFile in(c.path);
      EXPECT_FALSE(c.atOpen);
      in.Kind();
      ADD_FAILURE() << "no error";
    } catch (const IoError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
  }
}

TEST(InputFileTest, NamesInAnyScriptOpenAndAClosedInputMayBeReplaced) {
  for (const std::string name : {"日本.png", "café au lait.png", "ü ß/ç.png"}) {
    SCOPED_TRACE(name);
    ScratchFolder folder;
    const auto png = EncodePng(Picture(5, 4));
    std::filesystem::create_directories(PathFromUtf8(folder / "ü ß"));
    ScratchFolder::Write(folder / name, std::string(png.begin(), png.end()));
    InputFile in(folder / name);
    EXPECT_EQ(in.Name(), folder / name);
    ASSERT_EQ(in.Kind(), InputKind::Picture);
    EXPECT_EQ(ReadPicture(in.Stream(), in.Name()).width, 5);
    in.Close();
    OutputFile out(folder / name);
    out.Stream() << "new";
    out.Commit();
    EXPECT_EQ(ScratchFolder::Read(folder / name), "new");
  }
}

}  // namespace
}  // namespace tesselox::io
