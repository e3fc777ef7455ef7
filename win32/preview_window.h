// SPDX-License-Identifier: MIT
#pragma once

#include "dialogs.h"
#include "preview_plot.h"

#include <windows.h>

namespace scanmill::win32 {

// A window of its own showing the plot of one scan or of several, which
// fills it and follows its size and its monitor's DPI. The mouse and keys
// zoom and move it as PreviewPlot says; Ctrl+S saves the view as SVG or PNG
// through dialogs, Ctrl+C copies it as a bitmap, Esc closes it. Several can
// be open at once; each lives until it is closed, or until
// closePreviewWindows.
HWND openPreviewWindow(PreviewPlot plot, Dialogs dialogs = systemDialogs());

// The plot a preview window shows; nullptr for any other window.
const PreviewPlot* previewIn(HWND window);

// Closes every preview window of the calling thread, as the main window
// does when it closes.
void closePreviewWindows();

} // namespace scanmill::win32
