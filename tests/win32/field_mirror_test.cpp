// The module's fields against the reference build, which carries out every field operation
// message by message as the controls do it: two probe builds side by side, each in its own
// configuration window, driven through the same edits (keys, pastes, WM_SETTEXT, up-down
// clicks, arrow keys, wheel turns, undo, cut, the host's own UDM_SETPOS32) and frames (any size
// and capacity, now and then from another thread, now and then a repeated initialisation).
// After every frame both must show the same texts, ranges and positions, have handed the same
// twelve values to the renderer and have told the host of as many edits.
// TESSELOX_MIRROR_STEPS sets the length of the random run (600 unless set),
// TESSELOX_MIRROR_SEED its seed.

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "module/field_table.h"
#include "module_test.h"
#include "thread_frame.h"

namespace tesselox::test {
namespace {

using RenderedValuesFn = std::int32_t(__cdecl*)(std::int32_t* values);

enum class Act {
  Keys,          // selects selStart..selEnd, then types `text` as WM_CHAR
  KeyDown,       // WM_KEYDOWN and WM_KEYUP of virtual key `value`
  Paste,         // selects, then WM_PASTE of `pasted` from the clipboard
  SetText,       // WM_SETTEXT `text`
  Click,         // a click on the up-down's upper (value > 0) or lower arrow
  Undo,          // EM_UNDO (value 0) or WM_UNDO
  Cut,           // selects, then WM_CUT (value 0) or WM_CLEAR
  Wheel,         // WM_MOUSEWHEEL to the edit box, up (value > 0) or down
  HostPosition,  // the host sends the up-down UDM_SETPOS32 `value`
  Frame,         // a frame of width x height in buffers of capW x capH
  ThreadFrame,   // the same from another thread
  Init,          // HOST_INIT_MESSAGE again, with a largest frame of width x height
};

struct Step {
  Act act;
  FieldId field = FieldId::SrcX;
  std::string text{};
  std::wstring pasted{};
  int selStart = 0;
  int selEnd = -1;
  std::int32_t value = 0;
  std::int32_t width = 0, height = 0, capW = 0, capH = 0;
};

Step Keys(FieldId field, std::string keys, int selStart = 0, int selEnd = -1) {
  return {.act = Act::Keys,
          .field = field,
          .text = std::move(keys),
          .selStart = selStart,
          .selEnd = selEnd};
}
Step Text(FieldId field, std::string text) {
  return {.act = Act::SetText, .field = field, .text = std::move(text)};
}
Step Simple(Act act, FieldId field, std::int32_t value = 0) {
  return {.act = act, .field = field, .value = value};
}
Step Paste(FieldId field, std::wstring pasted) {
  return {.act = Act::Paste, .field = field, .pasted = std::move(pasted)};
}
Step Frame(std::int32_t width, std::int32_t height, std::int32_t capW, std::int32_t capH,
           Act act = Act::Frame) {
  return {.act = act, .width = width, .height = height, .capW = capW, .capH = capH};
}

void ApplyEdit(const LoadedModule& session, const Step& step) {
  const HWND edit = EditOf(session, step.field);
  const HWND upDown = UpDownOf(session, step.field);
  const auto select = [&] { SendMessageA(edit, EM_SETSEL, step.selStart, step.selEnd); };
  switch (step.act) {
    case Act::Keys:
      select();
      for (const char key : step.text)
        SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(key), 1);
      break;
    case Act::KeyDown:
      SendMessageA(edit, WM_KEYDOWN, static_cast<WPARAM>(step.value), 1);
      SendMessageA(edit, WM_KEYUP, static_cast<WPARAM>(step.value),
                   static_cast<LPARAM>(0xC0000001));
      break;
    case Act::Paste:
      select();
      SendMessageA(edit, WM_PASTE, 0, 0);
      break;
    case Act::SetText:
      SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(step.text.c_str()));
      break;
    case Act::Click: {
      RECT rect{};
      GetClientRect(upDown, &rect);
      const LPARAM at =
          MAKELPARAM(rect.right / 2, step.value > 0 ? rect.bottom / 4 : rect.bottom * 3 / 4);
      SendMessageA(upDown, WM_LBUTTONDOWN, MK_LBUTTON, at);
      SendMessageA(upDown, WM_LBUTTONUP, 0, at);
      break;
    }
    case Act::Undo:
      SendMessageA(edit, step.value == 0 ? EM_UNDO : WM_UNDO, 0, 0);
      break;
    case Act::Cut:
      select();
      SendMessageA(edit, step.value == 0 ? WM_CUT : WM_CLEAR, 0, 0);
      break;
    case Act::Wheel:
      SendMessageA(edit, WM_MOUSEWHEEL, MAKEWPARAM(0, step.value > 0 ? WHEEL_DELTA : -WHEEL_DELTA),
                   MAKELPARAM(10, 10));
      break;
    case Act::HostPosition:
      SendMessageA(upDown, UDM_SETPOS32, 0, step.value);
      break;
    default:
      ADD_FAILURE() << "not an edit";
  }
}

