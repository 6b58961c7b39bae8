// The frei0r entry points: C functions that hand over to FilterInstance. A host may call them
// in any order the API allows, so each one checks what it is given.

#include <cstdio>
#include <new>
#include <optional>
#include <string>

#include "filter/fit_request.h"

#include "frei0r/filter_instance.h"
#include "frei0r/parameter_table.h"

extern "C" {
#include <frei0r.h>
}

namespace {

using tesselox::frei0r::FilterInstance;
using tesselox::frei0r::kParamCount;
using tesselox::frei0r::kParams;
using tesselox::frei0r::ParamKind;

FilterInstance* Cast(f0r_instance_t instance) {
  return static_cast<FilterInstance*>(instance);
}

bool Known(int index) {
  return index >= 0 && index < kParamCount;
}

ParamKind KindOf(int index) {
  return kParams[static_cast<std::size_t>(index)].kind;
}

bool IsChoice(int index) {
  return KindOf(index) == ParamKind::FitChoice || KindOf(index) == ParamKind::SamplingChoice;
}

// The position of `name` among its kind's names; an unknown one is said on standard error, the
// only channel a frei0r filter has, and the value as it was is kept.
std::optional<double> ChoiceNamed(int index, const char* name) {
  const bool fit = KindOf(index) == ParamKind::FitChoice;
  const std::string_view text = name != nullptr ? name : "";
  if (fit) {
    if (const auto mode = tesselox::FitModeNamed(text)) return static_cast<double>(*mode);
  } else if (const auto sampling = tesselox::SamplingNamed(text)) {
    return static_cast<double>(*sampling);
  }
  std::fprintf(stderr, "tesselox: unknown %s \"%s\" (known: %s); keeping the value as it was\n",
               kParams[static_cast<std::size_t>(index)].name, std::string(text).c_str(),
               fit ? tesselox::FitModeNames().data() : tesselox::SamplingNames().data());
  return std::nullopt;
}

const char* ChoiceName(int index, double value) {
  const auto position = static_cast<int>(value);
  return KindOf(index) == ParamKind::FitChoice
             ? tesselox::NameOf(static_cast<tesselox::FitMode>(position)).data()
             : tesselox::NameOf(static_cast<tesselox::Sampling>(position)).data();
}

}  // namespace

extern "C" {

int f0r_init() {
  return 1;
}

void f0r_deinit() {}

void f0r_get_plugin_info(f0r_plugin_info_t* info) {
  if (info == nullptr) return;
  info->name = "tesselox";
  info->author = "Tesselox developers";
  info->plugin_type = F0R_PLUGIN_TYPE_FILTER;
  info->color_model = F0R_COLOR_MODEL_RGBA8888;
  info->frei0r_version = FREI0R_MAJOR_VERSION;
  info->major_version = TESSELOX_VERSION_MAJOR;
  info->minor_version = TESSELOX_VERSION_MINOR;
  info->num_params = kParamCount;
  info->explanation =
      "Crops a rectangle of the frame and scales it, nearest-neighbour and optionally mirrored, "
      "into a rectangle of a frame of the same size; the rest is transparent black. In MLT leave "
      "the filter's \"threads\" property unset: sliced, each band would be filtered as a whole "
      "frame";
}

void f0r_get_param_info(f0r_param_info_t* info, int index) {
  if (info == nullptr || !Known(index)) return;
  const auto& param = kParams[static_cast<std::size_t>(index)];
  info->name = param.name;
  info->type = param.kind == ParamKind::Switch ? F0R_PARAM_BOOL
               : IsChoice(index)               ? F0R_PARAM_STRING
                                               : F0R_PARAM_DOUBLE;
  info->explanation = param.explanation;
}

f0r_instance_t f0r_construct(unsigned int width, unsigned int height) {
  return new (std::nothrow) FilterInstance(width, height);
}

void f0r_destruct(f0r_instance_t instance) {
  delete Cast(instance);
}

void f0r_set_param_value(f0r_instance_t instance, f0r_param_t param, int index) {
  if (instance == nullptr || param == nullptr || !Known(index)) return;
  if (!IsChoice(index)) {
    Cast(instance)->Set(index, *static_cast<const double*>(param));
  } else if (const auto value = ChoiceNamed(index, *static_cast<const f0r_param_string*>(param))) {
    Cast(instance)->Set(index, *value);
  }
}

void f0r_get_param_value(f0r_instance_t instance, f0r_param_t param, int index) {
  if (instance == nullptr || param == nullptr || !Known(index)) return;
  if (IsChoice(index)) {
    // A name of static storage: the caller neither frees it nor outlives it.
    *static_cast<f0r_param_string*>(param) =
        const_cast<char*>(ChoiceName(index, Cast(instance)->Get(index)));
  } else {
    *static_cast<double*>(param) = Cast(instance)->Get(index);
  }
}

void f0r_update(f0r_instance_t instance, double /*time*/, const uint32_t* inframe,
                uint32_t* outframe) {
  if (instance == nullptr) return;
  Cast(instance)->Update(reinterpret_cast<const std::uint8_t*>(inframe),
                         reinterpret_cast<std::uint8_t*>(outframe));
}

void f0r_update2(f0r_instance_t instance, double time, const uint32_t* inframe1,
                 const uint32_t* /*inframe2*/, const uint32_t* /*inframe3*/, uint32_t* outframe) {
  f0r_update(instance, time, inframe1, outframe);
}

}  // extern "C"
