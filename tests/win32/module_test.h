#pragma once

// What the tests of the loaded module share: a fixture that starts the module, a field's
// controls by their identifiers, reading a field's text the way the frame callback does, and
// running one frame with every output pixel, every buffer byte and every guard checked.

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "controls.h"
#include "expected_frame.h"
#include "module/field_table.h"
#include "host/session/frame_buffers.h"
#include "loaded_module.h"
#include "test_image.h"
#include "module/control_ids.h"

namespace tesselox::test {

// The module loaded, its windows made and initialised with the host's default largest frame.
class ModuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    session = StartModule();
    ASSERT_TRUE(session->Loaded());
  }
  std::unique_ptr<LoadedModule> session;
};

// What a field showing `text` reads as: its first five characters, commas removed, must be one
// decimal integer with an optional sign and nothing else; anything else reads as 0.
inline std::int32_t ExpectedRead(const std::string& text) {
  std::string t = text.substr(0, 5);
  t.erase(std::remove(t.begin(), t.end(), ','), t.end());
  std::size_t at = 0;
  const bool negative = !t.empty() && t[0] == '-';
  if (!t.empty() && (t[0] == '-' || t[0] == '+')) at = 1;
  if (at == t.size()) return 0;
  std::int64_t value = 0;
  for (; at < t.size(); ++at) {
    if (t[at] < '0' || t[at] > '9') return 0;
    value = value * 10 + (t[at] - '0');
  }
  return static_cast<std::int32_t>(negative ? -value : value);
}

// A field's controls by their identifiers alone: the session's own lookup also finds the label,
// which costs a walk over every control, too slow for tens of thousands of frames under Wine.
inline HWND EditOf(const LoadedModule& session, FieldId id) {
  return GetDlgItem(session.ConfigWindow(), EditId(id));
}
inline HWND UpDownOf(const LoadedModule& session, FieldId id) {
  return GetDlgItem(session.ConfigWindow(), UpDownId(id));
}
// A number from the environment, for the length and seed of the random runs.
inline long EnvOr(const char* name, long fallback) {
  const char* text = std::getenv(name);
  return text != nullptr && *text != '\0' ? std::strtol(text, nullptr, 10) : fallback;
}

// A text for a field: typed into it, or what it must show.
struct FieldText {
  FieldId field;
  const char* text;
};

// The one font every edit box of the fields was given.
inline HFONT FieldFont(const LoadedModule& session) {
  return reinterpret_cast<HFONT>(SendMessageA(EditOf(session, FieldId::SrcX), WM_GETFONT, 0, 0));
}
inline std::string TextOf(const LoadedModule& session, FieldId id) {
  return WindowText(EditOf(session, id));
}
inline void SetText(const LoadedModule& session, FieldId id, const std::string& text) {
  SendMessageA(EditOf(session, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}
inline host::FieldRange RangeOf(const LoadedModule& session, FieldId id) {
  host::FieldRange range;
  SendMessageA(UpDownOf(session, id), UDM_GETRANGE32, reinterpret_cast<WPARAM>(&range.low),
               reinterpret_cast<LPARAM>(&range.high));
  return range;
}

inline std::array<std::string, kFieldCount> FieldTexts(const LoadedModule& session) {
  std::array<std::string, kFieldCount> texts;
  for (const FieldId id : kFieldIds) texts[Index(id)] = TextOf(session, id);
  return texts;
}

// Runs one frame through the module and checks it: return value, guards and host fields,
// the incoming frame left as it was, and the output pixel for pixel against the model, with
// the values the fields show after the frame (the callback writes each rectangle and phase
// field back before reading it; "width" and "height" it reads as they stand). Returns the
// twelve values the frame used.
inline ParameterValues CheckedFrame(LoadedModule& session, const FrameShape& shape) {
  const std::int32_t capW = shape.Stride(), capH = shape.Lines();
  host::FrameBuffers buffers(shape.capW, shape.capH);
  buffers.SetFrameSize(shape.width, shape.height);
  const std::size_t count = static_cast<std::size_t>(capW) * capH;
  const std::vector<Pixel> source = TaggedFrame(shape);
  for (std::int32_t y = 0; y < capH; ++y) {
    for (std::int32_t x = 0; x < capW; ++x) {
      buffers.At(x, y) = source[y * capW + x];
      buffers.Record().scratch[y * capW + x] = Tagged(x, y, kUnwrittenTag);
    }
  }
  const std::string widthText = TextOf(session, FieldId::Width);
  const std::string heightText = TextOf(session, FieldId::Height);

  EXPECT_EQ(session.ProcessFrame(buffers), 1);
  EXPECT_TRUE(buffers.GuardsIntact()) << "wrote outside the buffers or into the host's fields";

  ParameterValues values{};
  const auto texts = FieldTexts(session);
  for (const FieldId id : kFieldIds) values[Index(id)] = ExpectedRead(texts[Index(id)]);
  EXPECT_EQ(texts[Index(FieldId::Width)], widthText) << "the frame changed \"width\"";
  EXPECT_EQ(texts[Index(FieldId::Height)], heightText) << "the frame changed \"height\"";
  values[Index(FieldId::Width)] = ExpectedRead(widthText);
  values[Index(FieldId::Height)] = ExpectedRead(heightText);

  const FrameRecord& r = buffers.Record();
  const std::int32_t outW = OutputSize(values[Index(FieldId::Width)], capW);
  const std::int32_t outH = OutputSize(values[Index(FieldId::Height)], capH);
  EXPECT_EQ(r.width, outW);
  EXPECT_EQ(r.height, outH);
  if (!buffers.GuardsIntact() || r.width != outW || r.height != outH) return values;

  const std::vector<Pixel> want = ExpectedFrame(shape, values);
  for (std::size_t k = 0; k < count; ++k) {
    if (!(r.current[k] == want[k])) {
      ADD_FAILURE() << "output pixel (" << k % capW << "," << k / capW << ") wrong; values "
                    << ::testing::PrintToString(values);
      break;
    }
    if (!(r.scratch[k] == source[k])) {
      ADD_FAILURE() << "the incoming frame changed at pixel " << k;
      break;
    }
  }
  return values;
}

}  // namespace tesselox::test
