// SPDX-License-Identifier: MIT
#include "main_window.h"

#include "dpi.h"
#include "file_dialog_value.h"
#include "form_controls.h"
#include "preview_window.h"
#include "text.h"

#include <commctrl.h>
#include <shellapi.h>
#include <utility>

namespace scanmill::win32 {

namespace {

constexpr wchar_t windowClass[] = L"ScanmillForm1";

// While it lives, the hourglass shows: the window does not respond meanwhile.
class BusyCursor {
public:
    BusyCursor() : previous_(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {}
    ~BusyCursor() { SetCursor(previous_); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

private:
    HCURSOR previous_;
};

void registerWindowClass(HINSTANCE instance, WNDPROC procedure) {
    // The controls of common controls 6 and the tool tips.
    INITCOMMONCONTROLSEX commonControls{sizeof commonControls,
                                        ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&commonControls);
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExW(instance, windowClass, &existing)) {
        return;
    }
    WNDCLASSEXW windowClassInfo{};
    windowClassInfo.cbSize = sizeof windowClassInfo;
    windowClassInfo.lpfnWndProc = procedure;
    windowClassInfo.hInstance = instance;
    // The program's icon is resource 1; test programs have none.
    windowClassInfo.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    windowClassInfo.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClassInfo.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClassInfo.lpszClassName = windowClass;
    RegisterClassExW(&windowClassInfo);
}

} // namespace

Form1::Form1(Dialogs dialogs) : dialogs_(std::move(dialogs)) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    registerWindowClass(instance, windowProc);
    // The frame's size is set once the window knows its monitor's DPI.
    CreateWindowExW(0, windowClass, wide(windowCaption).c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                    CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, this);
}

Form1::~Form1() {
    if (window_) {
        DestroyWindow(window_);
    }
    freeFonts();
}

LRESULT CALLBACK Form1::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* form =
            static_cast<Form1*>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
        form->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    auto* form = reinterpret_cast<Form1*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!form) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        form->window_ = nullptr;
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return form->handleMessage(message, wParam, lParam);
}

LRESULT Form1::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        onCreate();
        return 0;
    case WM_COMMAND:
        onCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_DROPFILES:
        onDropFiles(reinterpret_cast<HDROP>(wParam));
        return 0;
    case WM_DPICHANGED:
        onDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_ACTIVATE:
        onActivate(LOWORD(wParam) != WA_INACTIVE);
        return 0;
    case WM_CTLCOLORSTATIC:
        return onColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_DESTROY:
        closePreviewWindows();
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window_, message, wParam, lParam);
    }
}

