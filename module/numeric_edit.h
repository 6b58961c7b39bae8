#pragma once

#include <windows.h>

namespace tesselox {

// The EDIT class's own window procedure, saved when the filter is installed. All the fields'
// edit boxes are of the EDIT class, so one variable serves them all.
extern WNDPROC savedEditProc;

// Lets through only the keystrokes that can make a number: digits, '.', backspace, tab, and a
// sign at the start of the text (replacing a sign already there). Every other WM_CHAR is
// dropped, among them the control codes an edit box reads as select-all, copy, paste, cut and
// undo; every other message goes to savedEditProc. Each message let through is first shown to
// NoteEditMessage, so that the field operations learn of every change to the text.
LRESULT CALLBACK NumericEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam);

// Makes NumericEditProc the edit box's window procedure, saving the one it had.
void InstallNumericFilter(HWND edit);

// Puts savedEditProc back as the edit box's window procedure.
void RemoveNumericFilter(HWND edit);

}  // namespace tesselox
