// SPDX-License-Identifier: MIT
#include "dpi.h"

namespace scanmill::win32 {

UINT dpiOf(HWND window) {
    static const auto getDpiForWindow = user32Function<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
    if (getDpiForWindow) {
        return getDpiForWindow(window);
    }
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return static_cast<UINT>(dpi);
}

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

} // namespace scanmill::win32
