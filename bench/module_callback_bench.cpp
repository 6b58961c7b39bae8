// The real module's frame callback, as a host calls it: Tesselox.auf loaded through the host
// session library, its fields given each case's values, then timed frame after frame with
// nothing edited in between, beside RenderFrame alone with the values the callback hands it and
// the floor, all from the same run. The case "fields" (32 x 32 frames, largest frame 32 x 32)
// costs next to nothing to render: its time is the fields'. TESSELOX_BENCH_MODULE names
// another module to measure in the same way (an older build, say); else the one built here.
//
// The fields hold a destination extent within the capacity only, so "clipped" runs with its
// destination width and height cut to the capacity: clipped at the left and top edges.

#include <windows.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "bench_frames.h"
#include "filter/render_frame.h"
#include "host/session/module_host.h"
#include "ratio_reporter.h"
#include "register.h"

namespace tesselox::bench {
namespace {

struct ModuleCase {
  std::string name;
  std::int32_t frameW, frameH;
  std::int32_t capW, capH;  // the record's capacity
  std::int32_t maxW, maxH;  // the host's largest frame
  ParameterValues values;   // what the fields are given, and what they must hand on
  bool ownRender;           // no case of bench_frames.h renders these values
};

std::vector<ModuleCase> ModuleCases() {
  std::vector<ModuleCase> cases;
  for (const BenchCase& c : BenchCases()) {
    ModuleCase m{c.name, c.frameW, c.frameH, kCapW, kCapH, 1920, 1440, c.values, false};
    for (auto [id, cap] : {std::pair{FieldId::DstX, kCapW}, std::pair{FieldId::DstCx, kCapW},
                           std::pair{FieldId::DstY, kCapH}, std::pair{FieldId::DstCy, kCapH}}) {
      m.values[Index(id)] = std::clamp(m.values[Index(id)], -cap, cap);
    }
    m.ownRender = m.values != c.values;
    cases.push_back(m);
  }
  cases.push_back(ModuleCase{
      "fields", 32, 32, 32, 32, 32, 32, {0, 0, 32, 32, 0, 0, 32, 32, 32, 32, 0, 0}, true});
  return cases;
}

std::string ModulePath() {
  const char* path = std::getenv("TESSELOX_BENCH_MODULE");
  return path != nullptr && *path != '\0' ? path : TESSELOX_MODULE_PATH;
}

// One module for the whole run: its fields exist once per process.
host::ModuleHost* Module() {
  static host::ModuleHost* session = [] {
    auto* s = new host::ModuleHost;  // left to the process's end, as a host would
    if (!s->Load(ModulePath()) || !s->CreateWindows()) {
      std::fprintf(stderr, "cannot start the module: %s\n", s->Error().c_str());
      std::exit(1);
    }
    return s;
  }();
  return session;
}

FrameRecord RecordFor(const ModuleCase& c, FrameBuffer& current, FrameBuffer& scratch) {
  return FrameRecord{0, current.Pixels(), scratch.Pixels(), c.frameW, c.frameH, c.capW, c.capH};
}

void Frame(host::ModuleHost& session, FrameRecord& record, const ModuleCase& c) {
  record.width = c.frameW;
  record.height = c.frameH;
  session.ProcessFrame(record);
  std::swap(record.current, record.scratch);  // keep reading the patterned frame
}

// Gives the fields the case's values: a first frame fits their ranges to the case, the values
// are set, and two more frames let the module settle. False if the fields do not show them.
bool Prepare(host::ModuleHost& session, FrameRecord& record, const ModuleCase& c) {
  session.SetLargestFrame(c.maxW, c.maxH);
  session.SendInit();
  Frame(session, record, c);
  for (int k = 0; k < kFieldCount; ++k) {
    session.SetFieldText(static_cast<FieldId>(k), std::to_string(c.values[k]));
  }
  Frame(session, record, c);
  Frame(session, record, c);
  for (int k = 0; k < kFieldCount; ++k) {
    if (session.FieldText(static_cast<FieldId>(k)) != std::to_string(c.values[k])) return false;
  }
  return true;
}

void Callback(benchmark::State& state, const ModuleCase& c) {
  host::ModuleHost& session = *Module();
  FrameBuffer a(true), b(false);
  FrameRecord record = RecordFor(c, a, b);
  if (!Prepare(session, record, c)) {
    state.SkipWithError("the fields do not show the case's values");
    return;
  }
  for (auto _ : state) {
    Frame(session, record, c);
    benchmark::DoNotOptimize(record.current);
    benchmark::ClobberMemory();
  }
}

// RenderFrame alone with the values and capacity of a case no case of bench_frames.h has.
void Render(benchmark::State& state, const ModuleCase& c) {
  FrameBuffer a(true), b(false);
  FrameRecord record = RecordFor(c, a, b);
  for (auto _ : state) {
    record.width = c.frameW;
    record.height = c.frameH;
    RenderFrame(record, c.values);
    std::swap(record.current, record.scratch);
    benchmark::DoNotOptimize(record.current);
    benchmark::ClobberMemory();
  }
}

// The ratio table, then the callback against RenderFrame with the same values.
class CallbackReporter : public RatioReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    RatioReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      if (run.error_occurred || !(median || run.run_type == Run::RT_Iteration)) continue;
      times_[run.run_name.function_name] =
          run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit) * 1e6;
    }
  }

  void Finalize() override {
    RatioReporter::Finalize();
    std::ostream& os = GetOutputStream();
    os << "\n| case | callback us | render us | callback / render | callback - render us |"
          "\n|---|---|---|---|---|\n";
    for (const ModuleCase& c : ModuleCases()) {
      const auto callback = times_.find("callback/" + c.name);
      const auto render = times_.find((c.ownRender ? "render_fields/" : "render/") + c.name);
      if (callback == times_.end() || render == times_.end()) continue;
      char line[160];
      std::snprintf(line, sizeof line, "| %s | %.1f | %.1f | %.2f | %.1f |\n", c.name.c_str(),
                    callback->second, render->second, callback->second / render->second,
                    callback->second - render->second);
      os << line;
    }
    os.flush();
  }

 private:
  std::map<std::string, double> times_;  // microseconds
};

}  // namespace
}  // namespace tesselox::bench

int main(int argc, char** argv) {
  using namespace tesselox::bench;
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  std::printf("module: %s\n", ModulePath().c_str());
  RegisterOwnBenchmarks();
  for (const ModuleCase& c : ModuleCases()) {
    benchmark::RegisterBenchmark(("callback/" + c.name).c_str(), Callback, c)
        ->Unit(benchmark::kMicrosecond);
    if (c.ownRender) {
      benchmark::RegisterBenchmark(("render_fields/" + c.name).c_str(), Render, c)
          ->Unit(benchmark::kMicrosecond);
    }
  }
  CallbackReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
