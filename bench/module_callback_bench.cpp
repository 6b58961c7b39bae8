// The real module's frame callback, as a host calls it: Tesselox.auf loaded through the host
// session library, its fields given each case's values, then timed frame after frame with
// nothing edited in between. Each iteration also times RenderFrame alone with the same values on
// the same buffers, in turn before and after the callback, so that a busy machine slows both
// alike: the benchmark's time is the callback's, its counters the paired RenderFrame's time and
// the ratio of the two. The case "fields" (32 x 32 frames, largest frame 32 x 32) costs next to
// nothing to render: its time is the fields'. The frame cases of bench_frames.h (render, copy
// alone, floor) run beside them. TESSELOX_BENCH_MODULE names another build of the module to
// measure in the same way; else the one built here is measured.
//
// The fields hold a destination extent within the capacity only, so "clipped" runs with its
// destination width and height cut to the capacity: clipped at the left and top edges.

#include <windows.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "bench_frames.h"
#include "module/field_table.h"
#include "module/render_frame.h"
#include "host/session/module_session.h"
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
};

std::vector<ModuleCase> ModuleCases() {
  std::vector<ModuleCase> cases;
  for (const BenchCase& c : BenchCases()) {
    ModuleCase m{c.name, c.frameW, c.frameH, kCapW, kCapH, 1920, 1440, c.values};
    for (auto [id, cap] : {std::pair{FieldId::DstX, kCapW}, std::pair{FieldId::DstCx, kCapW},
                           std::pair{FieldId::DstY, kCapH}, std::pair{FieldId::DstCy, kCapH}}) {
      m.values[Index(id)] = std::clamp(m.values[Index(id)], -cap, cap);
    }
    cases.push_back(m);
  }
  cases.push_back(
      ModuleCase{"fields", 32, 32, 32, 32, 32, 32, Values({0, 0, 32, 32}, {0, 0, 32, 32}, 32, 32)});
  return cases;
}

std::string ModulePath() {
  const char* path = std::getenv("TESSELOX_BENCH_MODULE");
  return path != nullptr && *path != '\0' ? path : TESSELOX_MODULE_PATH;
}

// One module for the whole run: its fields exist once per process.
host::ModuleSession* Module() {
  static host::ModuleSession* session = [] {
    auto* s = new host::ModuleSession;  // left to the process's end, as a host would
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

void Frame(host::ModuleSession& session, FrameRecord& record, const ModuleCase& c) {
  record.width = c.frameW;
  record.height = c.frameH;
  session.ProcessFrame(record);
  std::swap(record.current, record.scratch);  // keep reading the patterned frame
}

// Gives the fields the case's values: a first frame fits their ranges to the case, the values
// are set, and two more frames let the module settle. False if the fields do not show them.
bool Prepare(host::ModuleSession& session, FrameRecord& record, const ModuleCase& c) {
  session.SetLargestFrame(c.maxW, c.maxH);
  session.SendInit();
  Frame(session, record, c);
  for (const FieldId id : kFieldIds) {
    session.SetFieldText(Index(id), std::to_string(c.values[Index(id)]));
  }
  Frame(session, record, c);
  Frame(session, record, c);
  for (const FieldId id : kFieldIds) {
    if (session.FieldText(Index(id)) != std::to_string(c.values[Index(id)])) return false;
  }
  return true;
}

void Callback(benchmark::State& state, const ModuleCase& c) {
  using Clock = std::chrono::steady_clock;
  host::ModuleSession& session = *Module();
  FrameBuffer a(true), b(false);
  FrameRecord record = RecordFor(c, a, b);
  if (!Prepare(session, record, c)) {
    state.SkipWithError("the fields do not show the case's values");
    return;
  }
  Clock::duration callbackTime{}, renderTime{};
  bool callbackFirst = true;
  for (auto _ : state) {
    for (const bool callback : {callbackFirst, !callbackFirst}) {
      record.width = c.frameW;
      record.height = c.frameH;
      const Clock::time_point start = Clock::now();
      if (callback) {
        session.ProcessFrame(record);
      } else {
        RenderFrame(record, c.values);
      }
      const Clock::duration spent = Clock::now() - start;
      std::swap(record.current, record.scratch);  // keep reading the patterned frame
      benchmark::DoNotOptimize(record.current);
      benchmark::ClobberMemory();
      if (callback) {
        callbackTime += spent;
        state.SetIterationTime(std::chrono::duration<double>(spent).count());
      } else {
        renderTime += spent;
      }
    }
    callbackFirst = !callbackFirst;
  }
  const double renderUs = std::chrono::duration<double, std::micro>(renderTime).count();
  state.counters["render_us"] = renderUs / static_cast<double>(state.iterations());
  state.counters["ratio"] =
      std::chrono::duration<double, std::micro>(callbackTime).count() / renderUs;
}

// The ratio table, then the callback against RenderFrame with the same values, paired.
class CallbackReporter : public RatioReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    RatioReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      if (run.error_occurred || !(median || run.run_type == Run::RT_Iteration)) continue;
      const auto render = run.counters.find("render_us");
      const auto ratio = run.counters.find("ratio");
      if (render == run.counters.end() || ratio == run.counters.end()) continue;
      const double us =
          run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit) * 1e6;
      paired_[run.run_name.function_name] = Paired{us, render->second, ratio->second};
    }
  }

  void Finalize() override {
    RatioReporter::Finalize();
    std::ostream& os = GetOutputStream();
    os << "\n| case | callback us | render us | callback / render | callback - render us |"
          "\n|---|---|---|---|---|\n";
    for (const ModuleCase& c : ModuleCases()) {
      const auto found = paired_.find("callback/" + c.name);
      if (found == paired_.end()) continue;
      const Paired& p = found->second;
      char line[160];
      std::snprintf(line, sizeof line, "| %s | %.1f | %.1f | %.2f | %.1f |\n", c.name.c_str(),
                    p.callbackUs, p.renderUs, p.ratio, p.callbackUs - p.renderUs);
      os << line;
    }
    os.flush();
  }

 private:
  struct Paired {
    double callbackUs, renderUs, ratio;
  };
  std::map<std::string, Paired> paired_;  // "callback/default" -> medians
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
        ->UseManualTime()
        ->Unit(benchmark::kMicrosecond);
  }
  CallbackReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
