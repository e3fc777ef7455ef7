// SPDX-License-Identifier: MIT
#pragma once

// What the Win32 window tests share: the window opened with scripted dialogs,
// its controls read and pressed with messages, and drops built by hand.

#include "main_window.h"
#include "scan_files.h"
#include "text.h"

#include <deque>
#include <filesystem>
#include <memory>
#include <shlobj.h>
#include <string>
#include <string_view>
#include <vector>

namespace scanmill::testing {

using win32::Control;
using win32::Form1;
using win32::OpenDialogResult;

inline std::wstring windowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)), L'\0');
    GetWindowTextW(window, text.data(), static_cast<int>(text.size() + 1));
    return text;
}

// The texts of a dialog's controls of one window class ("Button", "Static").
inline std::vector<std::wstring> childTexts(HWND dialog, std::wstring_view kind) {
    struct Found {
        std::wstring_view kind;
        std::vector<std::wstring> texts;
    } found{kind, {}};
    EnumChildWindows(
        dialog,
        [](HWND child, LPARAM data) {
            auto& found = *reinterpret_cast<Found*>(data);
            wchar_t className[16] = {};
            GetClassNameW(child, className, 16);
            if (std::wstring_view(className) == found.kind) {
                found.texts.push_back(windowText(child));
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found.texts;
}

// A drop of these paths at this point of the window's client area, as the
// shell hands it over.
inline HDROP dropOf(const std::vector<std::wstring>& paths, POINT point) {
    std::size_t characters = 1; // the closing NUL
    for (const std::wstring& path : paths) {
        characters += path.size() + 1;
    }
    const HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + characters * sizeof(wchar_t));
    auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
    header->pFiles = sizeof(DROPFILES);
    header->pt = point;
    header->fWide = TRUE;
    auto* text = reinterpret_cast<wchar_t*>(header + 1);
    for (const std::wstring& path : paths) {
        text = std::copy(path.begin(), path.end(), text) + 1;
    }
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

// The window, shown, with a person at its dialogs played by a script: each
// opening of a dialog takes the next answer; none left means Cancel.
class WindowTest : public ::testing::Test {
protected:
    std::deque<OpenDialogResult> openAnswers;
    std::deque<std::wstring> folderAnswers;
    std::vector<std::string> messages;
    std::vector<std::size_t> linesAtMessage; // what List1 held when each message showed
    std::vector<std::string> questions;
    std::deque<ConvertAnswer> questionAnswers; // none left means Cancel
    std::deque<std::wstring> pictureAnswers;   // none left means Cancel
    std::unique_ptr<Form1> form;

    void SetUp() override { open(scriptedDialogs()); }

    void TearDown() override {
        form.reset();
        // Closing the window asked the thread to quit; the next test's
        // dialogs must not take that for theirs.
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        }
    }

    void open(win32::Dialogs dialogs) {
        form = std::make_unique<Form1>(std::move(dialogs));
        ShowWindow(form->handle(), SW_SHOWNORMAL);
    }

    win32::Dialogs scriptedDialogs() {
        return {[this](HWND) {
                    if (openAnswers.empty()) {
                        return OpenDialogResult{{}, fileDialog::cancelError, "Cancel"};
                    }
                    OpenDialogResult answer = openAnswers.front();
                    openAnswers.pop_front();
                    return answer;
                },
                [this](HWND) -> std::optional<std::wstring> {
                    if (folderAnswers.empty()) {
                        return std::nullopt;
                    }
                    std::wstring answer = folderAnswers.front();
                    folderAnswers.pop_front();
                    return answer;
                },
                [this](HWND, const std::wstring& text) {
                    messages.push_back(win32::utf8(text));
                    linesAtMessage.push_back(lines().size());
                },
                [this](HWND, const ConvertQuestion& question) {
                    questions.push_back(question.text);
                    if (questionAnswers.empty()) {
                        return ConvertAnswer::Cancel;
                    }
                    const ConvertAnswer answer = questionAnswers.front();
                    questionAnswers.pop_front();
                    return answer;
                },
                [this](HWND, const std::wstring&) -> std::optional<std::wstring> {
                    if (pictureAnswers.empty()) {
                        return std::nullopt;
                    }
                    std::wstring answer = pictureAnswers.front();
                    pictureAnswers.pop_front();
                    return answer;
                }};
    }

    HWND control(Control id) const { return form->control(id); }
    void click(Control id) { SendMessageW(control(id), BM_CLICK, 0, 0); }
    std::wstring text(Control id) const { return windowText(control(id)); }

    std::vector<std::wstring> lines() const {
        std::vector<std::wstring> lines;
        const auto count = SendMessageW(control(win32::List1), LB_GETCOUNT, 0, 0);
        for (WPARAM i = 0; i < static_cast<WPARAM>(count); ++i) {
            std::wstring line(
                static_cast<std::size_t>(SendMessageW(control(win32::List1), LB_GETTEXTLEN, i, 0)),
                L'\0');
            SendMessageW(control(win32::List1), LB_GETTEXT, i,
                         reinterpret_cast<LPARAM>(line.data()));
            lines.push_back(line);
        }
        return lines;
    }

    // The input Browse, the dialog answering with these names in directory
    // (one name: its full path).
    void choose(const std::filesystem::path& directory, const std::vector<std::wstring>& names) {
        std::wstring value =
            names.size() == 1 ? (directory / names.front()).wstring() : directory.wstring();
        if (names.size() > 1) {
            for (const std::wstring& name : names) {
                value += L'\0' + name;
            }
        }
        openAnswers.push_back({value, 0, {}});
        click(win32::Command1);
    }

    void drop(const std::vector<std::wstring>& paths, POINT point) {
        SendMessageW(form->handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(dropOf(paths, point)),
                     0);
    }

    // Presses a key while the focus is where it is, through the message loop's
    // own handling of keys.
    void press(WPARAM key) {
        for (const UINT message : {WM_KEYDOWN, WM_KEYUP}) {
            MSG keyMessage{GetFocus(), message, key, 0, 0, {}};
            if (!form->translateKey(keyMessage)) {
                TranslateMessage(&keyMessage);
                DispatchMessageW(&keyMessage);
            }
        }
    }
};

// Scan files with these names in directory.
inline void writeScans(const std::filesystem::path& directory,
                       const std::vector<std::wstring>& names) {
    for (const std::wstring& name : names) {
        writeFile(directory / name, rigakuBytes({}));
    }
}

} // namespace scanmill::testing
