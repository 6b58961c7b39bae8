#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <tuple>
#include <vector>

#include "tesselox/tesselox.h"

namespace tesselox::test {
namespace {

// Every source and destination extent up to 24 either way, so whole, odd and 2-or-more shrinks
// and enlargements: index i of the drawn row holds source pixel floor((i + 1/2) s / d), counted
// along the source's direction.
TEST(FitRequestTest, CenterSamplingTakesThePixelUnderEachCentre) {
  std::vector<std::uint8_t> source(24), row(24);
  for (std::size_t k = 0; k < source.size(); ++k) source[k] = static_cast<std::uint8_t>(k + 1);
  for (std::int32_t s = -24; s <= 24; ++s) {
    for (std::int32_t d = -24; d <= 24; ++d) {
      if (s == 0 || d == 0) continue;
      SCOPED_TRACE(::testing::Message() << "src extent " << s << ", dst extent " << d);
      const std::int32_t srcCorner = s < 0 ? -s - 1 : 0, dstCorner = d < 0 ? -d - 1 : 0;
      const tesselox_request edge{srcCorner, 0, s, 1, dstCorner, 0, d, 1, 0, 0};
      tesselox_request center{};
      ASSERT_EQ(tesselox_request_fit(&center, &edge, 24, 1, nullptr, TESSELOX_FIT_NONE,
                                     TESSELOX_SAMPLING_CENTER),
                TESSELOX_OK);
      const tesselox_plane from{source.data(), std::abs(s), 1, 24, 1};
      const tesselox_plane to{row.data(), std::abs(d), 1, 24, 1};
      ASSERT_EQ(tesselox_copy_plane(&to, &from, &center, "\0"), TESSELOX_OK);
      for (std::int32_t i = 0; i < std::abs(d); ++i) {
        const std::int32_t step = (2 * i + 1) * std::abs(s) / (2 * std::abs(d));
        ASSERT_EQ(row[static_cast<std::size_t>(d < 0 ? dstCorner - i : i)],
                  source[static_cast<std::size_t>(s < 0 ? srcCorner - step : step)])
            << "index " << i;
      }
    }
  }
}

TEST(FitRequestTest, UnknownModesAndBadAspectsAreRefusedUnchanged) {
  const tesselox_request asSet{0, 0, 4, 4, 0, 0, 4, 4, 0, 0};
  const std::int32_t zeroTerm[4] = {1, 0, 1, 1};
  // frame width, aspects, fit, sampling, status
  const std::tuple<std::int32_t, const std::int32_t*, int, int, int> cases[] = {
      {8, nullptr, TESSELOX_FIT_INTEGER + 1, 0, TESSELOX_ERROR_FIT},
      {8, nullptr, -1, 0, TESSELOX_ERROR_FIT},
      {8, nullptr, 0, 2, TESSELOX_ERROR_FIT},
      {8, zeroTerm, TESSELOX_FIT_CONTAIN, 0, TESSELOX_ERROR_FIT},
      {-8, nullptr, TESSELOX_FIT_CONTAIN, 0, TESSELOX_ERROR_NEGATIVE_SIZE}};
  for (const auto& [width, aspect, fit, sampling, status] : cases) {
    SCOPED_TRACE(::testing::Message()
                 << "width " << width << ", fit " << fit << ", sampling " << sampling);
    tesselox_request got = asSet;
    EXPECT_EQ(tesselox_request_fit(&got, &asSet, width, 8, aspect, fit, sampling), status);
    EXPECT_EQ(std::memcmp(&got, &asSet, sizeof got), 0) << "changed on error";
  }
}

}  // namespace
}  // namespace tesselox::test
