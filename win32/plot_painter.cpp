// SPDX-License-Identifier: MIT
#include "plot_painter.h"

#include "text.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace scanmill::win32 {

namespace {

// The colours of the SVG, so that every painter shows the same plot.
constexpr COLORREF ink = RGB(0x22, 0x22, 0x22);
constexpr COLORREF grid = RGB(0xe6, 0xe6, 0xe6);
constexpr COLORREF lineColour = RGB(0x1f, 0x5f, 0xa8);

int scaled(double pixelsAt96, UINT dpi) {
    return std::max(1, static_cast<int>(std::lround(pixelsAt96 * dpi / 96.0)));
}

int rounded(double x) {
    return static_cast<int>(std::lround(x));
}

// The system's message font at this DPI; bold for the title, turned upright
// (running upwards) for the intensity axis.
HFONT messageFont(UINT dpi, bool bold, bool upright) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    LOGFONTW font = metrics.lfMessageFont;
    // The system gives it for its own DPI.
    const HDC screen = GetDC(nullptr);
    font.lfHeight = MulDiv(font.lfHeight, static_cast<int>(dpi), GetDeviceCaps(screen, LOGPIXELSY));
    ReleaseDC(nullptr, screen);
    if (bold) {
        font.lfWeight = FW_BOLD;
    }
    if (upright) {
        font.lfEscapement = font.lfOrientation = 900;
    }
    return CreateFontIndirectW(&font);
}

// Holds a GDI object selected into a dc; deletes it when done.
class Selected {
public:
    Selected(HDC dc, HGDIOBJ object)
        : dc_(dc), object_(object), previous_(SelectObject(dc, object)) {}
    ~Selected() {
        SelectObject(dc_, previous_);
        DeleteObject(object_);
    }
    Selected(const Selected&) = delete;
    Selected& operator=(const Selected&) = delete;

private:
    HDC dc_;
    HGDIOBJ object_;
    HGDIOBJ previous_;
};

int textWidth(HDC dc, const std::wstring& text) {
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

void putText(HDC dc, int x, int y, UINT align, const std::wstring& text) {
    SetTextAlign(dc, align);
    TextOutW(dc, x, y, text.c_str(), static_cast<int>(text.size()));
}

void line(HDC dc, int x0, int y0, int x1, int y1) {
    MoveToEx(dc, x0, y0, nullptr);
    LineTo(dc, x1, y1);
}

} // namespace

