// SPDX-License-Identifier: MIT
#pragma once

#include "controls.h"
#include "form.h"

#include <string>
#include <vector>
#include <windows.h>

// The form's table made into Win32 controls of a window: their classes,
// places, fonts and tool tips, at a DPI.
namespace scanmill::win32 {

// The form's control of this child window id, if it is one.
const FormControl* formControlOf(int id);
bool isPushButton(int id);

// Twips to pixels: 15 twips to a pixel at 96 dpi, more at higher ones.
int pixels(int twips, UINT dpi);

// The control's rectangle in the window's client area.
RECT placeOf(const FormControl& control, UINT dpi);

// Makes every control of the table in the window, in the tab order, with
// the first option button checked.
void createFormControls(HWND window);

// Gives each control its font at this DPI; returns the fonts, which the
// caller deletes once the controls no longer use them.
std::vector<HFONT> setFormFonts(HWND window, UINT dpi);

// Places every control, and the tips of the frames, at this DPI.
void placeFormControls(HWND window, HWND toolTips, UINT dpi);

// The tool tips of the table's controls; returns their window.
HWND addFormToolTips(HWND window, UINT dpi);

// Fits the list's tip to the part of the list below its last line: over a
// line it would cover the line being read.
void fitListToolTip(HWND toolTips, HWND list);

// Adds a line at the end of a list box, which scrolls sideways to the
// longest line.
void addListLine(HWND list, const std::wstring& text);

} // namespace scanmill::win32
