#include "host/io/input_file.h"

#include <gtest/gtest.h>

#include <string>

#include "host/io/image_file.h"
#include "host/io/io_error.h"
#include "host/io/y4m_stream.h"
#include "scratch_folder.h"

namespace tesselox::io {
namespace {

using test::ScratchFolder;

TEST(InputFileTest, KindComesFromTheFirstByteWithoutConsumingIt) {
  ScratchFolder folder;
  const auto png = EncodePng(Image(3, 2));
  ScratchFolder::Write(folder / "a.png", std::string(png.begin(), png.end()));
  ScratchFolder::Write(folder / "a.y4m", "YUV4MPEG2 W1 H1 C444\nFRAME\nabc");
  {
    InputFile in(folder / "a.png");
    EXPECT_EQ(in.Kind(), InputKind::Image);
    EXPECT_EQ(ReadImage(in.Stream(), in.Name()).width, 3);
  }
  {
    InputFile in(folder / "a.y4m");
    EXPECT_EQ(in.Kind(), InputKind::Y4m);
    Y4mReader reader(in.Stream(), in.Name());
    Image frame;
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
      {folder / "missing.png", "cannot open", true},
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

}  // namespace
}  // namespace tesselox::io