void Form1::onCreate() {
    dpi_ = dpiOf(window_);
    const SIZE size =
        windowSizeFor(pixels(formWidth, dpi_), pixels(formHeight, dpi_), window_, dpi_);
    SetWindowPos(window_, nullptr, 0, 0, size.cx, size.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    createFormControls(window_);
    fonts_ = setFormFonts(window_, dpi_);
    placeFormControls(window_, nullptr, dpi_);
    toolTips_ = addFormToolTips(window_, dpi_);
    DragAcceptFiles(window_, TRUE);
}

void Form1::freeFonts() {
    for (const HFONT font : fonts_) {
        DeleteObject(font);
    }
    fonts_.clear();
}

void Form1::onDpiChanged(UINT dpi, const RECT& suggested) {
    dpi_ = dpi;
    SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    freeFonts();
    fonts_ = setFormFonts(window_, dpi_);
    placeFormControls(window_, toolTips_, dpi_);
    fitListToolTip(toolTips_, control(List1));
}

LRESULT Form1::onColorStatic(HDC dc, HWND control) {
    // The two labels overlap: each draws its text alone, over the window.
    const FormControl* item = formControlOf(GetDlgCtrlID(control));
    if (item && item->kind == ControlKind::Label) {
        SetBkMode(dc, TRANSPARENT);
        return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
    }
    return DefWindowProcW(window_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                          reinterpret_cast<LPARAM>(control));
}

void Form1::onActivate(bool active) {
    // The system gives the focus back to the window, not to the control that
    // had it before a dialog or another program took it.
    if (!active) {
        focused_ = GetFocus();
        return;
    }
    SetFocus(focused_ && IsChild(window_, focused_) ? focused_ : control(Command1));
}

void Form1::onCommand(int id, int code) {
    if (id == List1 && code == LBN_DBLCLK) {
        openPreview();
        return;
    }
    if (code != BN_CLICKED) {
        return;
    }
    switch (id) {
    case Command1:
        browseInputFiles();
        break;
    case Command2:
        convert();
        break;
    case Command3:
        browseOutputDirectory();
        break;
    case Command4:
        exitProgram();
        break;
    default:
        break;
    }
}

bool Form1::translateKey(MSG& message) {
    if (!window_) {
        return false;
    }
    // Enter presses the focused button, as Space does. The dialog manager
    // would send it to a default button instead, which differs between
    // Windows and Wine, so it is taken here first.
    if (message.message == WM_KEYDOWN && message.wParam == VK_RETURN &&
        GetParent(message.hwnd) == window_ && isPushButton(GetDlgCtrlID(message.hwnd))) {
        SendMessageW(message.hwnd, BM_CLICK, 0, 0);
        return true;
    }
    // Enter on a status line opens it, as a double-click does.
    if (message.message == WM_KEYDOWN && message.wParam == VK_RETURN &&
        message.hwnd == control(List1)) {
        openPreview();
        return true;
    }
    return IsDialogMessageW(window_, &message);
}

void Form1::browseInputFiles() {
    const OpenDialogResult result = dialogs_.openFiles(window_);
    show(result.error == 0 ? core_.filesChosen(parseFileDialogValue(utf8(result.value)))
                           : core_.inputDialogFailed(result.error, result.description));
}

void Form1::convert() {
    const OutputFormat format = chosenFormat(IsDlgButtonChecked(window_, Option1) == BST_CHECKED);
    const auto tube = static_cast<std::size_t>(SendMessageW(control(Combo1), CB_GETCURSEL, 0, 0));
    std::optional<std::string> failure;
    {
        // Busy until the list and the output box show how the batch went;
        // the message box after it waits for a person.
        const BusyCursor busy;
        WindowUpdate update = core_.convert(format, anodes[tube < std::size(anodes) ? tube : 0]);
        if (update.question) {
            update = core_.questionAnswered(dialogs_.askQuestion(window_, *update.question));
        }
        failure = std::exchange(update.message, std::nullopt);
        show(update);
    }
    showMessage(failure);
}

void Form1::browseOutputDirectory() {
    if (const auto folder = dialogs_.chooseFolder(window_)) {
        show(core_.outputDirectoryChosen(utf8(*folder)));
    }
}

void Form1::exitProgram() {
    // At once: no question, and nothing is open or unsaved between commands.
    DestroyWindow(window_);
}

void Form1::openPreview() {
    // The selected lines; a double-click has selected the line clicked alone.
    const HWND list = control(List1);
    std::vector<int> selected(
        static_cast<std::size_t>(std::max<LRESULT>(0, SendMessageW(list, LB_GETSELCOUNT, 0, 0))));
    selected.resize(static_cast<std::size_t>(
        std::max<LRESULT>(0, SendMessageW(list, LB_GETSELITEMS, selected.size(),
                                          reinterpret_cast<LPARAM>(selected.data())))));
    if (selected.empty()) {
        return;
    }
    PreviewOpening opening =
        core_.openPreview(std::vector<std::size_t>(selected.begin(), selected.end()));
    if (!opening.scans.empty()) {
        openPreviewWindow(PreviewPlot(std::move(opening.scans)), dialogs_);
    }
    showMessage(opening.message);
}

void Form1::openCommandLine(const std::vector<std::wstring>& arguments) {
    std::vector<std::string> named;
    for (const std::wstring& argument : arguments) {
        named.push_back(utf8(argument));
    }
    show(core_.commandLine(named));
}

void Form1::onDropFiles(HDROP drop) {
    // Not while a dialog or message box of the window waits for a person.
    if (!IsWindowEnabled(window_)) {
        DragFinish(drop);
        return;
    }
    std::vector<std::string> paths;
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        std::wstring path(DragQueryFileW(drop, i, nullptr, 0), L'\0');
        DragQueryFileW(drop, i, path.data(), static_cast<UINT>(path.size() + 1));
        paths.push_back(utf8(path));
    }
    POINT point{};
    DragQueryPoint(drop, &point);
    DragFinish(drop);
    const RECT outputFrame = placeOf(formControl("Frame4"), dpi_);
    show(core_.dropped(paths, PtInRect(&outputFrame, point) != FALSE));
}

void Form1::show(const WindowUpdate& update) {
    if (update.inputBox) {
        SetWindowTextW(control(Text1), wide(*update.inputBox).c_str());
    }
    if (update.outputBox) {
        SetWindowTextW(control(Text2), wide(*update.outputBox).c_str());
    }
    if (update.tube) {
        SendMessageW(
            control(Combo1), CB_SETCURSEL,
            static_cast<WPARAM>(std::find(std::begin(anodes), std::end(anodes), *update.tube) -
                                std::begin(anodes)),
            0);
    }
    const HWND list = control(List1);
    const auto shownLines = static_cast<std::size_t>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (std::size_t row = shownLines; row < core_.statusLineCount(); ++row) {
        addListLine(list, wide(core_.statusLine(row)));
    }
    if (core_.statusLineCount() > shownLines) {
        // So that a press shows what it did, however long the list has grown;
        // the list box keeps its last page full.
        const auto count = SendMessageW(list, LB_GETCOUNT, 0, 0);
        SendMessageW(list, LB_SETTOPINDEX, static_cast<WPARAM>(count - 1), 0);
        // Its scroll bars too: a question box may have covered them before
        // the batch kept the window from painting.
        RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ERASE);
        fitListToolTip(toolTips_, list);
    }
    showMessage(update.message);
}

void Form1::showMessage(const std::optional<std::string>& message) {
    if (message) {
        dialogs_.showMessage(window_, wide(*message));
    }
}

int runMessageLoop(Form1& form) {
    MSG message{};
    BOOL got = 0;
    while ((got = GetMessageW(&message, nullptr, 0, 0)) > 0) {
        if (!form.translateKey(message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return got == 0 ? static_cast<int>(message.wParam) : 1;
}

} // namespace scanmill::win32
