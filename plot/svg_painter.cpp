// SPDX-License-Identifier: MIT
#include "svg_painter.h"

#include "platform.h"
#include "plot_frame.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>

namespace scanmill {
namespace {

// The fonts, in units: 14 bold for the title, 12 for the rest of the
// header and the axis titles, 11 for the labels; a label's character is at
// most 0.6 em wide. Baselines lie 0.8 em below the top of a line.
constexpr double lineHeight = 17;
constexpr double labelCharacter = 0.6 * 11;
constexpr double ascentPerSize = 0.8;

std::string hexColour(std::uint32_t rgb) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string text = "#";
    for (int shift = 20; shift >= 0; shift -= 4) {
        text += digits[(rgb >> shift) & 0xf];
    }
    return text;
}

// One decimal is a tenth of a pixel at 100 %: finer than any screen shows,
// and it keeps a full-length scan's file small.
void appendNumber(std::string& out, double x) {
    char text[32];
    const auto end =
        std::to_chars(text, text + sizeof text, x + 0.0, std::chars_format::fixed, 1).ptr;
    out.append(text, end);
}

// A length of the style in its shortest form ("3", "1.2").
void appendLength(std::string& out, double x) {
    char text[32];
    out.append(text, std::to_chars(text, text + sizeof text, x).ptr);
}

// <text x=".." y=".."ATTRIBUTES>TEXT</text>
void appendText(std::string& out, double x, double y, std::string_view attributes,
                std::string_view text) {
    out += "<text x=\"";
    appendNumber(out, x);
    out += "\" y=\"";
    appendNumber(out, y);
    out += '"';
    out += attributes;
    out += '>';
    appendXmlText(out, text);
    out += "</text>\n";
}

void appendPoint(std::string& out, PlotPoint point) {
    appendNumber(out, point.x);
    out += ',';
    appendNumber(out, point.y);
}

} // namespace

void appendXmlText(std::string& out, std::string_view text) {
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
}

