// SPDX-License-Identifier: MIT
#include "main_window.h"

#include "dpi.h"
#include "file_dialog_value.h"
#include "form.h"
#include "preview_window.h"
#include "text.h"

#include <cmath>
#include <commctrl.h>
#include <iterator>
#include <shellapi.h>
#include <utility>

namespace scanmill::win32 {

namespace {

constexpr wchar_t windowClass[] = L"ScanmillForm1";

// How Win32 makes a control of each kind: its class and styles.
struct ControlClass {
    const wchar_t* name;
    DWORD style;
    DWORD exStyle = 0;
};

ControlClass classOf(ControlKind kind) {
    switch (kind) {
    case ControlKind::Label:
        return {WC_STATICW, WS_GROUP | SS_NOPREFIX};
    case ControlKind::Frame:
        return {WC_BUTTONW, WS_GROUP | BS_GROUPBOX};
    case ControlKind::TextBox:
        // Read-only: the boxes show a choice, and typed text would never be read.
        return {WC_EDITW, WS_TABSTOP | WS_GROUP | ES_READONLY | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
    case ControlKind::Button:
        return {WC_BUTTONW, WS_TABSTOP | WS_GROUP | BS_PUSHBUTTON};
    case ControlKind::OptionButton:
        return {WC_BUTTONW, WS_TABSTOP | WS_GROUP | BS_AUTORADIOBUTTON};
    case ControlKind::ListBox:
        // Unsorted: lines stay in the order they are added. It tells the
        // window of double-clicks.
        return {WC_LISTBOXW,
                WS_TABSTOP | WS_GROUP | WS_VSCROLL | WS_HSCROLL | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY,
                WS_EX_CLIENTEDGE};
    }
    return {};
}

// The controls' ids follow the form's table.
static_assert(std::size(formControls) == Command4 - Command1 + 1);

Control idOf(const FormControl& item) {
    return static_cast<Control>(Command1 + (&item - std::begin(formControls)));
}

// The form's control of this child window id, if it is one.
const FormControl* formControlOf(int id) {
    if (id < Command1 || id > Command4) {
        return nullptr;
    }
    return &formControls[id - Command1];
}

// Twips to pixels: 15 twips to a pixel at 96 dpi, more at higher ones.
int pixels(int twips, UINT dpi) {
    return MulDiv(twips, static_cast<int>(dpi), 1440);
}

// The control's rectangle in the window's client area.
RECT placeOf(const FormControl& control, UINT dpi) {
    const FormRect place = placeInForm(control);
    return {pixels(place.left, dpi), pixels(place.top, dpi), pixels(place.left + place.width, dpi),
            pixels(place.top + place.height, dpi)};
}

bool isPushButton(int id) {
    const FormControl* item = formControlOf(id);
    return item && item->kind == ControlKind::Button;
}

// The outer size of a window with this client size and style.
SIZE windowSizeFor(int width, int height, HWND window, UINT dpi) {
    static const auto adjustForDpi =
        user32Function<BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT)>("AdjustWindowRectExForDpi");
    RECT rect{0, 0, width, height};
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE));
    if (adjustForDpi) {
        adjustForDpi(&rect, style, FALSE, exStyle, dpi);
    } else {
        AdjustWindowRectEx(&rect, style, FALSE, exStyle);
    }
    return {rect.right - rect.left, rect.bottom - rect.top};
}

int CALLBACK noteFontFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

bool fontInstalled(const wchar_t* face) {
    LOGFONTW font{};
    font.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(font.lfFaceName, face, LF_FACESIZE);
    bool found = false;
    const HDC screen = GetDC(nullptr);
    EnumFontFamiliesExW(screen, &font, noteFontFound, reinterpret_cast<LPARAM>(&found), 0);
    ReleaseDC(nullptr, screen);
    return found;
}

// The system's dialog font.
constexpr wchar_t dialogFace[] = L"MS Shell Dlg";

// Trebuchet MS where installed; else the dialog font's face, a sans serif
// as well, rather than whatever the font mapper would pick.
const wchar_t* trebuchetFace() {
    static const std::wstring trebuchet = wide(trebuchetFamily);
    static const bool installed = fontInstalled(trebuchet.c_str());
    return installed ? trebuchet.c_str() : dialogFace;
}

HFONT makeFont(const FormFont& font, UINT dpi) {
    LOGFONTW made{};
    const auto hundredthsOfPoint = static_cast<int>(std::lround(font.points * 100));
    made.lfHeight = -MulDiv(hundredthsOfPoint, static_cast<int>(dpi), 7200);
    made.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
    made.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(made.lfFaceName, font.face == Typeface::Trebuchet ? trebuchetFace() : dialogFace,
              LF_FACESIZE);
    return CreateFontIndirectW(&made);
}

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
    createControls();
    makeFonts();
    placeControls();
    addToolTips();
    DragAcceptFiles(window_, TRUE);
}

