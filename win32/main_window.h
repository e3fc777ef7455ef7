// SPDX-License-Identifier: MIT
#pragma once

#include "controls.h"
#include "dialogs.h"
#include "window_core.h"

#include <optional>
#include <string>
#include <vector>
#include <windows.h>

namespace scanmill::win32 {

// The program's only window in Win32 controls. The rules of its commands are
// the window core's; this shows what the core gives back and hands it the
// person's clicks, dialogs and drops.
class Form1 {
public:
    explicit Form1(Dialogs dialogs = systemDialogs());
    ~Form1();
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    HWND handle() const { return window_; }
    HWND control(Control id) const { return GetDlgItem(window_, id); }
    const WindowCore& core() const { return core_; }
    HWND toolTips() const { return toolTips_; }

    // The command line's files and tube.
    void openCommandLine(const std::vector<std::wstring>& arguments);

    // What the message loop asks of each message before dispatching it: the
    // keys that move between controls and press buttons. True when taken.
    bool translateKey(MSG& message);

private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void onCreate();
    void onActivate(bool active);
    void onCommand(int id, int code);
    void onDropFiles(HDROP drop);
    void onDpiChanged(UINT dpi, const RECT& suggested);
    LRESULT onColorStatic(HDC dc, HWND control);

    void browseInputFiles();
    void convert();
    void browseOutputDirectory();
    void exitProgram();
    void openPreview();

    void freeFonts();
    void show(const WindowUpdate& update);
    void showMessage(const std::optional<std::string>& message);

    HWND window_ = nullptr;
    HWND toolTips_ = nullptr;
    HWND focused_ = nullptr; // the control to give the focus back to
    UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
    std::vector<HFONT> fonts_; // one for each control
    Dialogs dialogs_;
    WindowCore core_;
};

// Runs the message loop until the window is closed; returns the exit code.
int runMessageLoop(Form1& form);

} // namespace scanmill::win32