namespace {

// The plot of scans as an SVG document, appended to out.
void appendSvg(std::string& out, const std::vector<PlotScan>& scans,
               const std::vector<std::string>& notes, const PlotView& view, PixelSize size) {
    const int pageWidth = std::max(size.width, 1);
    const int pageHeight = std::max(size.height, 1);
    const PlotFonts fonts{lineHeight, lineHeight, [](std::string_view label) {
                              return labelCharacter * static_cast<double>(label.size());
                          }};
    const PlacedPlot placed = placePlot(
        scans, notes, {0, 0, static_cast<double>(pageWidth), static_cast<double>(pageHeight)},
        fonts, {1, 1, view, false});
    const PlotLayout& layout = placed.layout;
    const double width = layout.frame.width;
    const double height = layout.frame.height;
    const std::string ink = hexColour(plotStyle.ink);
    const std::string pageWidthText = std::to_string(pageWidth);
    const std::string pageHeightText = std::to_string(pageHeight);
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" +
           pageWidthText + "\" height=\"" + pageHeightText + "\" viewBox=\"0 0 " + pageWidthText +
           " " + pageHeightText + "\" font-family=\"sans-serif\" font-size=\"12\">\n<title>";
    appendXmlText(out, layout.headerLines[0]);
    out += "</title>\n<rect width=\"" + pageWidthText + "\" height=\"" + pageHeightText +
           "\" fill=\"" + hexColour(plotStyle.paper) + "\"/>\n";

    // Blanks in a title are kept as they are, not run together.
    out += "<g xml:space=\"preserve\" fill=\"" + ink + "\">\n";
    for (std::size_t i = 0; i < layout.headerLines.size(); ++i) {
        appendText(out, layout.legendOf(i) ? placed.legendTextLeft : placed.headerLeft,
                   placed.headerTops[i] + ascentPerSize * (i == 0 ? 14 : 12),
                   i == 0 ? " font-size=\"14\" font-weight=\"bold\"" : "", layout.headerLines[i]);
    }
    out += "</g>\n";
    for (std::size_t i = 0; i < layout.headerLines.size(); ++i) {
        const std::optional<std::size_t> pattern = layout.legendOf(i);
        if (!pattern) {
            continue;
        }
        out += "<path stroke=\"" + hexColour(patternColour(*pattern)) + "\" stroke-width=\"";
        appendLength(out, plotStyle.markWidth);
        out += "\" d=\"M";
        appendPoint(out, {placed.headerLeft + plotStyle.labelGap,
                          placed.headerTops[i] + 0.45 * lineHeight});
        out += 'h';
        appendLength(out, plotStyle.swatchWidth);
        out += "\"/>\n";
    }

    out += "<g transform=\"translate(";
    appendPoint(out, {placed.frame.left, placed.frame.top});
    out += ")\">\n";
    // Grid lines at the ticks, faint, then the ticks outside the frame.
    const double tickLength = plotStyle.tickLength;
    std::string grid;
    std::string marks;
    for (const Tick& tick : layout.twoThetaTicks) {
        grid += 'M';
        appendPoint(grid, {tick.pixel, 0});
        grid += "V";
        appendNumber(grid, height);
        marks += 'M';
        appendPoint(marks, {tick.pixel, height});
        marks += "v";
        appendLength(marks, tickLength);
    }
    for (const Tick& tick : layout.intensityTicks) {
        if (!tick.label.empty()) {
            grid += 'M';
            appendPoint(grid, {0, tick.pixel});
            grid += "H";
            appendNumber(grid, width);
        }
        marks += 'M';
        appendPoint(marks, {0, tick.pixel});
        marks += "h";
        appendLength(marks, -tickLength);
    }
    out +=
        "<path fill=\"none\" stroke=\"" + hexColour(plotStyle.grid) + "\" d=\"" + grid + "\"/>\n";
    out += "<path fill=\"none\" stroke=\"" + ink + "\" d=\"" + marks + "\"/>\n";

    const double labelBaseline = placed.twoThetaLabelTop - placed.frame.top + ascentPerSize * 11;
    out += "<g fill=\"" + ink + "\" font-size=\"11\">\n";
    for (const Tick& tick : layout.twoThetaTicks) {
        appendText(out, tick.pixel, labelBaseline, " text-anchor=\"middle\"", tick.label);
    }
    for (const Tick& tick : layout.intensityTicks) {
        appendText(out, placed.intensityLabelRight - placed.frame.left, tick.pixel + 4,
                   " text-anchor=\"end\"", tick.label);
    }
    out += "</g>\n";
    appendText(out, width / 2, placed.twoThetaTitleTop - placed.frame.top + ascentPerSize * 12,
               " text-anchor=\"middle\"", layout.twoThetaTitle);
    out += "<text transform=\"translate(";
    appendPoint(out,
                {placed.intensityTitleLeft + ascentPerSize * 12 - placed.frame.left, height / 2});
    out += ") rotate(-90)\" text-anchor=\"middle\">";
    appendXmlText(out, layout.intensityTitle);
    out += "</text>\n";

    // Each pattern as one path, its breaks moves; the marks of short runs
    // and the dots as another, wider, so that a lone point shows at any
    // zoom (a stroke of length zero with round ends is a dot). Clipped to
    // the frame, which a zoomed view's lines run on to.
    out += "<clipPath id=\"frame\"><rect x=\"";
    appendLength(out, -patternReach);
    out += "\" y=\"";
    appendLength(out, -patternReach);
    out += "\" width=\"";
    appendNumber(out, width + 2 * patternReach);
    out += "\" height=\"";
    appendNumber(out, height + 2 * patternReach);
    out += "\"/></clipPath>\n";
    out += "<g clip-path=\"url(#frame)\" fill=\"none\" stroke-linejoin=\"round\" "
           "stroke-linecap=\"round\">\n";
    for (std::size_t p = 0; p < layout.patterns.size(); ++p) {
        const Pattern& pattern = layout.patterns[p];
        out += "<g stroke=\"" + hexColour(patternColour(p)) + "\">\n<path stroke-width=\"";
        appendLength(out, plotStyle.patternWidth);
        out += "\" d=\"";
        for (const std::vector<PlotPoint>& line : pattern.lines) {
            for (std::size_t i = 0; i < line.size(); ++i) {
                out += i == 0 ? 'M' : 'L';
                appendPoint(out, line[i]);
            }
        }
        out += "\"/>\n<path stroke-width=\"";
        appendLength(out, plotStyle.markWidth);
        out += "\" d=\"";
        for (const ColumnMark& mark : pattern.marks) {
            out += 'M';
            appendPoint(out, {mark.x, mark.top});
            out += 'V';
            appendNumber(out, mark.bottom);
        }
        out += "\"/>\n";
        if (!pattern.dots.empty()) {
            out += "<path stroke-width=\"";
            appendLength(out, plotStyle.dotWidth);
            out += "\" d=\"";
            for (const PlotPoint& dot : pattern.dots) {
                out += 'M';
                appendPoint(out, dot);
                out += "h0";
            }
            out += "\"/>\n";
        }
        out += "</g>\n";
    }
    out += "</g>\n";
    // The gaps of points that are not finite, as notches up from the axis.
    if (!layout.gaps.empty()) {
        out += "<path stroke=\"" + ink + "\" stroke-width=\"2\" d=\"";
        for (const double gap : layout.gaps) {
            out += 'M';
            appendPoint(out, {gap, height});
            out += 'v';
            appendLength(out, -plotStyle.tickLength);
        }
        out += "\"/>\n";
    }

    out += "<rect width=\"";
    appendNumber(out, width);
    out += "\" height=\"";
    appendNumber(out, height);
    out += "\" fill=\"none\" stroke=\"" + ink + "\"/>\n</g>\n</svg>\n";
}

} // namespace

void formatSvg(const ScanRecord& scan, const std::string& sourceName, std::string& bytes,
               const SvgOptions& options) {
    PlotView view;
    view.scale = options.scale;
    bytes.clear();
    appendSvg(bytes, {{&scan, sourceName, options.tube}}, {}, view, options.size);
}

std::string formatSvg(const std::vector<PlotScan>& scans, const std::vector<std::string>& notes,
                      const PlotView& view, PixelSize size) {
    std::string bytes;
    appendSvg(bytes, scans, notes, view, size);
    return bytes;
}

std::string formatSvg(const ScanRecord& scan, const std::string& sourceName,
                      const SvgOptions& options) {
    std::string bytes;
    formatSvg(scan, sourceName, bytes, options);
    return bytes;
}

OutputWriter svgWriter(const SvgOptions& options) {
    return {{"svg", ".svg", "SVG plot"},
            false,
            [options](const ScanRecord& scan, const Conversion& conversion, std::string& bytes) {
                formatSvg(scan,
                          platform::fromPath(platform::toPath(conversion.inputPath).filename()),
                          bytes, options);
            },
            {}};
}

} // namespace scanmill
