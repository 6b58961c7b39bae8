// A soak of the loaded module: frames of random sizes, with random edits between them (keys
// typed at random places, texts set directly), the module reloaded now and then with random
// largest frame sizes, and every output checked against the model. TESSELOX_SOAK_FRAMES sets
// the number of frames (1500 unless set), TESSELOX_SOAK_SEED the random seed.

#include <windows.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "module_test.h"

namespace tesselox::test {
namespace {

// The value a refreshed field must hold: inside low..high, or high when the range is empty.
void ExpectWithin(std::int32_t value, std::int64_t low, std::int64_t high, const char* field) {
  if (low > high) {
    EXPECT_EQ(value, high) << field;
  } else {
    EXPECT_GE(value, low) << field;
    EXPECT_LE(value, high) << field;
  }
}

class Soak {
 public:
  explicit Soak(unsigned seed) : rng_(seed) {}

  int Between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }

  std::int32_t RandomLargest() {
    switch (Between(0, 5)) {
      case 0:
        return Between(-10, 40);  // below the fields' lower bound of 32
      case 1:
        return INT_MAX;
      default:
        return Between(32, 2000);
    }
  }

  std::string RandomText() {
    static const std::vector<std::string> hostile = {
        "",           "-",     "+",     ".",        "-0",   "+-1",      "1e3",  " 5", "1,440",
        "2147483648", "99999", "-9999", "\x82\x4F", "\xE9", "12345678", "0012", "+7", "5 "};
    switch (Between(0, 3)) {
      case 0:
        return hostile[Between(0, static_cast<int>(hostile.size()) - 1)];
      case 1:
        return std::to_string(Between(-80, 80));
      case 2:
        return std::to_string(Between(-99999, 99999));
      default: {
        std::string text;
        for (int n = Between(0, 7); n > 0; --n) text += static_cast<char>(Between(1, 255));
        return text;
      }
    }
  }

  void RandomEdit(LoadedModule& session) {
    const auto field = static_cast<FieldId>(Between(0, kFieldCount - 1));
    const HWND edit = EditOf(session, field);
    if (Between(0, 1) == 0) {
      SetText(session, field, RandomText());
      return;
    }
    static const char kKeys[] = "0123456789+-.,\b\t xa";
    const int length = GetWindowTextLengthA(edit);
    const int start = Between(0, length);
    SendMessageA(edit, EM_SETSEL, start, Between(start, length));
    for (int n = Between(1, 6); n > 0; --n) {
      const unsigned code = Between(0, 9) == 0 ? static_cast<unsigned>(Between(0, 255))
                                               : static_cast<unsigned char>(kKeys[Between(0, 18)]);
      SendMessageA(edit, WM_CHAR, code, 1);
    }
  }

  FrameShape RandomShape() {
    FrameShape s{Between(1, 64), Between(1, 48), 0, 0};
    s.width = Between(0, 9) == 0 ? Between(-8, s.capW + 8) : Between(1, s.capW);
    s.height = Between(0, 9) == 0 ? Between(-8, s.capH + 8) : Between(1, s.capH);
    return s;
  }

 private:
  std::mt19937 rng_;
};

TEST(ReliabilitySoakTest, RandomEditsBetweenCheckedFrames) {
  const long frames = EnvOr("TESSELOX_SOAK_FRAMES", 1500);
  const auto seed = static_cast<unsigned>(EnvOr("TESSELOX_SOAK_SEED", 20261207));
  constexpr long kFramesPerLoad = 500;
  Soak soak(seed);
  std::unique_ptr<LoadedModule> session;
  long edits = 0, loads = 0;
  for (long n = 0; n < frames; ++n) {
    if (n % kFramesPerLoad == 0) {
      session.reset();
      const std::int32_t maxW = soak.RandomLargest(), maxH = soak.RandomLargest();
      session = StartModule(true, maxW, maxH);
      ASSERT_TRUE(session->Loaded());
      ++loads;
      // "width" and "height" take the host's largest frame as their upper bound at init, and
      // their initial value clamped low bound first.
      for (auto [id, largest, initial] :
           {std::tuple{FieldId::Width, maxW, 640}, std::tuple{FieldId::Height, maxH, 360}}) {
        const host::FieldRange range = RangeOf(*session, id);
        EXPECT_EQ(range.low, 32);
        EXPECT_EQ(range.high, largest);
        EXPECT_EQ(ExpectedRead(TextOf(*session, id)), std::min(std::max(initial, 32), largest));
      }
    }
    for (int k = soak.Between(0, 3); k > 0; --k, ++edits) soak.RandomEdit(*session);
    const FrameShape shape = soak.RandomShape();
    SCOPED_TRACE("frame " + std::to_string(n) + " (seed " + std::to_string(seed) + "), capacity " +
                 std::to_string(shape.capW) + "x" + std::to_string(shape.capH) + ", frame " +
                 std::to_string(shape.width) + "x" + std::to_string(shape.height));
    const ParameterValues v = CheckedFrame(*session, shape);
    const std::int64_t w = shape.width, h = shape.height, cw = shape.capW, ch = shape.capH;
    ExpectWithin(v[Index(FieldId::SrcX)], -w, w, "src x");
    ExpectWithin(v[Index(FieldId::SrcY)], -h, h, "src y");
    ExpectWithin(v[Index(FieldId::SrcCx)], -w, w, "src cx");
    ExpectWithin(v[Index(FieldId::SrcCy)], -h, h, "src cy");
    ExpectWithin(v[Index(FieldId::DstX)], -cw, cw, "dst x");
    ExpectWithin(v[Index(FieldId::DstY)], -ch, ch, "dst y");
    ExpectWithin(v[Index(FieldId::DstCx)], -cw, cw, "dst cx");
    ExpectWithin(v[Index(FieldId::DstCy)], -ch, ch, "dst cy");
    ExpectWithin(v[Index(FieldId::PhaseX)], 0, std::llabs(v[Index(FieldId::DstCx)]), "phase x");
    ExpectWithin(v[Index(FieldId::PhaseY)], 0, std::llabs(v[Index(FieldId::DstCy)]), "phase y");
    if (HasFailure()) return;
  }
  std::printf("soak: %ld frames checked, %ld random edits, %ld loads, seed %u\n", frames, edits,
              loads, seed);
}

}  // namespace
}  // namespace tesselox::test
