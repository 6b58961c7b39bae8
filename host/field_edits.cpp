#include "host/field_edits.h"

#include <windows.h>

#include <algorithm>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "module/field_table.h"
#include "host/io/field_notice.h"
#include "host/io/io_error.h"
#include "host/io/scale_edits.h"
#include "host/session/window_text.h"

namespace tesselox::host {
namespace {

using io::IoError;

// Bytes in the UTF-8 character that starts with `lead`; a stray byte counts as one.
std::size_t CharacterLength(unsigned char lead) {
  return lead >= 0xf0 ? 4 : lead >= 0xe0 ? 3 : lead >= 0xc0 ? 2 : 1;
}

// The field labelled `label` among the ones the host knows.
std::size_t FieldLabelled(const ModuleSession& session, const std::string& label) {
  const auto index = session.FieldIndex(label);
  if (!index || *index >= kFieldSpecs.size())
    throw IoError("the module has no field labelled \"" + label + "\"");
  return *index;
}

// Selects the field's whole text and types the keys as a person would, one WM_CHAR per byte,
// noting each character that leaves the text as it was.
io::Typing TypeKeys(ModuleSession& session, std::size_t field, const std::string& keys) {
  io::Typing typing{keys};
  const HWND edit = session.Field(field).edit;
  typing.lengthLimit = static_cast<int>(SendMessageA(edit, EM_GETLIMITTEXT, 0, 0));
  SendMessageA(edit, EM_SETSEL, 0, -1);
  for (std::size_t k = 0; k < keys.size();) {
    const std::string before = WindowText(edit);
    DWORD start = 0, end = 0;
    SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    const std::size_t length =
        std::min(CharacterLength(static_cast<unsigned char>(keys[k])), keys.size() - k);
    for (std::size_t m = 0; m < length; ++m)
      SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(keys[k + m]), 1);
    k += length;
    if (WindowText(edit) != before) continue;
    if (start == end && static_cast<int>(before.size()) >= typing.lengthLimit) {
      ++typing.pastLimit;
    } else {
      ++typing.refused;
    }
  }
  return typing;
}

}  // namespace

void TypeScale(ModuleSession& session, const io::Options& options, io::Size input) {
  if (!options.scale) return;
  for (const io::FieldEdit& edit :
       io::ScaleEdits(*options.scale, input, options.fit, options.sampling)) {
    const std::size_t field = FieldLabelled(session, edit.label);
    const FieldRange range = session.Range(field);
    const long value = std::stol(edit.value);
    if (value < range.low || value > range.high) {
      throw IoError("--scale: the field \"" + edit.label + "\" takes " + std::to_string(range.low) +
                    ".." + std::to_string(range.high) + ", not " + edit.value);
    }
    session.TypeIntoField(field, edit.value);
    session.PumpMessages();
  }
}

ParameterValues ApplyEdits(ModuleSession& session, const io::Options& options, io::Size capacity,
                           std::ostream& errors) {
  std::map<FieldId, io::Typing> typed;  // the last edit of each field counts
  for (const io::FieldEdit& edit : options.edits) {
    const std::size_t field = FieldLabelled(session, edit.label);
    typed[static_cast<FieldId>(field)] = TypeKeys(session, field, edit.value);
    session.PumpMessages();
  }
  io::FieldStates fields;
  for (const FieldId id : kFieldIds) {
    const FieldRange range = session.Range(Index(id));
    fields[Index(id)] = {session.FieldText(Index(id)), range.low, range.high};
  }
  std::vector<std::string> notices, refusals;  // --strict refuses what is not used as typed
  for (const auto& [field, typing] : typed) {
    if (auto notice = io::FieldNotice(field, typing, fields, capacity)) {
      notices.push_back(*notice);
      if (!io::UsedAsTyped(field, typing, fields, capacity)) refusals.push_back(*notice);
    }
  }
  if (options.strict && !refusals.empty()) {
    const std::size_t more = refusals.size() - 1;
    throw IoError(refusals.front() + (more == 0 ? "" : " (and " + std::to_string(more) + " more)") +
                  " (--strict)");
  }
  for (const std::string& notice : notices) errors << "tesselox-host: notice: " << notice << "\n";
  return io::NextFrameValues(fields);
}

void PrintFields(const ModuleSession& session, std::ostream& out) {
  const std::vector<SpinField> found = session.Fields();
  for (std::size_t k = 0; k < kFieldSpecs.size(); ++k) {
    if (k >= found.size()) {
      out << kFieldSpecs[k].label << ": (no field)\n";
      continue;
    }
    const FieldRange range = session.Range(k);
    out << WindowText(found[k].label) << ": \"" << WindowText(found[k].edit) << "\" range "
        << range.low << ".." << range.high << "\n";
  }
}

}  // namespace tesselox::host
