// SPDX-License-Identifier: MIT
#pragma once

#include <windows.h>

namespace scanmill::win32 {

// Calls that came with Windows 10, looked up so that the program still runs,
// at the system's one DPI, on older Windows.
template <typename Function> Function user32Function(const char* name) {
    const FARPROC found = GetProcAddress(GetModuleHandleW(L"user32.dll"), name);
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(found));
}

// The DPI of the monitor the window is on, or the system's where Windows
// cannot tell.
UINT dpiOf(HWND window);

// The outer size of a window with this client size and style at this DPI.
SIZE windowSizeFor(int width, int height, HWND window, UINT dpi);

} // namespace scanmill::win32
