// The plug-in as a host loads it: dlopen, the f0r_* entry points, frames of RGBA pixels.

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "source_model.h"

extern "C" {
#include <frei0r.h>
}

namespace tesselox::test {
namespace {

class Plugin {
 public:
  Plugin() : library_(dlopen(TESSELOX_FREI0R_PLUGIN, RTLD_NOW | RTLD_LOCAL)) {}
  ~Plugin() {
    if (library_ != nullptr) dlclose(library_);
  }
  bool Loaded() const { return library_ != nullptr; }

  template <typename F>
  F* Get(const char* name) const {
    return reinterpret_cast<F*>(dlsym(library_, name));
  }

 private:
  void* library_;
};

const Plugin& Loaded() {
  static const Plugin plugin;
  return plugin;
}

#define F0R(name) (*Loaded().Get<decltype(name)>(#name))

// An instance that renders `in` into a frame of its own size.
class Instance {
 public:
  Instance(std::int32_t w, std::int32_t h) : handle_(F0R(f0r_construct)(w, h)) {}
  ~Instance() { F0R(f0r_destruct)(handle_); }
  f0r_instance_t Handle() const { return handle_; }
  void Set(int index, double value) { F0R(f0r_set_param_value)(handle_, &value, index); }
  double Get(int index) const {
    double value = -7;
    F0R(f0r_get_param_value)(handle_, &value, index);
    return value;
  }
  void Update(const std::uint8_t* in, std::uint8_t* out) {
    F0R(f0r_update)
    (handle_, 0.0, reinterpret_cast<const std::uint32_t*>(in),
     reinterpret_cast<std::uint32_t*>(out));
  }

