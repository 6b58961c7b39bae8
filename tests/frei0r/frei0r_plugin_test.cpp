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

// What one parameter, reached by its name as melt and GStreamer reach it, does to a 10 x 8
// frame: the copy the model must find, the rest at its default (the whole frame, unchanged).
struct Named {
  const char* name;  // none: every parameter at its default
  double value;
  CopyRequest expected;  // x, y: corner, extent, src corner, extent, phase
};

// clang-format off
const Named kNamed[] = {
    {nullptr,      0,    {{0, 10, 0, 10, 0}, {0, 8, 0, 8, 0}}},
    {"src left",   0.2,  {{0, 10, 2, 10, 0}, {0, 8, 0, 8, 0}}},
    {"src top",    0.25, {{0, 10, 0, 10, 0}, {0, 8, 2, 8, 0}}},
    {"src width",  0.5,  {{0, 10, 0, 5, 0},  {0, 8, 0, 8, 0}}},
    {"src height", 0.5,  {{0, 10, 0, 10, 0}, {0, 8, 0, 4, 0}}},
    {"dst left",   0.3,  {{3, 10, 0, 10, 0}, {0, 8, 0, 8, 0}}},
    {"dst top",    0.5,  {{0, 10, 0, 10, 0}, {4, 8, 0, 8, 0}}},
    {"dst width",  0.5,  {{0, 5, 0, 10, 0},  {0, 8, 0, 8, 0}}},
    {"dst height", 0.25, {{0, 10, 0, 10, 0}, {0, 2, 0, 8, 0}}},
    {"mirror x",   1,    {{9, -10, 0, 10, 0}, {0, 8, 0, 8, 0}}},
    {"mirror y",   1,    {{0, 10, 0, 10, 0}, {7, -8, 0, 8, 0}}},
    {"phase x",    0.5,  {{0, 10, 0, 10, 5}, {0, 8, 0, 8, 0}}},
    {"phase y",    0.5,  {{0, 10, 0, 10, 0}, {0, 8, 0, 8, 4}}},
};
// clang-format on

TEST(Frei0rPluginTest, EachParameterByItsNameDoesWhatItsNameSays) {
  ASSERT_NE(Library(), nullptr) << dlerror();
  f0r_plugin_info_t info{};
  F0R(f0r_get_plugin_info)(&info);
  f0r_instance_t probe = F0R(f0r_construct)(0, 0);  // as GStreamer probes while registering
  ASSERT_NE(probe, nullptr);
  F0R(f0r_destruct)(probe);
  constexpr std::int32_t kW = 10, kH = 8;
  const std::uint8_t fill[4] = {0, 0, 0, 0};
  std::vector<std::uint32_t> in(static_cast<std::size_t>(kW) * kH);
  for (std::uint32_t k = 0; k < in.size(); ++k) in[k] = 0x5AA50000u ^ (k * 0x9E3779B1u);
  const PlaneView src{reinterpret_cast<std::uint8_t*>(in.data()), kW, kH, kW * 4, 4};
  for (const Named& n : kNamed) {
    SCOPED_TRACE(n.name != nullptr ? n.name : "defaults");
    int index = -1;
    for (int k = 0; k < info.num_params && n.name != nullptr; ++k) {
      f0r_param_info_t param{};
      F0R(f0r_get_param_info)(&param, k);
      if (std::strcmp(param.name, n.name) == 0) index = k;
    }
    ASSERT_TRUE(n.name == nullptr || index >= 0) << "no parameter of that name";
    f0r_instance_t instance = F0R(f0r_construct)(kW, kH);
    double value = n.value;
    if (index >= 0) F0R(f0r_set_param_value)(instance, &value, index);
    std::vector<std::uint32_t> out(in.size(), 0x77777777u);
    F0R(f0r_update)(instance, 0.0, in.data(), out.data());
    const auto expected = ExpectedPlane(src, n.expected, kW, kH, fill);
    EXPECT_EQ(0, std::memcmp(out.data(), expected.data(), expected.size()));
    F0R(f0r_destruct)(instance);
  }
}

struct Geometry {
  const char* what;
  std::int32_t w, h;                           // the frame's size
  std::vector<std::pair<int, double>> params;  // (index, value), set in order
  CopyRequest expected;                        // x, y: corner, extent, src corner, extent, phase
  std::vector<std::pair<int, const char*>> names = {};  // the fit and the sampling, after params
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
    {"a fit keeps the mirror, not the destination", 10, 8, {{2, 0.5}, {6, 0.5}, {8, 1}},
     {{6, -5, 0, 5, 0}, {0, 8, 0, 8, 0}}, {{12, "integer"}}},
    {"centre sampling; unknown names ignored", 10, 8, {{6, 0.3}},
     {{0, 3, 1, 10, 2}, {0, 8, 0, 8, 0}}, {{12, "Contain"}, {13, "center"}, {13, "middle"}}},
};
// clang-format on

TEST(Frei0rPluginTest, GeometriesMatchTheModelInFreshAndInPlaceFrames) {
  ASSERT_NE(Library(), nullptr) << dlerror();
  const std::uint8_t fill[4] = {0, 0, 0, 0};
  for (const Geometry& g : kGeometries) {
    SCOPED_TRACE(g.what);
    f0r_instance_t instance = F0R(f0r_construct)(g.w, g.h);
    for (auto [index, value] : g.params) F0R(f0r_set_param_value)(instance, &value, index);
    for (auto [index, text] : g.names) {
      f0r_param_string name = const_cast<char*>(text);
      F0R(f0r_set_param_value)(instance, &name, index);
    }
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