// Everything a field shows or will act on: its text, its range, and what its up-down control
// reports (the value of a valid text, else its own position and an error).
struct FieldState {
  std::string text{};
  std::int32_t low = 0, high = 0, reported = 0;
  BOOL error = FALSE;
  bool operator==(const FieldState&) const = default;
};

std::string Describe(const FieldState& s) {
  return "\"" + s.text + "\" range " + std::to_string(s.low) + ".." + std::to_string(s.high) +
         " reports " + std::to_string(s.reported) + (s.error ? " (error)" : "");
}

FieldState StateOf(const LoadedModule& session, FieldId id) {
  FieldState state;
  char text[256] = {};
  GetWindowTextA(EditOf(session, id), text, sizeof text);
  state.text = text;
  const host::FieldRange range = RangeOf(session, id);
  state.low = range.low;
  state.high = range.high;
  state.reported = static_cast<std::int32_t>(
      SendMessageA(UpDownOf(session, id), UDM_GETPOS32, 0, reinterpret_cast<LPARAM>(&state.error)));
  return state;
}

struct ProbeModule {
  std::unique_ptr<LoadedModule> session;
  RenderedValuesFn rendered = nullptr;

  ProbeModule(const char* path, std::int32_t maxW, std::int32_t maxH)
      : session(std::make_unique<LoadedModule>()) {
    if (!session->Load(path)) {
      ADD_FAILURE() << session->Error();
      return;
    }
    rendered = reinterpret_cast<RenderedValuesFn>(
        reinterpret_cast<void*>(GetProcAddress(session->Module(), "RenderedValues")));
    EXPECT_NE(rendered, nullptr) << path << " is not a probe build";
    session->SetLargestFrame(maxW, maxH);
    EXPECT_TRUE(session->CreateWindows());
    session->SendInit();
  }
};

// The module as built and the reference, driven alike.
class SideBySide {
 public:
  SideBySide()
      : mirror_(TESSELOX_PROBE_MODULE, 1920, 1440),
        literal_(TESSELOX_LITERAL_PROBE_MODULE, 1920, 1440) {}

  bool Ready() const { return mirror_.rendered != nullptr && literal_.rendered != nullptr; }

  // Runs the step on both; after a frame or an initialisation, compares them. False once they
  // differ.
  bool Run(const Step& step) {
    switch (step.act) {
      case Act::Frame:
      case Act::ThreadFrame:
        for (ProbeModule* probe : {&mirror_, &literal_}) {
          FrameRecord record{0, nullptr, nullptr, step.width, step.height, step.capW, step.capH};
          EXPECT_EQ(step.act == Act::ThreadFrame ? FrameFromAnotherThread(*probe->session, record)
                                                 : probe->session->ProcessFrame(record),
                    1);
        }
        ++frames_;
        return Same();
      case Act::Init:
        for (ProbeModule* probe : {&mirror_, &literal_}) {
          probe->session->SetLargestFrame(step.width, step.height);
          probe->session->SendInit();
        }
        return Same();
      case Act::Paste: {
        // Wine's edit box faults when text is pasted into a text longer than its limit of five
        // characters, as a range beyond five digits leaves: there the paste replaces it all.
        Step paste = step;
        if (GetWindowTextLengthA(EditOf(*mirror_.session, step.field)) > 5) {
          paste.selStart = 0;
          paste.selEnd = -1;
        }
        EXPECT_TRUE(PutOnClipboard(mirror_.session->OwnerWindow(), step.pasted));
        ApplyEdit(*mirror_.session, paste);
        ApplyEdit(*literal_.session, paste);
        return true;
      }
      default:
        ApplyEdit(*mirror_.session, step);
        ApplyEdit(*literal_.session, step);
        return true;
    }
  }

  bool Same() {
    ParameterValues mirrorValues{}, literalValues{};
    EXPECT_EQ(mirror_.rendered(mirrorValues.data()), frames_);
    EXPECT_EQ(literal_.rendered(literalValues.data()), frames_);
    EXPECT_EQ(mirrorValues, literalValues) << "values handed to the renderer";
    for (const FieldId id : kFieldIds) {
      const FieldState mine = StateOf(*mirror_.session, id);
      const FieldState reference = StateOf(*literal_.session, id);
      EXPECT_EQ(mine, reference) << Label(id) << ": " << Describe(mine) << ", reference "
                                 << Describe(reference);
    }
    EXPECT_EQ(mirror_.session->EditUpdatedCalls(), literal_.session->EditUpdatedCalls())
        << "edits told to the host";
    return !::testing::Test::HasFailure();
  }

