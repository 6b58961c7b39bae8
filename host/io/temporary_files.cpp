#include "host/io/temporary_files.h"

#include <algorithm>
#include <atomic>

namespace tesselox::io {
namespace {

enum SlotState : int { kFree, kFilling, kListed, kVisiting };

struct Slot {
  std::atomic<int> state{kFree};
  NativeChar path[kTemporaryPathLength + 1] = {};
};

Slot slots[kTemporaryFileSlots];

bool Holds(const Slot& slot, const std::filesystem::path::string_type& path) {
  return path.size() <= kTemporaryPathLength && path.compare(slot.path) == 0;
}

}  // namespace

bool ListTemporaryFile(const std::filesystem::path& path) {
  const auto& native = path.native();
  if (native.empty() || native.size() > kTemporaryPathLength) return false;
  for (Slot& slot : slots) {
    int expected = kFree;
    if (!slot.state.compare_exchange_strong(expected, kFilling)) continue;
    std::copy(native.begin(), native.end(), slot.path);
    slot.path[native.size()] = NativeChar{};
    slot.state.store(kListed);
    return true;
  }
  return false;
}

void UnlistTemporaryFile(const std::filesystem::path& path) {
  for (Slot& slot : slots) {
    int state = slot.state.load();
    if ((state != kListed && state != kVisiting) || !Holds(slot, path.native())) continue;
    // A handler visiting the slot hands it back as listed within a few calls.
    for (int expected = kListed; !slot.state.compare_exchange_weak(expected, kFree);
         expected = kListed) {
    }
    return;
  }
}

void ForEachTemporaryFile(void (*visit)(const NativeChar* path, void* context), void* context) {
  for (Slot& slot : slots) {
    int expected = kListed;
    if (!slot.state.compare_exchange_strong(expected, kVisiting)) continue;
    visit(slot.path, context);
    slot.state.store(kListed);
  }
}

}  // namespace tesselox::io
