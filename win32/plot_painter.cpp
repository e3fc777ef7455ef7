// SPDX-License-Identifier: MIT
#include "plot_painter.h"

#include "plot_frame.h"
#include "text.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace scanmill::win32 {

namespace {

constexpr COLORREF colour(std::uint32_t rgb) {
    return RGB((rgb >> 16) & 0xff, (rgb >> 8) & 0xff, rgb & 0xff);
}

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

PlotFont::PlotFont(HDC dc, UINT dpi)
    : dc_(dc), font_(messageFont(dpi, false, false)), previous_(SelectObject(dc, font_)) {
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    const double lineHeight = metrics.tmHeight + metrics.tmExternalLeading;
    fonts_ = {lineHeight, lineHeight, [dc](std::string_view shown) {
                  return static_cast<double>(textWidth(dc, wide(std::string(shown))));
              }};
}

PlotFont::~PlotFont() {
    SelectObject(dc_, previous_);
    DeleteObject(font_);
}

void paintPlot(HDC dc, const PlacedPlot& placed, const RECT& area, UINT dpi) {
    const HBRUSH paper = CreateSolidBrush(colour(plotStyle.paper));
    FillRect(dc, &area, paper);
    DeleteObject(paper);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colour(plotStyle.ink));

    const HFONT boldFont = messageFont(dpi, true, false);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    const PlotLayout& layout = placed.layout;
    const int left = rounded(placed.frame.left);
    const int top = rounded(placed.frame.top);
    const int width = rounded(placed.frame.width);
    const int height = rounded(placed.frame.height);
    const int tick = scaled(plotStyle.tickLength, dpi);

    for (std::size_t i = 0; i < layout.headerLines.size(); ++i) {
        const std::optional<std::size_t> legend = layout.legendOf(i);
        const HGDIOBJ previous = i == 0 ? SelectObject(dc, boldFont) : nullptr;
        const int top = rounded(placed.headerTops[i]);
        putText(dc, rounded(legend ? placed.legendTextLeft : placed.headerLeft), top,
                TA_LEFT | TA_TOP, wide(layout.headerLines[i]));
        if (previous) {
            SelectObject(dc, previous);
        }
        if (legend) {
            const Selected swatch(dc, CreatePen(PS_SOLID, scaled(plotStyle.markWidth, dpi),
                                                colour(patternColour(*legend))));
            const int left = rounded(placed.headerLeft) + scaled(plotStyle.labelGap, dpi);
            const int middle = top + metrics.tmAscent * 6 / 10;
            line(dc, left, middle, left + scaled(plotStyle.swatchWidth, dpi), middle);
        }
    }
    DeleteObject(boldFont);
    if (!placed.readout.empty()) {
        putText(dc, rounded(placed.headerLeft), rounded(placed.readoutTop), TA_LEFT | TA_TOP,
                wide(placed.readout));
    }

    {
        const Selected pen(dc, CreatePen(PS_SOLID, 1, colour(plotStyle.grid)));
        for (const Tick& mark : layout.twoThetaTicks) {
            line(dc, left + rounded(mark.pixel), top, left + rounded(mark.pixel), top + height);
        }
        for (const Tick& mark : layout.intensityTicks) {
            if (!mark.label.empty()) {
                line(dc, left, top + rounded(mark.pixel), left + width, top + rounded(mark.pixel));
            }
        }
    }
    const Selected pen(
        dc, CreatePen(PS_SOLID, scaled(plotStyle.frameWidth, dpi), colour(plotStyle.ink)));
    for (const Tick& mark : layout.twoThetaTicks) {
        const int x = left + rounded(mark.pixel);
        line(dc, x, top + height, x, top + height + tick);
        putText(dc, x, rounded(placed.twoThetaLabelTop), TA_CENTER | TA_TOP, wide(mark.label));
    }
    for (const Tick& mark : layout.intensityTicks) {
        const int at = top + rounded(mark.pixel);
        line(dc, left - tick, at, left, at);
        putText(dc, rounded(placed.intensityLabelRight), at - metrics.tmHeight / 2,
                TA_RIGHT | TA_TOP, wide(mark.label));
    }
    putText(dc, left + width / 2, rounded(placed.twoThetaTitleTop), TA_CENTER | TA_TOP,
            wide(layout.twoThetaTitle));
    {
        const Selected upright(dc, messageFont(dpi, false, true));
        putText(dc, rounded(placed.intensityTitleLeft), top + height / 2, TA_CENTER | TA_TOP,
                wide(layout.intensityTitle));
    }

    {
        const int reach = scaled(patternReach, dpi);
        const HRGN clip = CreateRectRgn(left - reach, top - reach, left + width + 1 + reach,
                                        top + height + 1 + reach);
        SelectClipRgn(dc, clip);
        std::vector<POINT> points;
        for (std::size_t p = 0; p < layout.patterns.size(); ++p) {
            const Pattern& pattern = layout.patterns[p];
            // Round ends and joins, as the SVG's.
            LOGBRUSH brush{BS_SOLID, colour(patternColour(p)), 0};
            const auto roundPen = [&](double width) {
                return ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_ROUND | PS_JOIN_ROUND,
                                    scaled(width, dpi), &brush, 0, nullptr);
            };
            {
                const Selected markPen(dc, roundPen(plotStyle.markWidth));
                for (const ColumnMark& mark : pattern.marks) {
                    // One pixel longer: GDI leaves out a line's last point, and
                    // a line of no length draws nothing.
                    line(dc, left + rounded(mark.x), top + rounded(mark.top),
                         left + rounded(mark.x), top + rounded(mark.bottom) + 1);
                }
            }
            {
                const Selected patternPen(dc, roundPen(plotStyle.patternWidth));
                for (const std::vector<PlotPoint>& run : pattern.lines) {
                    points.clear();
                    for (const PlotPoint& point : run) {
                        points.push_back({left + rounded(point.x), top + rounded(point.y)});
                    }
                    Polyline(dc, points.data(), static_cast<int>(points.size()));
                }
            }
            const Selected dotPen(dc, roundPen(plotStyle.dotWidth));
            for (const PlotPoint& dot : pattern.dots) {
                const int x = left + rounded(dot.x);
                const int y = top + rounded(dot.y);
                line(dc, x, y, x, y + 1);
            }
        }
        SelectClipRgn(dc, nullptr);
        DeleteObject(clip);
    }
    const HGDIOBJ previousBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, left, top, left + width + 1, top + height + 1);
    SelectObject(dc, previousBrush);
    // The gaps of points that are not finite, as notches up from the axis.
    const Selected gapPen(dc, CreatePen(PS_SOLID, scaled(2, dpi), colour(plotStyle.ink)));
    for (const double gap : layout.gaps) {
        const int x = left + rounded(gap);
        line(dc, x, top + height, x, top + height - tick);
    }
}

} // namespace scanmill::win32
