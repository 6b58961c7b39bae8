#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "filter/copy_plan.h"
#include "filter/plane_view.h"
#include "frei0r/parameter_table.h"

namespace tesselox::frei0r {

// One plug-in instance: a frame size, the parameter values and the plan they make. Building
// one allocates nothing beyond itself; a frame allocates nothing either, except once, the first
// time a host hands the same buffer in and out (the copy then needs the input kept aside).
class FilterInstance {
 public:
  FilterInstance(unsigned width, unsigned height);

  // Out-of-range indices are ignored (set) or read as 0 (get).
  void Set(int index, double value);
  double Get(int index) const;

  // Renders `in` into `out`, both width x height RGBA pixels with packed rows. Calls on one
  // instance are serialised: frei0r forbids concurrent ones, but MLT's slice threading makes
  // them, and two threads replanning at once would mix two plans.
  void Update(const std::uint8_t* in, std::uint8_t* out);

 private:
  PlaneView Plane(const std::uint8_t* bytes) const;
  // True when this call looks like one band of a frame that the host slices into bands, each
  // handed over as a whole frame: calls overlapping in time, or buffers exactly one
  // instance frame apart from the previous call's, in and out alike.
  bool LooksSliced(const std::uint8_t* in, const std::uint8_t* out, bool concurrent);

  std::int32_t width_ = 0;  // 0 x 0 when the host's size cannot be a frame in memory
  std::int32_t height_ = 0;
  ParamValues values_ = InitialValues();
  CopyPlan plan_{};
  bool planned_ = false;
  std::vector<std::uint8_t> kept_;  // the input of an in-place frame
  std::mutex updating_;
  std::uintptr_t lastIn_ = 0;
  std::uintptr_t lastOut_ = 0;
};

}  // namespace tesselox::frei0r
