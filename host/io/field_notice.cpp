#include "host/io/field_notice.h"

#include <algorithm>
#include <charconv>

#include "host/io/io_error.h"

namespace tesselox::io {
namespace {

// What an up-down control reports for the text: the integer when it lies in the range, else 0.
std::int32_t RangedValue(const FieldState& state) {
  const auto value = FieldInteger(state.text);
  return value && *value >= state.low && *value <= state.high ? *value : 0;
}

std::string Keys(int count, const char* what) {
  return std::to_string(count) + (count == 1 ? " key " : " keys ") + what;
}

std::string RangeText(std::int32_t low, std::int32_t high) {
  return std::to_string(low) + ".." + std::to_string(high);
}

// What happened to the keys on their way into the text.
std::string TypingText(const Typing& typing) {
  std::string text = "typed \"" + Printable(typing.keys) + "\"";
  if (typing.keys.empty()) return text + ": nothing";
  std::string why;
  if (typing.refused > 0) why = Keys(typing.refused, "refused");
  if (typing.pastLimit > 0) {
    if (!why.empty()) why += ", ";
    why += Keys(typing.pastLimit, "past the ") + std::to_string(typing.lengthLimit) +
           "-character limit";
  }
  return why.empty() ? text : text + ": " + why;
}

}  // namespace

std::optional<std::int32_t> FieldInteger(std::string_view text) {
  const bool plus = !text.empty() && text[0] == '+';
  if (plus) text.remove_prefix(1);
  const std::string_view digits = !plus && !text.empty() && text[0] == '-' ? text.substr(1) : text;
  if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos)
    return std::nullopt;
  std::int32_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

ParameterValues NextFrameValues(const FieldStates& fields) {
  ParameterValues values{};
  for (const FieldId id : kFieldIds) {
    const FieldState& state = fields[Index(id)];
    values[Index(id)] =
        IsOutputSize(id) ? FieldInteger(state.text).value_or(0) : RangedValue(state);
  }
  for (const FieldId phase : {FieldId::PhaseX, FieldId::PhaseY})
    values[Index(phase)] = std::clamp(values[Index(phase)], 0, PhaseLimit(phase, values));
  return values;
}

namespace {

// What the filter will use from the field at the next frame; a size's magnitude, capped.
std::int32_t UsedValue(FieldId field, const FieldStates& fields, Size capacity) {
  const std::int32_t uses = NextFrameValues(fields)[Index(field)];
  const std::int32_t cap = field == FieldId::Width ? capacity.width : capacity.height;
  return IsOutputSize(field) ? std::min(Magnitude(uses), cap) : uses;
}

}  // namespace

bool UsedAsTyped(FieldId field, const Typing& typing, const FieldStates& fields, Size capacity) {
  const auto typed = FieldInteger(typing.keys);
  return fields[Index(field)].text == typing.keys && typed &&
         *typed == UsedValue(field, fields, capacity);
}

std::optional<std::string> FieldNotice(FieldId field, const Typing& typing,
                                       const FieldStates& fields, Size capacity) {
  const FieldState& state = fields[Index(field)];
  const std::int32_t uses = UsedValue(field, fields, capacity);
  const bool isSize = IsOutputSize(field);
  const bool capped = isSize && Magnitude(NextFrameValues(fields)[Index(field)]) > uses;
  const auto held = FieldInteger(state.text);
  // A size outside its range is used as it stands, though the field's range says otherwise.
  const bool sizeInRange = !isSize || (held && *held >= state.low && *held <= state.high);
  if (UsedAsTyped(field, typing, fields, capacity) && sizeInRange) return std::nullopt;

  std::string notice =
      "field \"" + std::string(Label(field)) + "\" holds \"" + Printable(state.text) + "\"";
  if (state.text != typing.keys) notice += " (" + TypingText(typing) + ")";
  const std::string range = RangeText(state.low, state.high);
  if (!held) {
    notice += ", not an integer";
  } else if (isSize && *held < state.low) {
    notice += ", below its range " + range;
  } else if (isSize && *held > state.high) {
    notice += ", above its range " + range;
  } else if (!isSize && (*held < state.low || *held > state.high)) {
    notice += ", outside its range " + range;
  } else if (IsPhase(field) && uses != *held) {
    notice += ", above its range at the next frame " +
              RangeText(0, PhaseLimit(field, NextFrameValues(fields)));
  }
  notice += ": the filter uses " + std::to_string(uses);
  if (capped) notice += ", the buffers' capacity";
  return notice;
}

}  // namespace tesselox::io
