// SPDX-License-Identifier: MIT
#include "form_controls.h"

#include "anode.h"
#include "text.h"

#include <algorithm>
#include <cmath>
#include <commctrl.h>
#include <iterator>

namespace scanmill::win32 {
namespace {

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
        // window of double-clicks; Shift and Ctrl select several lines.
        return {WC_LISTBOXW,
                WS_TABSTOP | WS_GROUP | WS_VSCROLL | WS_HSCROLL | LBS_NOINTEGRALHEIGHT |
                    LBS_NOTIFY | LBS_EXTENDEDSEL,
                WS_EX_CLIENTEDGE};
    case ControlKind::DropDownList:
        return {WC_COMBOBOXW, WS_TABSTOP | WS_GROUP | WS_VSCROLL | CBS_DROPDOWNLIST};
    }
    return {};
}

// The controls' ids follow the form's table.
static_assert(std::size(formControls) == Command4 - Command1 + 1);

Control idOf(const FormControl& item) {
    return static_cast<Control>(Command1 + (&item - std::begin(formControls)));
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

} // namespace

const FormControl* formControlOf(int id) {
    if (id < Command1 || id > Command4) {
        return nullptr;
    }
    return &formControls[id - Command1];
}

bool isPushButton(int id) {
    const FormControl* item = formControlOf(id);
    return item && item->kind == ControlKind::Button;
}

int pixels(int twips, UINT dpi) {
    return MulDiv(twips, static_cast<int>(dpi), 1440);
}

RECT placeOf(const FormControl& control, UINT dpi) {
    const FormRect place = placeInForm(control);
    return {pixels(place.left, dpi), pixels(place.top, dpi), pixels(place.left + place.width, dpi),
            pixels(place.top + place.height, dpi)};
}

void createFormControls(HWND window) {
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
        // A frame's caption is clipped to its measured width, which cuts a
        // last letter that reaches past it, as "w" does ("Status windov"): a
        // blank after it gives it room.
        const std::wstring text = wide(item.text) + (item.kind == ControlKind::Frame ? L" " : L"");
        const HWND made = CreateWindowExW(
            kind.exStyle, kind.name,
            item.kind == ControlKind::DropDownList ? nullptr : text.c_str(),
            WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, window,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(idOf(item))), instance, nullptr);
        if (item.kind == ControlKind::DropDownList) {
            for (const Anode anode : anodes) {
                SendMessageW(made, CB_ADDSTRING, 0,
                             reinterpret_cast<LPARAM>(wide(anodeName(anode)).c_str()));
            }
            SendMessageW(made, CB_SETCURSEL, 0, 0);
        }
        previous = &item;
    }
    // The frames lie beneath the controls drawn over them; the others keep
    // the tab order they were made in.
    for (const FormControl& item : formControls) {
        if (item.kind == ControlKind::Frame) {
            SetWindowPos(GetDlgItem(window, idOf(item)), HWND_BOTTOM, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        }
    }
    CheckRadioButton(window, Option1, Option2, Option1);
}

std::vector<HFONT> setFormFonts(HWND window, UINT dpi) {
    std::vector<HFONT> fonts;
    for (const FormControl& item : formControls) {
        const HFONT font = makeFont(item.font, dpi);
        fonts.push_back(font);
        SendMessageW(GetDlgItem(window, idOf(item)), WM_SETFONT, reinterpret_cast<WPARAM>(font),
                     TRUE);
    }
    return fonts;
}

void placeFormControls(HWND window, HWND toolTips, UINT dpi) {
    for (const FormControl& item : formControls) {
        RECT place = placeOf(item, dpi);
        // A drop-down list's height is that of its list dropped down, room
        // for every choice; closed, the font sets it.
        if (item.kind == ControlKind::DropDownList) {
            place.bottom += pixels(1800, dpi);
        }
        SetWindowPos(GetDlgItem(window, idOf(item)), nullptr, place.left, place.top,
                     place.right - place.left, place.bottom - place.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (!toolTips) {
        return;
    }
    // A frame's tip belongs to its area of the window, which moves with it.
    for (const FormControl& item : formControls) {
        if (item.kind != ControlKind::Frame || !item.toolTip) {
            continue;
        }
        TOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.hwnd = window;
        tool.uId = idOf(item);
        tool.rect = placeOf(item, dpi);
        SendMessageW(toolTips, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

HWND addFormToolTips(HWND window, UINT dpi) {
    const HWND toolTips = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                          WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                          CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window,
                                          nullptr, GetModuleHandleW(nullptr), nullptr);
    for (const FormControl& item : formControls) {
        if (!item.toolTip) {
            continue;
        }
        std::wstring text = wide(item.toolTip);
        TOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.uFlags = TTF_SUBCLASS;
        tool.hwnd = window;
        tool.lpszText = text.data();
        if (item.kind == ControlKind::Frame) {
            // A frame lets the mouse through to the window: its tip belongs
            // to its area of the window.
            tool.uId = idOf(item);
            tool.rect = placeOf(item, dpi);
        } else if (item.kind == ControlKind::ListBox) {
            // An area of the list, fitted to its empty part as lines come.
            tool.hwnd = GetDlgItem(window, idOf(item));
            tool.uId = idOf(item);
            GetClientRect(tool.hwnd, &tool.rect);
        } else {
            tool.uFlags |= TTF_IDISHWND;
            tool.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(window, idOf(item)));
        }
        SendMessageW(toolTips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    return toolTips;
}

void fitListToolTip(HWND toolTips, HWND list) {
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = list;
    tool.uId = static_cast<UINT_PTR>(GetDlgCtrlID(list));
    GetClientRect(list, &tool.rect);
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    RECT last{};
    if (count > 0 && SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(count - 1),
                                  reinterpret_cast<LPARAM>(&last)) != LB_ERR) {
        tool.rect.top = std::min(std::max(tool.rect.top, last.bottom), tool.rect.bottom);
    }
    SendMessageW(toolTips, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
}

void addListLine(HWND list, const std::wstring& text) {
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

} // namespace scanmill::win32
