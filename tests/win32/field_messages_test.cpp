// Which edit boxes a frame sends messages to, counted by a hook on the controls' thread: none
// when nothing changed since the previous frame, and otherwise only the fields that were edited
// or whose text the frame rewrites. Each of those messages costs tens of microseconds under
// Wine, and a rewrite tells the host that the field was edited.

#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <set>
#include <string>
#include <vector>

#include "module_test.h"
#include "thread_frame.h"

namespace tesselox::test {
namespace {

// Messages that reach each field's edit box while a hook is installed.
class EditMessageCounter {
 public:
  explicit EditMessageCounter(const LoadedModule& session) {
    for (const FieldId id : kFieldIds) edits_[Index(id)] = EditOf(session, id);
    active_ = this;
    hook_ = SetWindowsHookExA(WH_CALLWNDPROC, Count, nullptr, GetCurrentThreadId());
    EXPECT_NE(hook_, nullptr);
  }
  ~EditMessageCounter() {
    UnhookWindowsHookEx(hook_);
    active_ = nullptr;
  }
  EditMessageCounter(const EditMessageCounter&) = delete;
  EditMessageCounter& operator=(const EditMessageCounter&) = delete;

  std::set<FieldId> Touched() const {
    std::set<FieldId> touched;
    for (const FieldId id : kFieldIds) {
      if (counts_[Index(id)] > 0) touched.insert(id);
    }
    return touched;
  }

 private:
  static LRESULT CALLBACK Count(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && active_ != nullptr) {
      const HWND window = reinterpret_cast<const CWPSTRUCT*>(lParam)->hwnd;
      for (const FieldId id : kFieldIds) {
        if (active_->edits_[Index(id)] == window) ++active_->counts_[Index(id)];
      }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }

  static inline EditMessageCounter* active_ = nullptr;
  std::array<HWND, kFieldCount> edits_{};
  std::array<int, kFieldCount> counts_{};
  HHOOK hook_ = nullptr;
};

void RunFrame(LoadedModule& session, FrameRecord record, bool otherThread) {
  EXPECT_EQ(otherThread ? FrameFromAnotherThread(session, record) : session.ProcessFrame(record),
            1);
}

struct Typed {
  FieldId field;
  const char* keys;
};

// The frame's size and the buffers' capacity.
struct FrameSize {
  std::int32_t width, height, capW, capH;
};

// What the two frames before each case have.
constexpr FrameSize kUsual{640, 360, 1280, 720};

struct MessageCase {
  const char* name;
  std::vector<Typed> typed;  // after two frames of kUsual
  FrameSize frame;
  bool otherThread;
  std::set<FieldId> touched;  // the fields whose edit boxes the next frame sends messages to
  int edits;                  // the host's editUpdated calls during that frame
};

using F = FieldId;
const std::set<FieldId> kEveryField(kFieldIds.begin(), kFieldIds.end());

const MessageCase kMessageCases[] = {
    {"nothing edited", {}, kUsual, false, {}, 0},
    {"a value typed inside the range", {{F::DstX, "12"}}, kUsual, false, {F::DstX}, 0},
    {"a value typed outside the range", {{F::DstX, "2000"}}, kUsual, false, {F::DstX}, 1},
    {"a narrower frame pulls src cx in", {}, {320, 360, 1280, 720}, false, {F::SrcCx}, 1},
    {"a narrower capacity pulls dst cx in", {}, {640, 360, 320, 720}, false, {F::DstCx}, 1},
    {"width typed", {{F::Width, "800"}}, kUsual, false, {F::Width}, 0},
    {"a frame from another thread asks every control", {}, kUsual, true, kEveryField, 0},
};

TEST(FieldMessagesTest, FramesSendOnlyWhatChanged) {
  for (const MessageCase& c : kMessageCases) {
    SCOPED_TRACE(c.name);
    auto session = StartModule();
    ASSERT_TRUE(session->Loaded());
    host::FrameBuffers buffers(kUsual.capW, kUsual.capH);
    for (int n = 0; n < 2; ++n) {
      buffers.SetFrameSize(kUsual.width, kUsual.height);
      ASSERT_EQ(session->ProcessFrame(buffers), 1);
    }
    for (const Typed& t : c.typed) session->TypeIntoField(t.field, t.keys);
    buffers.SetFrameSize(c.frame.width, c.frame.height);
    FrameRecord record = buffers.Record();
    record.capacityWidth = c.frame.capW;
    record.capacityHeight = c.frame.capH;
    const int editsBefore = session->EditUpdatedCalls();
    {
      EditMessageCounter counter(*session);
      RunFrame(*session, record, c.otherThread);
      EXPECT_EQ(counter.Touched(), c.touched);
    }
    EXPECT_EQ(session->EditUpdatedCalls() - editsBefore, c.edits);
    // The frame after leaves every edit box alone again, unless this one came from another
    // thread: then the next frame asks the ten fields it refreshes once more.
    FrameRecord again = buffers.Record();
    again.width = c.frame.width;
    again.height = c.frame.height;
    again.capacityWidth = c.frame.capW;
    again.capacityHeight = c.frame.capH;
    for (const bool resync : {c.otherThread, false}) {
      EditMessageCounter counter(*session);
      RunFrame(*session, again, false);
      EXPECT_EQ(counter.Touched().size(), resync ? std::size_t{10} : 0u);
    }
  }
}

// The reference build asks every control on every frame: what the counts above are measured
// against.
TEST(FieldMessagesTest, TheReferenceBuildAsksEveryControl) {
  LoadedModule session;
  ASSERT_TRUE(session.Load(TESSELOX_LITERAL_PROBE_MODULE)) << session.Error();
  ASSERT_TRUE(session.CreateWindows());
  session.SendInit();
  FrameRecord record{0, nullptr, nullptr, 640, 360, 1280, 720};
  for (int n = 0; n < 2; ++n) ASSERT_EQ(session.ProcessFrame(record), 1);
  EditMessageCounter counter(session);
  ASSERT_EQ(session.ProcessFrame(record), 1);
  EXPECT_EQ(counter.Touched().size(), static_cast<std::size_t>(kFieldCount));
}

}  // namespace
}  // namespace tesselox::test
