// The plug-in as a host loads it: dlopen, the f0r_* entry points, frames of RGBA pixels.

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

#include "source_model.h"

extern "C" {
#include <frei0r.h>
}

namespace tesselox::test {
namespace {

void* Library() {
  static void* const library = dlopen(TESSELOX_FREI0R_PLUGIN, RTLD_NOW | RTLD_LOCAL);
  return library;
}

// The plug-in's own function of that name, with the header's signature.
#define F0R(name) (*reinterpret_cast<decltype(&name)>(dlsym(Library(), #name)))

TEST(Frei0rPluginTest, DescribesAFilterWithTwelveParametersInHostOrder) {
  ASSERT_NE(Library(), nullptr) << dlerror();
  f0r_plugin_info_t info{};
  F0R(f0r_get_plugin_info)(&info);
  EXPECT_STREQ(info.name, "tesselox");
  EXPECT_EQ(info.plugin_type, F0R_PLUGIN_TYPE_FILTER);
  EXPECT_EQ(info.color_model, F0R_COLOR_MODEL_RGBA8888);
  ASSERT_EQ(info.num_params, 12);
  const char* names[] = {"src left", "src top",  "src width", "src height",
                         "dst left", "dst top",  "dst width", "dst height",
                         "mirror x", "mirror y", "phase x",   "phase y"};
  const double initial[] = {0, 0, 1, 1, 0, 0, 1, 1, 0, 0, 0, 0};
  f0r_instance_t probe = F0R(f0r_construct)(0, 0);  // as GStreamer probes while registering
  ASSERT_NE(probe, nullptr);
  for (int k = 0; k < 12; ++k) {
    SCOPED_TRACE(k);
    f0r_param_info_t param{};
    F0R(f0r_get_param_info)(&param, k);
    EXPECT_STREQ(param.name, names[k]);
    EXPECT_EQ(param.type, k == 8 || k == 9 ? F0R_PARAM_BOOL : F0R_PARAM_DOUBLE);
    double value = -1;
    F0R(f0r_get_param_value)(probe, &value, k);
    EXPECT_EQ(value, initial[k]);
  }
  F0R(f0r_destruct)(probe);
}

struct Geometry {
  const char* what;
  std::int32_t w, h;                           // the frame's size
  std::vector<std::pair<int, double>> params;  // (index, value), set in order
  CopyRequest expected;                        // x, y: corner, extent, src corner, extent, phase
};

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr std::int32_t kHeld = 1 << 30;

// clang-format off
const Geometry kGeometries[] = {
    {"nearest, halves away from 0", 10, 8, {{0, 0.149}, {2, 0.551}, {4, 0.26}, {6, 0.44},
     {1, 0.1875}, {3, 0.3124}, {5, 0.0625}}, {{3, 4, 1, 6, 0}, {1, 8, 2, 2, 0}}},
    {"mirror x", 10, 8, {{4, 0.2}, {6, 0.5}, {8, 1}, {9, 0.49}}, {{6, -5, 0, 10, 0}, {0, 8, 0, 8, 0}}},
    {"mirror y, negative", 10, 8, {{5, 0.75}, {7, -0.5}, {9, 0.5}}, {{0, 10, 0, 10, 0}, {3, 4, 0, 8, 0}}},
    {"phase", 10, 9, {{2, 0.3}, {6, 0.7}, {10, 0.5}, {3, 0.5}, {11, 0.3}}, {{0, 7, 0, 3, 4}, {0, 9, 0, 5, 3}}},
    {"phase held", 10, 9, {{2, 0.3}, {10, -0.25}, {3, 0.5}, {11, 1.5}}, {{0, 10, 0, 3, 0}, {0, 9, 0, 5, 9}}},
    {"past the frame", 12, 6, {{0, -0.5}, {2, 2}, {4, -0.25}, {6, 1.5}}, {{-3, 18, -6, 24, 0}, {0, 6, 0, 6, 0}}},
    {"NaN and infinities", 12, 6, {{0, kNaN}, {2, kInf}, {10, kInf}, {1, kNaN}, {11, -kInf}},
     {{0, 12, 0, kHeld, 12}, {0, 6, 0, 6, 0}}},
};
// clang-format on

TEST(Frei0rPluginTest, GeometriesMatchTheModelInFreshAndInPlaceFrames) {
  ASSERT_NE(Library(), nullptr) << dlerror();
  const std::uint8_t fill[4] = {0, 0, 0, 0};
  for (const Geometry& g : kGeometries) {
    SCOPED_TRACE(g.what);
    f0r_instance_t instance = F0R(f0r_construct)(g.w, g.h);
    for (auto [index, value] : g.params) F0R(f0r_set_param_value)(instance, &value, index);
    std::vector<std::uint32_t> in(static_cast<std::size_t>(g.w) * g.h);
    for (std::uint32_t k = 0; k < in.size(); ++k) in[k] = 0x5AA50000u ^ (k * 0x9E3779B1u);
    const PlaneView src{reinterpret_cast<std::uint8_t*>(in.data()), g.w, g.h, g.w * 4, 4};
    const auto expected = ExpectedPlane(src, g.expected, g.w, g.h, fill);

    std::vector<std::uint32_t> out(in.size(), 0x77777777u);
    F0R(f0r_update)(instance, 0.0, in.data(), out.data());
    EXPECT_EQ(0, std::memcmp(out.data(), expected.data(), expected.size()));
    F0R(f0r_update)(instance, 0.0, in.data(), in.data());  // a host may filter in place
    EXPECT_EQ(0, std::memcmp(in.data(), expected.data(), expected.size()));
    F0R(f0r_destruct)(instance);
  }
}

}  // namespace
}  // namespace tesselox::test
