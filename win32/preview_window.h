// SPDX-License-Identifier: MIT
#pragma once

#include "scan_preview.h"

#include <windows.h>

namespace scanmill::win32 {

// A window of its own showing one scan's plot, which fills it and follows
// its size and its monitor's DPI. Esc closes it; several can be open at once.
// It lives until it is closed, or until closePreviewWindows.
HWND openPreviewWindow(ScanPreview preview);

// The scan a preview window shows; nullptr for any other window.
const ScanPreview* previewIn(HWND window);

// Closes every preview window of the calling thread, as the main window
// does when it closes.
void closePreviewWindows();

} // namespace scanmill::win32
