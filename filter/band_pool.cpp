#include "filter/band_pool.h"

namespace tesselox {

BandPool::BandPool(unsigned threads) {
  if (threads == 0) threads = std::thread::hardware_concurrency();
  for (unsigned k = 1; k < threads; ++k) workers_.emplace_back([this] { Serve(); });
}

BandPool::~BandPool() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    closing_ = true;
  }
  wake_.notify_all();
  for (std::thread& worker : workers_) worker.join();
}

void BandPool::Serve() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return closing_ || next_ < bands_; });
    if (closing_) return;
    const int band = next_++;
    const Call call = call_;
    const void* context = context_;
    lock.unlock();
    call(context, band);
    lock.lock();
    if (++done_ == bands_) finished_.notify_one();
  }
}

void BandPool::RunCalls(int bands, Call call, const void* context) {
  if (bands <= 0) return;
  if (workers_.empty() || bands == 1) {
    for (int band = 0; band < bands; ++band) call(context, band);
    return;
  }
  std::unique_lock<std::mutex> lock(mutex_);
  call_ = call;
  context_ = context;
  bands_ = bands;
  next_ = done_ = 0;
  lock.unlock();
  wake_.notify_all();
  // The caller draws too, so that no thread sits idle waiting for the others.
  lock.lock();
  while (next_ < bands_) {
    const int band = next_++;
    lock.unlock();
    call(context, band);
    lock.lock();
    ++done_;
  }
  finished_.wait(lock, [this] { return done_ == bands_; });
  bands_ = next_ = 0;
}

RowBand BandOf(std::int32_t rows, int bands, int band) {
  const auto at = [rows, bands](int k) {
    return static_cast<std::int32_t>(std::int64_t{rows} * k / bands);
  };
  return RowBand{at(band), at(band + 1)};
}

}  // namespace tesselox
