#include "ratio_reporter.h"

#include <cstdio>
#include <ostream>
#include <string>

#include "bench_frames.h"

namespace tesselox::bench {
namespace {

std::string Format(double v, const char* format) {
  char text[32];
  std::snprintf(text, sizeof text, format, v);
  return text;
}

}  // namespace

void RatioReporter::Finalize() {
  ConsoleReporter::Finalize();
  PrintTable(Clock::kWall, "Wall-clock");
  PrintTable(Clock::kCpu, "CPU");
}

void RatioReporter::PrintTable(Clock clock, const char* title) {
  auto time = [this, clock](const std::string& of, double& out) {
    out = Time(clock, of);
    return out >= 0;
  };
  std::ostream& os = GetOutputStream();
  os << "\n" << title << " time:\n";
  os << "\n| case | render us | copy alone us | floor us | render / floor | clear + reads / floor "
        "| OpenCV us | swscale us | faster peer / render "
        "|\n|---|---|---|---|---|---|---|---|---|\n";
  for (const BenchCase& c : BenchCases()) {
    double render = 0, copy = 0, floor = 0, reads = 0, cv = 0, sws = 0;
    const bool haveCopy = time(std::string("copy/") + c.name, copy);
    if (!time(std::string("render/") + c.name, render)) continue;
    const bool haveFloor = time(std::string("floor/") + c.name, floor);
    const bool haveReads = time(std::string("reads/") + c.name, reads);
    const bool haveCv = time(std::string("opencv/") + c.name, cv);
    const bool haveSws = time(std::string("swscale/") + c.name, sws);
    double peer = 0;
    if (haveCv) peer = cv;
    if (haveSws && (!haveCv || sws < peer)) peer = sws;
    os << "| " << c.name << " | " << Format(render, "%.0f") << " | "
       << (haveCopy ? Format(copy, "%.0f") : "-") << " | "
       << (haveFloor ? Format(floor, "%.0f") : "-") << " | "
       << (haveFloor ? Format(render / floor, "%.2f") : "-") << " | "
       << (haveFloor && haveReads ? Format(reads / floor, "%.2f") : "-") << " | "
       << (haveCv ? Format(cv, "%.0f") : "-") << " | " << (haveSws ? Format(sws, "%.0f") : "-")
       << " | " << (haveCv || haveSws ? Format(peer / render, "%.2f") : "-") << " |\n";
  }
  // RenderPlane per case and pixel size, where the plane benchmarks ran.
  bool header = false;
  for (const BenchCase& c : BenchCases()) {
    for (int bytes : kPlanePixelSizes) {
      const std::string name = PlaneName(c, bytes);
      double render = 0, floor = 0, reads = 0, cv = 0;
      if (!time("plane/" + name, render) || !time("planefloor/" + name, floor)) continue;
      const bool haveReads = time("planereads/" + name, reads);
      const bool haveCv = time("planeopencv/" + name, cv);
      if (!header) {
        os << "\n| case | pixel bytes | plane us | plane floor us | plane / floor "
              "| clear + reads / floor | OpenCV us | OpenCV / plane |\n"
              "|---|---|---|---|---|---|---|---|\n";
        header = true;
      }
      os << "| " << c.name << " | " << bytes << " | " << Format(render, "%.0f") << " | "
         << Format(floor, "%.0f") << " | " << Format(render / floor, "%.2f") << " | "
         << (haveReads ? Format(reads / floor, "%.2f") : "-") << " | "
         << (haveCv ? Format(cv, "%.0f") : "-") << " | "
         << (haveCv ? Format(cv / render, "%.2f") : "-") << " |\n";
    }
  }
  os.flush();
}

}  // namespace tesselox::bench
