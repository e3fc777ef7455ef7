// SPDX-License-Identifier: MIT
#include "dialogs.h"

#include "com_ptr.h"
#include "text.h"
#include "window_core.h"

#include <commdlg.h>
#include <knownfolders.h>
#include <memory>
#include <shlobj.h>
#include <shobjidl.h>

namespace scanmill::win32 {

namespace {

// Description and patterns, each ended by a NUL, and a NUL after the last pair.
constexpr wchar_t scanFilter[] = L"Rigaku raw (*.raw)\0*.raw\0";

std::string describeDialogFailure(DWORD code) {
    switch (code) {
    case CDERR_DIALOGFAILURE:
        return "The dialog box could not be created.";
    case CDERR_INITIALIZATION:
    case CDERR_MEMALLOCFAILURE:
    case CDERR_MEMLOCKFAILURE:
        return "There is not enough memory to open the dialog box.";
    case CDERR_FINDRESFAILURE:
    case CDERR_LOADRESFAILURE:
    case CDERR_LOADSTRFAILURE:
    case CDERR_LOCKRESFAILURE:
        return "A resource of the dialog box could not be loaded.";
    case FNERR_INVALIDFILENAME:
        return "A file name is not valid.";
    default:
        return "The dialog box failed.";
    }
}

std::wstring folderOf(std::wstring path) {
    path.erase(path.find_last_not_of(L"\\/") + 1);
    return path;
}

OpenDialogResult systemOpenFiles(HWND owner) {
    std::wstring buffer(fileDialog::bufferSize, L'\0');
    const std::wstring start = openDialogStart();
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrInitialDir = start.empty() ? nullptr : start.c_str();
    dialog.lpstrFilter = scanFilter;
    dialog.lpstrFile = buffer.data();
    dialog.nMaxFile = static_cast<DWORD>(buffer.size());
    dialog.Flags = OFN_EXPLORER | OFN_ALLOWMULTISELECT;
    if (!GetOpenFileNameW(&dialog)) {
        return openDialogFailure(CommDlgExtendedError());
    }
    // The value ends where two NULs meet.
    buffer.resize(buffer.find(std::wstring_view(L"\0\0", 2)));
    return {buffer, 0, {}};
}

std::optional<std::wstring> systemChooseFolder(HWND owner) {
    IFileOpenDialog* created = nullptr;
    if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IFileOpenDialog, reinterpret_cast<void**>(&created)))) {
        return std::nullopt;
    }
    const ComPtr<IFileOpenDialog> dialog(created);
    FILEOPENDIALOGOPTIONS options = 0;
    dialog->GetOptions(&options);
    dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST |
                       FOS_NOCHANGEDIR);
    IShellItem* chosen = nullptr;
    if (FAILED(dialog->Show(owner)) || FAILED(dialog->GetResult(&chosen))) {
        return std::nullopt;
    }
    const ComPtr<IShellItem> item(chosen);
    wchar_t* path = nullptr;
    if (FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, &path))) {
        return std::nullopt;
    }
    std::wstring folder(path);
    CoTaskMemFree(path);
    return folder;
}

// The Save dialog for a picture; a name without either extension gets that
// of the type chosen.
std::optional<std::wstring> systemChoosePicturePath(HWND owner, const std::wstring& suggested) {
    static constexpr wchar_t filter[] = L"SVG picture (*.svg)\0*.svg\0PNG picture (*.png)\0*.png\0";
    std::wstring buffer(fileDialog::bufferSize, L'\0');
    suggested.copy(buffer.data(), std::min(suggested.size(), buffer.size() - 1));
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter;
    dialog.lpstrFile = buffer.data();
    dialog.nMaxFile = static_cast<DWORD>(buffer.size());
    dialog.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
    if (!GetSaveFileNameW(&dialog)) {
        return std::nullopt;
    }
    std::wstring path(buffer.c_str());
    const std::wstring extension = path.size() >= 4 ? path.substr(path.size() - 4) : L"";
    if (CompareStringOrdinal(extension.c_str(), -1, L".svg", -1, TRUE) != CSTR_EQUAL &&
        CompareStringOrdinal(extension.c_str(), -1, L".png", -1, TRUE) != CSTR_EQUAL) {
        path += dialog.nFilterIndex == 2 ? L".png" : L".svg";
    }
    return path;
}