void Form1::createControls() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    const FormControl* previous = nullptr;
    for (const FormControl& item : formControls) {
        const ControlClass kind = classOf(item.kind);
        DWORD style = kind.style;
        // Every control starts a group of its own but an option button that
        // follows another, so that the arrow keys move between the options alone.
        if (item.kind == ControlKind::OptionButton && previous &&
            previous->kind == ControlKind::OptionButton) {
            style &= ~(WS_TABSTOP | WS_GROUP);
        }
        CreateWindowExW(kind.exStyle, kind.name, wide(item.text).c_str(),
                        WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, window_,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(idOf(item))), instance,
                        nullptr);
        previous = &item;
    }
    // The frames lie beneath the controls drawn over them; the others keep
    // the tab order they were made in.
    for (const FormControl& item : formControls) {
        if (item.kind == ControlKind::Frame) {
            SetWindowPos(control(idOf(item)), HWND_BOTTOM, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        }
    }
    CheckRadioButton(window_, Option1, Option2, Option1);
}

void Form1::makeFonts() {
    for (const FormControl& item : formControls) {
        const HFONT font = makeFont(item.font, dpi_);
        fonts_.push_back(font);
        SendMessageW(control(idOf(item)), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
}

void Form1::freeFonts() {
    for (const HFONT font : fonts_) {
        DeleteObject(font);
    }
    fonts_.clear();
}

void Form1::placeControls() {
    for (const FormControl& item : formControls) {
        const RECT place = placeOf(item, dpi_);
        SetWindowPos(control(idOf(item)), nullptr, place.left, place.top, place.right - place.left,
                     place.bottom - place.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (!toolTips_) {
        return;
    }
    // A frame's tip belongs to its area of the window, which moves with it.
    for (const FormControl& item : formControls) {
        if (item.kind != ControlKind::Frame || !item.toolTip) {
            continue;
        }
        TOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.hwnd = window_;
        tool.uId = idOf(item);
        tool.rect = placeOf(item, dpi_);
        SendMessageW(toolTips_, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

void Form1::addToolTips() {
    toolTips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    for (const FormControl& item : formControls) {
        if (!item.toolTip) {
            continue;
        }
        std::wstring text = wide(item.toolTip);
        TOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.uFlags = TTF_SUBCLASS;
        tool.hwnd = window_;
        tool.lpszText = text.data();
        if (item.kind == ControlKind::Frame) {
            // A frame lets the mouse through to the window: its tip belongs
            // to its area of the window.
            tool.uId = idOf(item);
            tool.rect = placeOf(item, dpi_);
        } else {
            tool.uFlags |= TTF_IDISHWND;
            tool.uId = reinterpret_cast<UINT_PTR>(control(idOf(item)));
        }
        SendMessageW(toolTips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

void Form1::onDpiChanged(UINT dpi, const RECT& suggested) {
    dpi_ = dpi;
    SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    freeFonts();
    makeFonts();
    placeControls();
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
    std::optional<std::string> failure;
    {
        // Busy until the list and the output box show how the batch went;
        // the message box after it waits for a person.
        const BusyCursor busy;
        WindowUpdate update = core_.convert(format);
        if (update.question) {
            const bool yes = dialogs_.askQuestion(window_, wide(*update.question));
            update = core_.clashQuestionAnswered(yes);
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
    const LRESULT line = SendMessageW(control(List1), LB_GETCURSEL, 0, 0);
    if (line == LB_ERR) {
        return;
    }
    PreviewOpening opening = core_.openPreview(static_cast<std::size_t>(line));
    if (opening.preview) {
        openPreviewWindow(std::move(*opening.preview));
    }
    showMessage(opening.message);
}

void Form1::openFiles(const std::vector<std::wstring>& paths) {
    std::vector<std::string> named;
    for (const std::wstring& path : paths) {
        named.push_back(utf8(path));
    }
    show(core_.filesOpened(named));
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
    const HWND list = control(List1);
    const auto shownLines = static_cast<std::size_t>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (std::size_t row = shownLines; row < core_.statusLineCount(); ++row) {
        const std::wstring text = wide(core_.statusLine(row));
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        // Long lines can be scrolled to.
        const HDC dc = GetDC(list);
        const auto previous =
            SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)));
        SIZE extent{};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
        SelectObject(dc, previous);
        ReleaseDC(list, dc);
        const auto widest = static_cast<int>(SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0));
        if (extent.cx + 4 > widest) {
            SendMessageW(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(extent.cx + 4), 0);
        }
    }
    if (core_.statusLineCount() > shownLines) {
        // So that a press shows what it did, however long the list has grown;
        // the list box keeps its last page full.
        const auto count = SendMessageW(list, LB_GETCOUNT, 0, 0);
        SendMessageW(list, LB_SETTOPINDEX, static_cast<WPARAM>(count - 1), 0);
        // Its scroll bars too: a question box may have covered them before
        // the batch kept the window from painting.
        RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ERASE);
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