void paintPlot(HDC dc, const ScanPreview& preview, const RECT& area, UINT dpi) {
    const HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
    FillRect(dc, &area, white);
    DeleteObject(white);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ink);

    const HFONT boldFont = messageFont(dpi, true, false);
    const Selected font(dc, messageFont(dpi, false, false));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    const int lineHeight = metrics.tmHeight + metrics.tmExternalLeading;
    const int margin = metrics.tmHeight;
    const int tick = scaled(5, dpi);
    const int gap = scaled(4, dpi);

    // The frame's height decides the intensity ticks, so their labels, and
    // so the room they need at its left.
    const std::size_t headerCount = preview.layout({1, 1}).headerLines.size();
    const int top = static_cast<int>(area.top) + margin +
                    lineHeight * static_cast<int>(headerCount) + margin * 3 / 4;
    const int bottom = static_cast<int>(area.bottom) - margin - 2 * lineHeight - tick;
    const int height = std::max(1, bottom - top);
    // Ticks as far apart as at 96 dpi, and the pattern in device pixels.
    const auto at96 = [dpi](int pixels) { return std::max(1, MulDiv(pixels, 96, dpi)); };
    int labelWidth = 0;
    for (const Tick& mark : preview.layout({1, at96(height)}).intensityTicks) {
        labelWidth = std::max(labelWidth, textWidth(dc, wide(mark.label)));
    }
    const int left =
        static_cast<int>(area.left) + margin + lineHeight + gap + labelWidth + tick + gap;
    const int width = std::max(1, static_cast<int>(area.right) - margin * 3 / 2 - left);
    const PlotLayout layout = preview.layout({at96(width), at96(height)});
    const PlotLayout pattern = dpi == 96 ? layout : preview.layout({width, height});
    const double xScale = static_cast<double>(width) / layout.frame.width;
    const double yScale = static_cast<double>(height) / layout.frame.height;

    int y = area.top + margin;
    for (std::size_t i = 0; i < layout.headerLines.size(); ++i) {
        const HGDIOBJ previous = i == 0 ? SelectObject(dc, boldFont) : nullptr;
        putText(dc, area.left + margin, y, TA_LEFT | TA_TOP, wide(layout.headerLines[i]));
        if (previous) {
            SelectObject(dc, previous);
        }
        y += lineHeight;
    }
    DeleteObject(boldFont);

    {
        const Selected pen(dc, CreatePen(PS_SOLID, 1, grid));
        for (const Tick& mark : layout.twoThetaTicks) {
            line(dc, left + rounded(mark.pixel * xScale), top, left + rounded(mark.pixel * xScale),
                 top + height);
        }
        for (const Tick& mark : layout.intensityTicks) {
            line(dc, left, top + rounded(mark.pixel * yScale), left + width,
                 top + rounded(mark.pixel * yScale));
        }
    }
    const Selected pen(dc, CreatePen(PS_SOLID, scaled(1, dpi), ink));
    for (const Tick& mark : layout.twoThetaTicks) {
        const int x = left + rounded(mark.pixel * xScale);
        line(dc, x, top + height, x, top + height + tick);
        putText(dc, x, top + height + tick + gap / 2, TA_CENTER | TA_TOP, wide(mark.label));
    }
    for (const Tick& mark : layout.intensityTicks) {
        const int at = top + rounded(mark.pixel * yScale);
        line(dc, left - tick, at, left, at);
        putText(dc, left - tick - gap, at - metrics.tmHeight / 2, TA_RIGHT | TA_TOP,
                wide(mark.label));
    }
    putText(dc, left + width / 2, top + height + tick + gap / 2 + lineHeight, TA_CENTER | TA_TOP,
            wide(layout.twoThetaTitle));
    {
        const Selected upright(dc, messageFont(dpi, false, true));
        putText(dc, area.left + margin, top + height / 2, TA_CENTER | TA_TOP,
                wide(layout.intensityTitle));
    }

    {
        // The SVG's 1.2 units for the line and 3 for the marks of short runs,
        // so that a lone point shows, with round ends and joins.
        LOGBRUSH brush{BS_SOLID, lineColour, 0};
        const HRGN clip = CreateRectRgn(left, top, left + width + 1, top + height + 1);
        SelectClipRgn(dc, clip);
        {
            const Selected markPen(
                dc, ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_ROUND, scaled(3, dpi), &brush,
                                 0, nullptr));
            for (const ColumnMark& mark : pattern.marks) {
                // One pixel longer: GDI leaves out a line's last point, and a
                // line of no length draws nothing.
                line(dc, left + rounded(mark.x), top + rounded(mark.top),
                     left + rounded(mark.x), top + rounded(mark.bottom) + 1);
            }
        }
        const Selected patternPen(
            dc, ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_ROUND | PS_JOIN_ROUND,
                             scaled(1.2, dpi), &brush, 0, nullptr));
        std::vector<POINT> points;
        for (const std::vector<PlotPoint>& run : pattern.lines) {
            points.clear();
            for (const PlotPoint& point : run) {
                points.push_back({left + rounded(point.x), top + rounded(point.y)});
            }
            Polyline(dc, points.data(), static_cast<int>(points.size()));
        }
        SelectClipRgn(dc, nullptr);
        DeleteObject(clip);
    }
    const HGDIOBJ previousBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, left, top, left + width + 1, top + height + 1);
    SelectObject(dc, previousBrush);
}

} // namespace scanmill::win32