void systemShowMessage(HWND owner, const std::wstring& text) {
    MessageBoxW(owner, text.c_str(), wide(messageTitle).c_str(), MB_OK);
}

} // namespace

std::wstring openDialogStart() {
    std::wstring program(MAX_PATH, L'\0');
    program.resize(GetModuleFileNameW(nullptr, program.data(), MAX_PATH));
    program.erase(program.find_last_of(L"\\/") + 1);
    std::wstring current(MAX_PATH, L'\0');
    current.resize(GetCurrentDirectoryW(MAX_PATH, current.data()));
    if (program.empty() ||
        CompareStringOrdinal(folderOf(program).c_str(), -1, folderOf(current).c_str(), -1, TRUE) !=
            CSTR_EQUAL) {
        return {};
    }
    PWSTR documents = nullptr;
    if (FAILED(SHGetKnownFolderPath(FOLDERID_Documents, 0, nullptr, &documents))) {
        return {};
    }
    std::wstring folder(documents);
    CoTaskMemFree(documents);
    return folder;
}

ConvertAnswer askConvertQuestion(HWND owner, const ConvertQuestion& question,
                                 PFTASKDIALOGCALLBACK callback, LONG_PTR callbackData) {
    const std::wstring title = wide(messageTitle);
    const std::wstring text = wide(question.text);
    const std::wstring wholeNames = wide(wholeNamesButton);
    const std::wstring replace = wide(replaceButton);
    const TASKDIALOG_BUTTON buttons[] = {
        {static_cast<int>(ConvertAnswer::WholeNames) + questionButtonBase, wholeNames.c_str()},
        {static_cast<int>(ConvertAnswer::Replace) + questionButtonBase, replace.c_str()}};
    TASKDIALOGCONFIG config{};
    config.cbSize = sizeof config;
    config.hwndParent = owner;
    // Escape and the close box answer Cancel.
    config.dwFlags =
        TDF_ALLOW_DIALOG_CANCELLATION | TDF_USE_HICON_MAIN | TDF_POSITION_RELATIVE_TO_WINDOW;
    config.dwCommonButtons = TDCBF_CANCEL_BUTTON;
    config.pszWindowTitle = title.c_str();
    config.hMainIcon = LoadIconW(nullptr, IDI_QUESTION);
    config.pszContent = text.c_str();
    config.cButtons = question.offersReplace ? 2 : 1;
    config.pButtons = buttons;
    config.nDefaultButton = buttons[0].nButtonID;
    config.pfCallback = callback;
    config.lpCallbackData = callbackData;
    int pressed = IDCANCEL;
    if (FAILED(TaskDialogIndirect(&config, &pressed, nullptr, nullptr))) {
        return ConvertAnswer::Cancel;
    }
    return pressed == buttons[0].nButtonID                             ? ConvertAnswer::WholeNames
           : question.offersReplace && pressed == buttons[1].nButtonID ? ConvertAnswer::Replace
                                                                       : ConvertAnswer::Cancel;
}

OpenDialogResult openDialogFailure(DWORD code) {
    if (code == 0) {
        return {{}, fileDialog::cancelError, fileDialog::cancelDescription};
    }
    if (code == FNERR_BUFFERTOOSMALL) {
        return {{}, fileDialog::bufferTooSmallError, fileDialog::bufferTooSmallDescription};
    }
    return {{}, static_cast<int>(code), describeDialogFailure(code)};
}

Dialogs systemDialogs() {
    return {systemOpenFiles, systemChooseFolder, systemShowMessage,
            [](HWND owner, const ConvertQuestion& question) {
                return askConvertQuestion(owner, question);
            },
            systemChoosePicturePath};
}

} // namespace scanmill::win32
