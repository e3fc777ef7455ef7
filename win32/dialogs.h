// SPDX-License-Identifier: MIT
#pragma once

#include "window_core.h"

#include <functional>
#include <optional>
#include <string>
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

namespace scanmill::win32 {

// How the input Browse's Open dialog ended: with its value, or with the
// number and description of the dialog control's failure.
struct OpenDialogResult {
    // One full path, or the directory followed by the names, each part
    // separated from the next by a NUL.
    std::wstring value;
    int error = 0; // 0 when the dialog gave a value
    std::string description;
};

// The window's modal dialogs, behind one seam so that tests can play the
// person at them.
struct Dialogs {
    std::function<OpenDialogResult(HWND owner)> openFiles;
    // The chosen folder; none when the chooser was cancelled or failed.
    std::function<std::optional<std::wstring>(HWND owner)> chooseFolder;
    // A message box with an OK button only and no icon.
    std::function<void(HWND owner, const std::wstring& text)> showMessage;
    // Convert's question, answered.
    std::function<ConvertAnswer(HWND owner, const ConvertQuestion& question)> askQuestion;
    // Where a preview's picture goes, ending ".svg" or ".png" as the person
    // chose; none when the Save dialog was cancelled.
    std::function<std::optional<std::wstring>(HWND owner, const std::wstring& suggested)>
        choosePicturePath;
};

// The identifiers of the question's own buttons: this plus the answer.
inline constexpr int questionButtonBase = 100;

// Convert's question as a task dialog: titled messageTitle, with the
// question icon, "Use whole names" (the default), "Replace" where offered,
// and the system's Cancel, which Escape and the close box answer too. A
// test's callback may play the person.
ConvertAnswer askConvertQuestion(HWND owner, const ConvertQuestion& question,
                                 PFTASKDIALOGCALLBACK callback = nullptr,
                                 LONG_PTR callbackData = 0);

// The Open dialog's end without a value, from CommDlgExtendedError's code:
// cancelled (0) and a buffer too small as the window core words them,
// anything else with the code and what it means.
OpenDialogResult openDialogFailure(DWORD code);

// Where the Open dialog starts when the program runs in its own folder, as
// its shortcuts start it: the user's Documents, not Program Files. Empty
// otherwise, when Windows' own choice (the folder used last) is better.
// Windows goes on from the folder chosen last, as it does for a starting
// folder given every time.
std::wstring openDialogStart();

// The system's own: GetOpenFileNameW, the folder chooser, MessageBoxW and
// GetSaveFileNameW.
Dialogs systemDialogs();

} // namespace scanmill::win32
