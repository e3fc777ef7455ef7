// SPDX-License-Identifier: MIT
#include "parallel_batch.h"
#include "plot_frame.h"
#include "rigaku_reader.h"
#include "scan_files.h"
#include "svg_painter.h"

#include <algorithm>
#include <cstdio>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <limits>
#include <memory>

namespace scanmill {
namespace {

using namespace testing;

struct XmlDocumentFree {
    void operator()(xmlDoc* document) const { xmlFreeDoc(document); }
};
using XmlDocument = std::unique_ptr<xmlDoc, XmlDocumentFree>;

// The document as a strict XML parser reads it: no recovery, no network.
XmlDocument parsed(const std::string& svg) {
    return XmlDocument(xmlReadMemory(svg.data(), static_cast<int>(svg.size()), "plot.svg", nullptr,
                                     XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
}

// The text of each element of that name, in document order.
void collect(xmlNode* node, std::string_view name, std::vector<std::string>& texts) {
    for (; node != nullptr; node = node->next) {
        if (node->type == XML_ELEMENT_NODE && name == reinterpret_cast<const char*>(node->name)) {
            xmlChar* content = xmlNodeGetContent(node);
            texts.emplace_back(reinterpret_cast<const char*>(content));
            xmlFree(content);
        }
        collect(node->children, name, texts);
    }
}

std::vector<std::string> elements(const XmlDocument& document, std::string_view name) {
    std::vector<std::string> texts;
    collect(xmlDocGetRootElement(document.get()), name, texts);
    return texts;
}

ScanRecord readScan(const RigakuFields& fields) {
    ScratchDirectory dir;
    writeFile(dir / "s.raw", rigakuBytes(fields));
    return readRigakuRaw(dir / "s.raw");
}

// Markup characters, control characters, a bidirectional override, a
// backslash and a byte that is not UTF-8 in the title and the name: the
// document stays valid XML and shows each as the plot shows it.
TEST(Svg, TitleAndNameAreEscaped) {
    RigakuFields fields;
    fields.title = "a<b> & \"c\"\x01\x1b\xE2\x80\xAE \xC5 \\x";
    const std::string svg = formatSvg(readScan(fields), "s\n\x9b<1>.raw");
    const XmlDocument document = parsed(svg);
    ASSERT_NE(document, nullptr) << svg;
    EXPECT_STREQ(reinterpret_cast<const char*>(xmlDocGetRootElement(document.get())->name), "svg");
    const std::vector<std::string> texts = elements(document, "text");
    const std::string title = "a<b> & \"c\"\\x01\\e\\u202e \u00C5 \\\\x";
    EXPECT_NE(std::find(texts.begin(), texts.end(), title), texts.end()) << svg;
    EXPECT_EQ(elements(document, "title"), std::vector<std::string>{title});
    EXPECT_NE(std::find(texts.begin(), texts.end(), "s\\n\\x9b<1>.raw, 14-FEB-05 10:32:07"),
              texts.end())
        << svg;
}

// The data of the pattern's path drawn with this stroke width.
std::string pathData(const std::string& svg, const std::string& strokeWidth) {
    const std::string opening = "stroke-width=\"" + strokeWidth + "\" d=\"";
    const std::size_t begin = svg.find(opening) + opening.size();
    return svg.substr(begin, svg.find('"', begin) - begin);
}

// A NaN count splits the pattern in two; a full-length scan stays small,
// whatever its runs: every other point NaN, runs of two or three, noise.
TEST(Svg, NaNPointsBreakThePathAndAnyFullScanStaysSmall) {
    RigakuFields fields = plausibleScan(32767);
    fields.intensities[20000] = std::numeric_limits<float>::quiet_NaN();
    const std::string svg = formatSvg(readScan(fields), "full.raw");
    EXPECT_LE(svg.size(), 150u * 1000);
    ASSERT_NE(parsed(svg), nullptr);
    const std::string line = pathData(svg, "1.2");
    EXPECT_EQ(std::count(line.begin(), line.end(), 'M'), 2);
    EXPECT_EQ(pathData(svg, "3"), "");

    // A point alone between two breaks is drawn as a mark, not lost.
    RigakuFields lone;
    lone.intensities = {std::numeric_limits<float>::quiet_NaN(), 5,
                        std::numeric_limits<float>::quiet_NaN(), 6, 7};
    const std::string loneMark = pathData(formatSvg(readScan(lone), "lone.raw"), "3");
    EXPECT_EQ(std::count(loneMark.begin(), loneMark.end(), 'M'), 1) << loneMark;

    std::string reused = "earlier contents";
    formatSvg(readScan(fields), "full.raw", reused);
    EXPECT_EQ(reused, svg);

    for (const std::size_t run : {1, 2, 3, 32767}) {
        SCOPED_TRACE(run);
        for (std::size_t i = 0; i < fields.intensities.size(); ++i) {
            fields.intensities[i] = i % (run + 1) == run ? std::numeric_limits<float>::quiet_NaN()
                                                         : static_cast<float>((i * 7919) % 65521);
        }
        const std::string worst = formatSvg(readScan(fields), "worst.raw");
        EXPECT_LE(worst.size(), 150u * 1000);
        EXPECT_NE(parsed(worst), nullptr);
    }
}

// The window's saved view: two scans overlaid, zoomed, each in its colour,
// clipped to the frame, with a legend stroke and a notch for a NaN point.
TEST(Svg, SavedViewOfAnOverlayIsClippedAndColoured) {
    RigakuFields fields;
    fields.intensities = {1, 2, std::numeric_limits<float>::quiet_NaN(), 4, 5, 6};
    const ScanRecord first = readScan(fields);
    const ScanRecord second = readScan(plausibleScan(100));
    PlotView view;
    view.twoTheta = AxisRange{10.01, 10.07};
    const std::string svg = formatSvg({{&first, "a.raw", Anode::Cu}, {&second, "b.raw", Anode::Cu}},
                                      {}, view, {640, 400});
    ASSERT_NE(parsed(svg), nullptr) << svg;
    EXPECT_NE(svg.find("width=\"640\" height=\"400\""), std::string::npos);
    EXPECT_NE(svg.find("<g clip-path=\"url(#frame)\""), std::string::npos);
    for (const std::uint32_t colour : {patternColours[0], patternColours[1]}) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "#%06x", colour);
        EXPECT_NE(svg.find(std::string("stroke=\"") + hex + "\" stroke-width=\"3\" d=\"M"),
                  std::string::npos)
            << hex << " legend";
        EXPECT_NE(svg.find(std::string("<g stroke=\"") + hex + "\">"), std::string::npos) << hex;
    }
    EXPECT_NE(svg.find("stroke-width=\"2\" d=\"M"), std::string::npos) << "the NaN's notch";
}

// A batch writes a plot only through the plot's own writer, and the engine
// offers none: no format of its own is a plot under another name.
TEST(Svg, BatchWritesThePlotThroughThePlotsWriter) {
    ScratchDirectory dir;
    writeFile(dir / "q.raw", rigakuBytes(plausibleScan(40)));
    const OutputWriter writer = svgWriter();
    const std::vector<Conversion> conversions = {
        {dir / "q.raw", dir / outputNameFor("q.raw", writer.names.extension)}};
    ParallelBatch(conversions, writer, 1).commitNext();
    EXPECT_EQ(readFile(dir / "q.svg"), formatSvg(readRigakuRaw(dir / "q.raw"), "q.raw"));
    for (const OutputFormat format : engineFormats) {
        EXPECT_NE(engineWriter(format).names.extension, writer.names.extension);
    }
}

// Tiny counts get labels in exponent form and the room they need: none
// reaches the axis title, which moves out to the left.
TEST(Svg, LabelsOfTinyCountsFitBesideTheFrame) {
    RigakuFields fields;
    fields.intensities = {-1.1e-12F, 0.0F, 1e-12F};
    const std::string svg = formatSvg(readScan(fields), "tiny.raw");
    const std::vector<std::string> texts = elements(parsed(svg), "text");
    EXPECT_NE(std::find(texts.begin(), texts.end(), "-1e-12"), texts.end()) << svg;
    for (const std::string& text : texts) {
        const bool label = text.find(' ') == std::string::npos; // not a header line
        EXPECT_LE(label && text.find("e-") != std::string::npos ? text.size() : 0, 7u) << text;
    }
    // Labels end 8 units left of the frame, at 6.6 units a character at most;
    // the title's foot lies 9 units further left.
    const std::size_t at = svg.find("<text transform=\"translate(") + 27;
    EXPECT_LE(std::stod(svg.substr(at)), -(8 + 6.6 * 6 + 9)) << svg.substr(at, 20);
}

} // namespace
} // namespace scanmill
