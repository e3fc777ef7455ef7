// SPDX-License-Identifier: MIT
#pragma once

#include "scan_preview.h"

#include <windows.h>

namespace scanmill::win32 {

// Paints the scan's plot into area of dc, as the plot layout gives it: the
// header lines above, the frame with its grid, ticks, labels and axis
// titles, and the pattern. Everything is in device pixels of a monitor of
// dpi, the pattern laid out for them, so that it stays sharp at any DPI.
void paintPlot(HDC dc, const ScanPreview& preview, const RECT& area, UINT dpi);

} // namespace scanmill::win32
