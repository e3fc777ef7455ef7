// SPDX-License-Identifier: MIT
#include "rigaku_reader.h"
#include "scan_files.h"
#include "svg_painter.h"

#include <algorithm>
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

// A NaN count splits the pattern in two; a full-length scan stays small.
TEST(Svg, NaNPointBreaksTheLineAndFullScanStaysSmall) {
    RigakuFields fields = plausibleScan(32767);
    fields.intensities[20000] = std::numeric_limits<float>::quiet_NaN();
    const std::string svg = formatSvg(readScan(fields), "full.raw");
    EXPECT_LE(svg.size(), 150u * 1000);
    const XmlDocument document = parsed(svg);
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(elements(document, "polyline").size(), 2u);

    std::string reused = "earlier contents";
    formatSvg(readScan(fields), "full.raw", reused);
    EXPECT_EQ(reused, svg);
}

} // namespace
} // namespace scanmill
