#include "host/io/temporary_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace tesselox::io {
namespace {

using Path = std::filesystem::path;

std::vector<Path> Listed() {
  std::vector<Path> paths;
  ForEachTemporaryFile(
      [](const NativeChar* path, void* context) {
        static_cast<std::vector<Path>*>(context)->emplace_back(path);
      },
      &paths);
  std::sort(paths.begin(), paths.end());
  return paths;
}

std::vector<Path> Sorted(std::vector<Path> paths) {
  std::sort(paths.begin(), paths.end());
  return paths;
}

TEST(TemporaryFilesTest, ListsWhatIsListedUntilUnlisted) {
  const struct {
    const char* what;
    std::vector<const char*> list, unlist;
    std::vector<const char*> left;
  } cases[] = {
      {"nothing", {}, {}, {}},
      {"one", {"a.tmp"}, {}, {"a.tmp"}},
      {"one taken off", {"a.tmp"}, {"a.tmp"}, {}},
      {"the other stays", {"a.tmp", "b/c.tmp"}, {"a.tmp"}, {"b/c.tmp"}},
      {"unknown taken off: nothing happens", {"a.tmp"}, {"z.tmp"}, {"a.tmp"}},
      {"listed twice, taken off once", {"a.tmp", "a.tmp"}, {"a.tmp"}, {"a.tmp"}},
      {"a prefix is not the path", {"a.tmp"}, {"a.tm"}, {"a.tmp"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    for (const char* p : c.list) EXPECT_TRUE(ListTemporaryFile(p));
    for (const char* p : c.unlist) UnlistTemporaryFile(p);
    EXPECT_EQ(Listed(), Sorted(std::vector<Path>(c.left.begin(), c.left.end())));
    for (const char* p : c.left) UnlistTemporaryFile(p);
    EXPECT_EQ(Listed(), std::vector<Path>{});
  }
}

TEST(TemporaryFilesTest, RefusesWhatItCannotHold) {
  std::vector<Path> held;
  for (std::size_t k = 0; k < kTemporaryFileSlots; ++k) {
    held.emplace_back("slot" + std::to_string(k));
    EXPECT_TRUE(ListTemporaryFile(held.back()));
  }
  EXPECT_FALSE(ListTemporaryFile("one too many"));
  UnlistTemporaryFile(held.front());
  // The freed slot takes a path of the longest length, but not one longer, nor an empty one.
  EXPECT_FALSE(ListTemporaryFile(std::string(kTemporaryPathLength + 1, 'x')));
  EXPECT_FALSE(ListTemporaryFile(""));
  const Path longest(std::string(kTemporaryPathLength, 'y'));
  EXPECT_TRUE(ListTemporaryFile(longest));
  held.front() = longest;
  EXPECT_EQ(Listed(), Sorted(held));
  for (const Path& p : held) UnlistTemporaryFile(p);
  EXPECT_EQ(Listed(), std::vector<Path>{});
}

TEST(TemporaryFilesTest, APathStaysPutWhileAnotherThreadVisitsIt) {
  // The main thread lists and unlists paths of different lengths while another thread walks
  // the list, as a console control handler does. Every path visited must be one that was
  // listed, and must not change until its visit ends (the handler removes that file).
  const std::vector<Path> names = {"short.tmp", "a/much/longer/name/of/a/file.png.tmp-1-2",
                                   "mid/name.y4m.tmp"};
  struct Seen {
    const std::vector<Path>* names;
    std::atomic<int> visits{0}, strangers{0}, changed{0};
  } seen{&names};
  std::atomic<bool> started{false}, done{false};
  std::thread visitor([&] {
    started = true;
    while (!done) {
      ForEachTemporaryFile(
          [](const NativeChar* path, void* context) {
            auto* s = static_cast<Seen*>(context);
            ++s->visits;
            const Path before(path);
            if (std::find(s->names->begin(), s->names->end(), before) == s->names->end())
              ++s->strangers;
            for (int k = 0; k < 2000; ++k) std::atomic_signal_fence(std::memory_order_seq_cst);
            if (Path(path) != before) ++s->changed;
          },
          &seen);
    }
  });
  while (!started) std::this_thread::yield();
  for (int k = 0; k < 100000; ++k) {
    const Path& name = names[static_cast<std::size_t>(k) % names.size()];
    ASSERT_TRUE(ListTemporaryFile(name));
    UnlistTemporaryFile(name);
  }
  done = true;
  visitor.join();
  EXPECT_EQ(seen.strangers, 0) << "of " << seen.visits << " visits";
  EXPECT_EQ(seen.changed, 0) << "of " << seen.visits << " visits";
  EXPECT_EQ(Listed(), std::vector<Path>{});
}

}  // namespace
}  // namespace tesselox::io