 private:
  ProbeModule mirror_;
  ProbeModule literal_;
  std::int32_t frames_ = 0;
};

std::string Name(const Step& step) {
  static const char* const names[] = {"keys",          "key down", "paste",        "set text",
                                      "click",         "undo",     "cut",          "wheel",
                                      "host position", "frame",    "thread frame", "init"};
  std::string name = names[static_cast<int>(step.act)];
  if (step.act >= Act::Frame) {
    return name + " " + std::to_string(step.width) + "x" + std::to_string(step.height) + " in " +
           std::to_string(step.capW) + "x" + std::to_string(step.capH);
  }
  return name + " on " + kFieldSpecs[Index(step.field)].label + " \"" + step.text + "\" sel " +
         std::to_string(step.selStart) + ".." + std::to_string(step.selEnd) + " value " +
         std::to_string(step.value);
}

struct Scenario {
  const char* name;
  std::vector<Step> steps;
};

const FieldId kSrcX = FieldId::SrcX, kSrcCx = FieldId::SrcCx, kDstX = FieldId::DstX,
              kDstCx = FieldId::DstCx, kPhaseX = FieldId::PhaseX, kWidth = FieldId::Width;

const Scenario kScenarios[] = {
    {"a text changed away and back around a click",
     {Frame(64, 48, 64, 48), Text(kSrcX, "x"), Simple(Act::Click, kSrcX, 1), Text(kSrcX, "0"),
      Frame(64, 48, 64, 48), Text(kSrcX, "x"), Simple(Act::Click, kSrcX, 1),
      Frame(64, 48, 64, 48)}},
    {"undo after a frame",
     {Frame(64, 48, 64, 48), Keys(kSrcCx, "5"), Frame(64, 48, 64, 48), Simple(Act::Undo, kSrcCx),
      Frame(64, 48, 64, 48), Simple(Act::Undo, kSrcCx, 1), Frame(64, 48, 64, 48)}},
    {"numbers written in another form",
     {Frame(64, 48, 64, 48), Text(kSrcX, " 5"), Text(kDstX, "+7"), Text(kSrcCx, "1,2"),
      Text(kDstCx, "0012"), Frame(64, 48, 64, 48), Frame(64, 48, 64, 48)}},
    {"pasted full-width and Arabic-Indic digits",
     {Frame(64, 48, 64, 48), Paste(kSrcCx, L"\xFF11\xFF12"), Paste(kDstCx, L"\x0661\x0662"),
      Paste(kWidth, L"\xFF13\xFF12"), Frame(64, 48, 64, 48), Frame(64, 48, 64, 48)}},
    {"a range that narrows past the value and widens again",
     {Frame(64, 48, 64, 48), Frame(8, 6, 8, 6), Frame(8, 6, 8, 6), Frame(64, 48, 64, 48)}},
    {"a reversed range from a negative frame width",
     {Frame(-10, 20, 64, 48), Keys(kSrcX, "3"), Frame(-10, 20, 64, 48), Frame(-10, 20, 64, 48),
      Frame(30, 20, 64, 48)}},
    {"arrow keys and clicks at the range's edge",
     {Frame(10, 10, 10, 10), Keys(kSrcX, "10"), Frame(10, 10, 10, 10),
      Simple(Act::KeyDown, kSrcX, VK_UP), Simple(Act::Click, kSrcX, 1), Frame(10, 10, 10, 10),
      Simple(Act::KeyDown, kSrcX, VK_DOWN), Simple(Act::Wheel, kSrcX, -1), Frame(10, 10, 10, 10)}},
    {"a frame from another thread between edits",
     {Frame(64, 48, 64, 48), Keys(kDstX, "9"), Frame(32, 24, 32, 24, Act::ThreadFrame),
      Keys(kDstX, "1"), Frame(32, 24, 32, 24), Frame(64, 48, 64, 48)}},
    {"the host moves a position",
     {Frame(64, 48, 64, 48), Simple(Act::HostPosition, kPhaseX, 7),
      Simple(Act::HostPosition, kSrcX, 0), Frame(64, 48, 64, 48), Text(kSrcX, "abc"),
      Simple(Act::HostPosition, kSrcX, 3), Frame(64, 48, 64, 48)}},
    {"a repeated initialisation with a larger largest frame",
     {Frame(64, 48, 64, 48), Frame(2000, 1200, 2000, 1200, Act::Init), Frame(64, 48, 64, 48)}},
};

TEST(FieldMirrorTest, ScenariosMatchTheReference) {
  for (const Scenario& scenario : kScenarios) {
    SCOPED_TRACE(scenario.name);
    SideBySide both;
    ASSERT_TRUE(both.Ready());
    ASSERT_TRUE(both.Same());
    for (std::size_t n = 0; n < scenario.steps.size(); ++n) {
      SCOPED_TRACE("step " + std::to_string(n) + ": " + Name(scenario.steps[n]));
      ASSERT_TRUE(both.Run(scenario.steps[n]));
    }
  }
}