 private:
  f0r_instance_t handle_;
};

TEST(Frei0rPluginTest, DescribesAFilterWithTwelveParametersInHostOrder) {
  ASSERT_TRUE(Loaded().Loaded()) << dlerror();
  f0r_plugin_info_t info{};
  F0R(f0r_get_plugin_info)(&info);
  EXPECT_STREQ(info.name, "tesselox");
  EXPECT_EQ(info.plugin_type, F0R_PLUGIN_TYPE_FILTER);
  EXPECT_EQ(info.color_model, F0R_COLOR_MODEL_RGBA8888);
  EXPECT_EQ(info.frei0r_version, FREI0R_MAJOR_VERSION);
  ASSERT_EQ(info.num_params, 12);

  struct Row {
    const char* name;
    int type;
    double initial;
  };
  // clang-format off
  const Row rows[] = {
      {"src left", F0R_PARAM_DOUBLE, 0}, {"src top", F0R_PARAM_DOUBLE, 0},
      {"src width", F0R_PARAM_DOUBLE, 1}, {"src height", F0R_PARAM_DOUBLE, 1},
      {"dst left", F0R_PARAM_DOUBLE, 0}, {"dst top", F0R_PARAM_DOUBLE, 0},
      {"dst width", F0R_PARAM_DOUBLE, 1}, {"dst height", F0R_PARAM_DOUBLE, 1},
      {"mirror x", F0R_PARAM_BOOL, 0}, {"mirror y", F0R_PARAM_BOOL, 0},
      {"phase x", F0R_PARAM_DOUBLE, 0}, {"phase y", F0R_PARAM_DOUBLE, 0}};
  // clang-format on
  Instance probe(0, 0);  // what GStreamer builds while it registers plug-ins
  ASSERT_NE(probe.Handle(), nullptr);
  for (int k = 0; k < 12; ++k) {
    SCOPED_TRACE(k);
    f0r_param_info_t param{};
    F0R(f0r_get_param_info)(&param, k);
    EXPECT_STREQ(param.name, rows[k].name);
    EXPECT_EQ(param.type, rows[k].type);
    EXPECT_EQ(probe.Get(k), rows[k].initial);
  }
}

struct Geometry {
  const char* what;
  std::int32_t w, h;
  std::vector<std::pair<int, double>> params;  // (index, value), set in order
  CopyRequest expected;                        // x, y: corner, extent, src corner, extent, phase
};

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr std::int32_t kHeld = 1 << 30;

// clang-format off
const Geometry kGeometries[] = {
    {"defaults pass the frame", 13, 7, {}, {{0, 13, 0, 13, 0}, {0, 7, 0, 7, 0}}},
    {"to the nearest pixel, halves away from 0", 10, 8,
     {{0, 0.149}, {2, 0.551}, {4, 0.26}, {6, 0.44}, {1, 0.1875}, {3, 0.3124}, {5, 0.0625}},
     {{3, 4, 1, 6, 0}, {1, 8, 2, 2, 0}}},
    {"crop into a corner, halved", 16, 8, {{2, 0.5}, {3, 0.5}, {0, 0.25}, {6, 0.25}, {7, 0.25}},
     {{0, 4, 4, 8, 0}, {0, 2, 0, 4, 0}}},
    {"mirror keeps the destination's pixels", 10, 8, {{4, 0.2}, {6, 0.5}, {8, 1}, {9, 0.49}},
     {{6, -5, 0, 10, 0}, {0, 8, 0, 8, 0}}},
    {"a negative extent mirrors, mirror y undoes it", 10, 8, {{5, 0.75}, {7, -0.5}, {9, 0.5}},
     {{0, 10, 0, 10, 0}, {3, 4, 0, 8, 0}}},
    {"phase in destination extents", 10, 9, {{2, 0.3}, {6, 0.7}, {10, 0.5}, {3, 0.5}, {11, 0.3}},
     {{0, 7, 0, 3, 4}, {0, 9, 0, 5, 3}}},
    {"phase held within 0..extent", 10, 9, {{2, 0.3}, {10, -0.25}, {3, 0.5}, {11, 1.5}},
     {{0, 10, 0, 3, 0}, {0, 9, 0, 5, 9}}},
    {"rectangles reach past the frame", 12, 6, {{0, -0.5}, {2, 2}, {4, -0.25}, {6, 1.5}},
     {{-3, 18, -6, 24, 0}, {0, 6, 0, 6, 0}}},
    {"NaN is 0, the infinite is held", 12, 6, {{0, kNaN}, {2, kInf}, {10, kInf}, {1, kNaN}, {11, -kInf}},
     {{0, 12, 0, kHeld, 12}, {0, 6, 0, 6, 0}}},
};
// clang-format on

// Every pixel differs in all four bytes, alpha included.
std::vector<std::uint8_t> Tagged(std::int32_t w, std::int32_t h) {
  std::vector<std::uint8_t> frame;
  for (std::int32_t y = 0; y < h; ++y) {
    for (std::int32_t x = 0; x < w; ++x) {
      frame.insert(frame.end(),
                   {static_cast<std::uint8_t>(x + 1), static_cast<std::uint8_t>(y + 1),
                    static_cast<std::uint8_t>(x ^ 0x5A), static_cast<std::uint8_t>(y ^ 0xA5)});
    }
  }
  return frame;
}

TEST(Frei0rPluginTest, GeometriesMatchTheModelInFreshAndInPlaceFrames) {
  ASSERT_TRUE(Loaded().Loaded()) << dlerror();
  const std::uint8_t fill[4] = {0, 0, 0, 0};
  for (const Geometry& g : kGeometries) {
    SCOPED_TRACE(g.what);
    Instance instance(g.w, g.h);
    for (const auto& [index, value] : g.params) instance.Set(index, value);
    std::vector<std::uint8_t> in = Tagged(g.w, g.h);
    const PlaneView src{in.data(), g.w, g.h, g.w * 4, 4};
    const auto expected = ExpectedPlane(src, g.expected, g.w, g.h, fill);

    std::vector<std::uint8_t> out(in.size(), 0x77);
    instance.Update(in.data(), out.data());
    EXPECT_EQ(out, expected);
    instance.Update(in.data(), in.data());  // a host may hand one buffer in and out
    EXPECT_EQ(in, expected);
  }
}

}  // namespace
}  // namespace tesselox::test
