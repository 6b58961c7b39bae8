#pragma once

// Each suite registers its benchmarks; the peers only exist when their libraries were found.

namespace tesselox::bench {

void RegisterOwnBenchmarks();
void RegisterPlaneBenchmarks();
void RegisterSubsampledBenchmarks();
void RegisterOpenCvPeer();
void RegisterSwscalePeer();

}  // namespace tesselox::bench