class RandomSteps {
 public:
  explicit RandomSteps(unsigned seed) : rng_(seed) {}

  int Between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }

  Step Next() {
    const int pick = Between(0, 99);
    if (pick < 22) return RandomFrame(Act::Frame);
    if (pick < 24) return RandomFrame(Act::ThreadFrame);
    if (pick < 25) return Frame(RandomSide(), RandomSide(), 0, 0, Act::Init);
    Step step{.act = Act::Keys, .field = static_cast<FieldId>(Between(0, kFieldCount - 1))};
    step.selStart = Between(0, 6);
    step.selEnd = Between(0, 3) == 0 ? -1 : Between(step.selStart, 6);
    step.value = Between(0, 1) == 0 ? -1 : 1;
    switch (Between(0, 10)) {
      case 0:
      case 1:
      case 2:
        step.act = Act::Keys;
        for (int n = Between(1, 4); n > 0; --n) {
          static const char kKeys[] = "0123456789+-.,\b x\x1A";
          step.text += kKeys[Between(0, sizeof kKeys - 2)];
        }
        break;
      case 3: {
        step.act = Act::KeyDown;
        static const int kVirtualKeys[] = {VK_UP, VK_DOWN, VK_DELETE, VK_HOME, VK_END, VK_LEFT};
        step.value = kVirtualKeys[Between(0, 5)];
        break;
      }
      case 4: {
        step.act = Act::Paste;
        static const wchar_t* const kPasted[] = {L"12",      L"-3",      L"+",      L"1,5",
                                                 L" 7",      L"9999999", L"\xFF11", L"\x0661",
                                                 L"4\x00A0", L"\xE9",    L"0.5",    L""};
        step.pasted = kPasted[Between(0, 11)];
        break;
      }
      case 5: {
        step.act = Act::SetText;
        static const char* const kTexts[] = {
            "",           "-",   "+",   "0",     "-0",        "+12",  " 5",  "5 ",  "1,440", "0012",
            "2147483648", "1.5", "abc", "-9999", "123456789", "\xE9", "\t3", "--1", "7"};
        step.text =
            Between(0, 2) == 0 ? std::to_string(Between(-2000, 2000)) : kTexts[Between(0, 18)];
        break;
      }
      case 6:
        step.act = Act::Click;
        break;
      case 7:
        step.act = Act::Undo;
        step.value = Between(0, 1);
        break;
      case 8:
        step.act = Act::Cut;
        step.value = Between(0, 1);
        break;
      case 9:
        step.act = Act::Wheel;
        break;
      default:
        step.act = Act::HostPosition;
        step.value = Between(-100, 100);
        break;
    }
    return step;
  }

 private:
  std::int32_t RandomSide() {
    switch (Between(0, 9)) {
      case 0:
        return Between(-5, 5);
      case 1:
        return Between(30000, 100000);
      case 2:
        return Between(0, 1) == 0 ? INT_MAX : INT_MIN;
      default:
        return Between(1, 2000);
    }
  }

  Step RandomFrame(Act act) {
    // Capacities as odd as the sizes: the probe builds render nothing.
    const std::int32_t capW = RandomSide(), capH = RandomSide();
    const std::int32_t w = Between(0, 3) == 0 ? RandomSide() : capW - Between(0, 3);
    const std::int32_t h = Between(0, 3) == 0 ? RandomSide() : capH - Between(0, 3);
    return Frame(w, h, capW, capH, act);
  }

  std::mt19937 rng_;
};

TEST(FieldMirrorTest, RandomEditsAndFramesMatchTheReference) {
  const long steps = EnvOr("TESSELOX_MIRROR_STEPS", 600);
  const auto seed = static_cast<unsigned>(EnvOr("TESSELOX_MIRROR_SEED", 20261209));
  RandomSteps random(seed);
  SideBySide both;
  ASSERT_TRUE(both.Ready());
  std::vector<std::string> recent;
  long frames = 0;
  for (long n = 0; n < steps; ++n) {
    const Step step = random.Next();
    recent.push_back(Name(step));
    if (!both.Run(step)) {
      std::string trail;
      for (std::size_t k = recent.size() > 12 ? recent.size() - 12 : 0; k < recent.size(); ++k) {
        trail += "\n  " + recent[k];
      }
      FAIL() << "step " << n << " (seed " << seed << "), the last steps:" << trail;
    }
    if (step.act >= Act::Frame) {
      ++frames;
      recent.clear();
    }
  }
  std::printf("%ld random steps, %ld frames, seed %u\n", steps, frames, seed);
}

}  // namespace
}  // namespace tesselox::test
