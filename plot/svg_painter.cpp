// SPDX-License-Identifier: MIT
#include "svg_painter.h"

#include "platform.h"
#include "plot_layout.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>

namespace scanmill {
namespace {

constexpr int pageWidth = 800;
constexpr int pageHeight = 500;
// The frame's place on the page: room above for the header lines, left and
// below for the labels and the axis titles. The left side grows with the
// longest intensity label, at most 0.6 em a character of the 11-unit labels.
constexpr int frameTop = 96;
constexpr int frameRight = 24;
constexpr int frameBottom = 52;
constexpr int leastFrameLeft = 80;
constexpr double labelCharacter = 0.6 * 11;
// From the page's edge to the title's foot, then from the title's foot to
// the labels' right end beside the frame.
constexpr int titleRoom = 16 + 9;
constexpr double labelGap = 3 + 6;
constexpr double labelEnd = 8;

// One decimal is a tenth of a pixel at 100 %: finer than any screen shows,
// and it keeps a full-length scan's file small.
void appendNumber(std::string& out, double x) {
    char text[32];
    const auto end =
        std::to_chars(text, text + sizeof text, x + 0.0, std::chars_format::fixed, 1).ptr;
    out.append(text, end);
}

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
        default:
            out += c;
        }
    }
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

void formatSvg(const ScanRecord& scan, const std::string& sourceName, std::string& bytes) {
    // The frame's height decides the intensity ticks, so their labels, and
    // so the room they need at its left.
    const int frameHeight = pageHeight - frameTop - frameBottom;
    std::size_t longestLabel = 0;
    for (const Tick& tick : layOutPlot(scan, sourceName, {1, frameHeight}).intensityTicks) {
        longestLabel = std::max(longestLabel, tick.label.size());
    }
    const int frameLeft = std::max(
        leastFrameLeft,
        static_cast<int>(std::ceil(titleRoom + labelGap + labelEnd +
                                   labelCharacter * static_cast<double>(longestLabel))));
    const PlotLayout layout =
        layOutPlot(scan, sourceName, {pageWidth - frameLeft - frameRight, frameHeight});
    const double width = layout.frame.width;
    const double height = layout.frame.height;
    std::string& out = bytes;
    out.clear();
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"800\" "
           "height=\"500\" viewBox=\"0 0 800 500\" font-family=\"sans-serif\" "
           "font-size=\"12\">\n<title>";
    appendXmlText(out, layout.headerLines[0]);
    out += "</title>\n<rect width=\"800\" height=\"500\" fill=\"white\"/>\n";

    // Blanks in a title are kept as they are, not run together.
    out += "<g xml:space=\"preserve\" fill=\"#222\">\n";
    for (std::size_t i = 0; i < layout.headerLines.size(); ++i) {
        appendText(out, 16, 22 + 17.0 * static_cast<double>(i),
                   i == 0 ? " font-size=\"14\" font-weight=\"bold\"" : "", layout.headerLines[i]);
    }
    out += "</g>\n";

    out += "<g transform=\"translate(" + std::to_string(frameLeft) + "," +
           std::to_string(frameTop) + ")\">\n";
    // Grid lines at the ticks, faint, then the ticks outside the frame.
    std::string grid;
    std::string marks;
    for (const Tick& tick : layout.twoThetaTicks) {
        grid += 'M';
        appendPoint(grid, {tick.pixel, 0});
        grid += "V";
        appendNumber(grid, height);
        marks += 'M';
        appendPoint(marks, {tick.pixel, height});
        marks += "v5";
    }
    for (const Tick& tick : layout.intensityTicks) {
        grid += 'M';
        appendPoint(grid, {0, tick.pixel});
        grid += "H";
        appendNumber(grid, width);
        marks += 'M';
        appendPoint(marks, {0, tick.pixel});
        marks += "h-5";
    }
    out += "<path fill=\"none\" stroke=\"#e6e6e6\" d=\"" + grid + "\"/>\n";
    out += "<path fill=\"none\" stroke=\"#222\" d=\"" + marks + "\"/>\n";

    out += "<g fill=\"#222\" font-size=\"11\">\n";
    for (const Tick& tick : layout.twoThetaTicks) {
        appendText(out, tick.pixel, height + 19, " text-anchor=\"middle\"", tick.label);
    }
    for (const Tick& tick : layout.intensityTicks) {
        appendText(out, -labelEnd, tick.pixel + 4, " text-anchor=\"end\"", tick.label);
    }
    out += "</g>\n";
    appendText(out, width / 2, height + 42, " text-anchor=\"middle\"", layout.twoThetaTitle);
    out += "<text transform=\"translate(" + std::to_string(titleRoom - frameLeft) + ",";
    appendNumber(out, height / 2);
    out += ") rotate(-90)\" text-anchor=\"middle\">";
    appendXmlText(out, layout.intensityTitle);
    out += "</text>\n";

    // The pattern as one path, its breaks moves; the marks of short runs as
    // another, wider, so that a lone point shows at any zoom (a stroke of
    // length zero with round ends is a dot).
    out += "<g fill=\"none\" stroke=\"#1f5fa8\" stroke-linejoin=\"round\" "
           "stroke-linecap=\"round\">\n<path stroke-width=\"1.2\" d=\"";
    for (const std::vector<PlotPoint>& line : layout.lines) {
        for (std::size_t i = 0; i < line.size(); ++i) {
            out += i == 0 ? 'M' : 'L';
            appendPoint(out, line[i]);
        }
    }
    out += "\"/>\n<path stroke-width=\"3\" d=\"";
    for (const ColumnMark& mark : layout.marks) {
        out += 'M';
        appendPoint(out, {mark.x, mark.top});
        out += 'V';
        appendNumber(out, mark.bottom);
    }
    out += "\"/>\n</g>\n";

    out += "<rect width=\"";
    appendNumber(out, width);
    out += "\" height=\"";
    appendNumber(out, height);
    out += "\" fill=\"none\" stroke=\"#222\"/>\n</g>\n</svg>\n";
}

std::string formatSvg(const ScanRecord& scan, const std::string& sourceName) {
    std::string bytes;
    formatSvg(scan, sourceName, bytes);
    return bytes;
}

OutputWriter svgWriter() {
    return {{"svg", ".svg", "SVG plot"},
            false,
            [](const ScanRecord& scan, const Conversion& conversion, std::string& bytes) {
                formatSvg(scan, platform::fromPath(platform::toPath(conversion.inputPath).filename()),
                          bytes);
            },
            {}};
}

} // namespace scanmill
