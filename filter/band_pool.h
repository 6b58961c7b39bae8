#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace tesselox {

// Threads that share out the bands of each frame: started once and reused frame after frame
// (a thread per frame costs more than a small frame's copy), joined when the pool goes.
class BandPool {
 public:
  // `threads` in all, the calling thread's included; 0: one per processor core.
  explicit BandPool(unsigned threads);
  ~BandPool();
  BandPool(const BandPool&) = delete;
  BandPool& operator=(const BandPool&) = delete;

  unsigned Threads() const { return static_cast<unsigned>(workers_.size()) + 1; }

  // Calls work(band) once for every band in [0, bands), on the pool's threads and the caller's,
  // and returns when every call has returned. One caller at a time; work must not throw.
  template <typename Work>
  void Run(int bands, const Work& work) {
    RunCalls(
        bands, [](const void* context, int band) { (*static_cast<const Work*>(context))(band); },
        &work);
  }

 private:
  using Call = void (*)(const void* context, int band);
  void RunCalls(int bands, Call call, const void* context);
  void Serve();

  std::mutex mutex_;
  std::condition_variable wake_;      // bands to draw, or the pool closing
  std::condition_variable finished_;  // the last band of a run done
  Call call_ = nullptr;
  const void* context_ = nullptr;
  int bands_ = 0;  // of the present run; 0 between runs
  int next_ = 0;   // the next band to hand out
  int done_ = 0;
  bool closing_ = false;
  std::vector<std::thread> workers_;
};

// Band `band` of `bands` over `rows` rows: [first, last), the rows shared out evenly in order.
struct RowBand {
  std::int32_t first, last;
};
RowBand BandOf(std::int32_t rows, int bands, int band);

}  // namespace tesselox
