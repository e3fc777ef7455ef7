// SPDX-License-Identifier: MIT
#include "preview_window.h"

#include "dpi.h"
#include "plot_painter.h"
#include "text.h"

#include <memory>
#include <utility>
#include <vector>

namespace scanmill::win32 {

namespace {

constexpr wchar_t previewClass[] = L"ScanmillPreview";
// At 96 dpi; the SVG's page is as large.
constexpr int startWidth = 800;
constexpr int startHeight = 500;
constexpr int leastWidth = 240;
constexpr int leastHeight = 180;

struct Preview {
    ScanPreview scan;
    UINT dpi = USER_DEFAULT_SCREEN_DPI;
    bool ownedByWindow = false; // once made: freed as the window goes
};

Preview* previewOf(HWND window) {
    return reinterpret_cast<Preview*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

// Drawn off screen first, so that a resize does not flicker.
void paint(HWND window, const Preview& preview) {
    PAINTSTRUCT paint{};
    const HDC dc = BeginPaint(window, &paint);
    RECT client{};
    GetClientRect(window, &client);
    const HDC buffer = CreateCompatibleDC(dc);
    const HBITMAP bitmap = CreateCompatibleBitmap(dc, client.right, client.bottom);
    const HGDIOBJ previous = SelectObject(buffer, bitmap);
    paintPlot(buffer, preview.scan, client, preview.dpi);
    BitBlt(dc, 0, 0, client.right, client.bottom, buffer, 0, 0, SRCCOPY);
    SelectObject(buffer, previous);
    DeleteObject(bitmap);
    DeleteDC(buffer);
    EndPaint(window, &paint);
}

LRESULT CALLBACK previewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(
                              reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams));
    }
    Preview* preview = previewOf(window);
    if (!preview) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    switch (message) {
    case WM_CREATE: {
        // Sized once it knows its monitor's DPI.
        preview->dpi = dpiOf(window);
        SetWindowPos(window, nullptr, 0, 0, MulDiv(startWidth, preview->dpi, 96),
                     MulDiv(startHeight, preview->dpi, 96),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    case WM_PAINT:
        paint(window, *preview);
        return 0;
    case WM_ERASEBKGND:
        return 1; // the plot paints all of it
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE) {
            DestroyWindow(window);
            return 0;
        }
        break;
    case WM_GETMINMAXINFO: {
        auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
        limits->ptMinTrackSize = {MulDiv(leastWidth, preview->dpi, 96),
                                  MulDiv(leastHeight, preview->dpi, 96)};
        return 0;
    }
    case WM_DPICHANGED: {
        preview->dpi = HIWORD(wParam);
        const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(window, nullptr, suggested.left, suggested.top,
                     suggested.right - suggested.left, suggested.bottom - suggested.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    }
    case WM_NCDESTROY:
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        if (preview->ownedByWindow) {
            delete preview;
        }
        break;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void registerPreviewClass(HINSTANCE instance) {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExW(instance, previewClass, &existing)) {
        return;
    }
    WNDCLASSEXW info{};
    info.cbSize = sizeof info;
    // Redrawn whole when resized: the plot is laid out for the new size.
    info.style = CS_HREDRAW | CS_VREDRAW;
    info.lpfnWndProc = previewProc;
    info.hInstance = instance;
    // The program's icon is resource 1; test programs have none.
    info.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    info.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    info.lpszClassName = previewClass;
    RegisterClassExW(&info);
}

BOOL CALLBACK closeIfPreview(HWND window, LPARAM) {
    if (previewIn(window)) {
        DestroyWindow(window);
    }
    return TRUE;
}

} // namespace

HWND openPreviewWindow(ScanPreview scan) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    registerPreviewClass(instance);
    auto preview = std::make_unique<Preview>();
    preview->scan = std::move(scan);
    const std::wstring caption = wide(preview->scan.caption);
    const HWND window = CreateWindowExW(0, previewClass, caption.c_str(), WS_OVERLAPPEDWINDOW,
                                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                        nullptr, nullptr, instance, preview.get());
    if (!window) {
        return nullptr;
    }
    preview.release()->ownedByWindow = true;
    ShowWindow(window, SW_SHOWNORMAL);
    return window;
}

const ScanPreview* previewIn(HWND window) {
    wchar_t name[32] = {};
    GetClassNameW(window, name, static_cast<int>(std::size(name)));
    if (lstrcmpW(name, previewClass) != 0) {
        return nullptr;
    }
    const Preview* preview = previewOf(window);
    return preview ? &preview->scan : nullptr;
}

void closePreviewWindows() {
    EnumThreadWindows(GetCurrentThreadId(), closeIfPreview, 0);
}

} // namespace scanmill::win32
