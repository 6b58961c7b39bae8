#pragma once

// The twelve fields as Win32 controls: a centred label, an edit box holding the field's text
// and an up-down control holding its range. The field operations (field_operations.h) are
// carried out on them in field_operations.cpp: with what the module knows of each field where that
// answers, else by messages to these controls.

#include <windows.h>

#include <array>
#include <cstdint>

#include "module/field_table.h"
#include "module/field_mirror.h"

namespace tesselox {

struct SpinField {
  HWND label;
  HWND edit;
  HWND upDown;
  std::int32_t width;  // the up-down control's width + 140
  FieldMirror mirror;
};

inline constexpr int kMaxTextLength = 5;  // typed into an edit box at most; all ReadValue reads

// Made when the module is loaded, deleted when it is unloaded; only the edit boxes use it.
extern HFONT FieldFont;

// One per FieldId; all null until CreateFields.
extern std::array<SpinField, kFieldCount> spinFields;

// Creates one field: label at (x, y), edit box at (x + 60, y) with the numeric filter, and an
// up-down control attached to it holding low..high and the initial value.
SpinField CreateSpinField(const char* labelText, HWND parent, HINSTANCE instance, int editId, int x,
                          int y, std::int32_t low, std::int32_t high, std::int32_t initial);

// Creates the twelve fields in two columns inside parent, with their initial values and
// creation ranges, and answers true. A second call leaves the fields that exist alone and
// answers false.
bool CreateFields(HWND parent, HINSTANCE instance);

// Called by the keystroke filter for every message that reaches a field's edit box, before the
// box handles it: a message that may change the text makes what the module knows of the field
// stale.
void NoteEditMessage(HWND edit, UINT message);

// The unload teardown: deletes FieldFont, restores the edit boxes' own procedure and destroys
// the controls, last field first. Handles that no longer exist are passed over harmlessly.
void DestroyFields();

}  // namespace tesselox
