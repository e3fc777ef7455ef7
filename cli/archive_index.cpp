// SPDX-License-Identifier: MIT
#include "archive_index.h"

#include "names.h"
#include "output_file.h"
#include "platform.h"
#include "plot_layout.h"
#include "shown_text.h"
#include "svg_painter.h"

#include <algorithm>
#include <filesystem>
#include <string_view>
#include <tuple>
#include <utility>

namespace scanmill::cli {
namespace {

constexpr int thumbnailColumns = 200;
constexpr int thumbnailRows = 100;

// A name as every plotted name is shown, then escaped for HTML.
void appendShown(std::string& out, std::string_view text) {
    appendXmlText(out, escapeControls(text, OtherBytes::AsLatin1));
}

// A relative link: "/" between names, every byte but the unreserved ones
// percent-encoded, so that a name with "#", "?" or a blank still leads to
// its file.
std::string hrefOf(std::string relative) {
    if (pathSeparator == '\\') {
        std::replace(relative.begin(), relative.end(), '\\', '/');
    }
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string href;
    for (const char c : relative) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
            (byte >= '0' && byte <= '9') || c == '-' || c == '.' || c == '_' || c == '~' ||
            c == '/') {
            href += c;
        } else {
            href += '%';
            href += hex[byte >> 4];
            href += hex[byte & 0xF];
        }
    }
    return href;
}

constexpr char style[] =
    "body{font-family:sans-serif;margin:1em;color:#222}"
    "section{display:flex;flex-wrap:wrap;gap:8px}"
    "h2{flex-basis:100%;font-size:1.1em;margin:1em 0 0}"
    ".card{width:216px;border:1px solid #ccc;padding:6px;font-size:12px}"
    ".card h3{font-size:13px;margin:4px 0;overflow-wrap:anywhere}"
    ".card p{margin:2px 0;overflow-wrap:anywhere}"
    ".card svg{width:200px;height:120px;background:#fff;border:1px solid #e6e6e6}"
    ".card path{fill:none;stroke:#0072b2;stroke-linecap:round;stroke-linejoin:round;"
    "vector-effect:non-scaling-stroke}"
    ".failed{border-color:#c00;background:#fee}.failed .why{color:#c00}"
    ".holes{color:#a60}";

IndexCard cardWithoutMarkup(const std::string& input) {
    return {input, platform::fromPath(platform::toPath(input).parent_path()), {}};
}

} // namespace

ArchiveIndex::ArchiveIndex(std::string outputDirectory, Anode anode)
    : outputDirectory_(std::move(outputDirectory)), anode_(anode) {}

IndexCard ArchiveIndex::cardOf(const ScanRecord& scan, const Conversion& conversion) const {
    IndexCard card = cardWithoutMarkup(conversion.inputPath);
    std::string& out = card.markup;
    out += "<div class=\"card\"><svg viewBox=\"0 0 200 100\" "
           "preserveAspectRatio=\"none\"><path d=\"";
    out += thumbnailPath(scan, thumbnailColumns, thumbnailRows); // digits and path letters only
    out += "\"/></svg><h3>";
    // The plot's header lines are escaped as it shows them already.
    const std::string name = platform::fromPath(platform::toPath(conversion.inputPath).filename());
    const std::vector<std::string> header = plotHeaderLines({{&scan, name, anode_}});
    appendXmlText(out, header.empty() ? "" : header[0]);
    out += "</h3>";
    for (std::size_t i = 1; i < header.size(); ++i) {
        out += "<p>";
        appendXmlText(out, header[i]);
        out += "</p>";
    }
    if (const std::size_t holes = nonFinitePoints(scan); holes > 0) {
        out += "<p class=\"holes\">";
        out += pointsText(holes);
        out += " not finite: a pattern with holes</p>";
    }
    const std::filesystem::path output = platform::toPath(conversion.outputPath);
    out += "<p><a href=\"";
    appendXmlText(out, hrefOf(platform::fromPath(
                           output.lexically_relative(platform::toPath(outputDirectory_)))));
    out += "\">";
    appendShown(out, platform::fromPath(output.filename()));
    out += "</a></p></div>\n";
    return card;
}

void ArchiveIndex::add(const IndexCard& card) {
    cards_.push_back(card);
}

void ArchiveIndex::addFailed(const std::string& input, const FileError& why) {
    IndexCard card = cardWithoutMarkup(input);
    card.markup = "<div class=\"card failed\"><h3>";
    appendShown(card.markup, platform::fromPath(platform::toPath(input).filename()));
    card.markup += "</h3><p class=\"why\">";
    appendShown(card.markup, why.description());
    card.markup += "</p></div>\n";
    cards_.push_back(std::move(card));
}

void ArchiveIndex::addFailure(const FileError& failure) {
    otherFailures_.push_back(failure.description());
}

std::string ArchiveIndex::path() const {
    return platform::fromPath(platform::toPath(outputDirectory_) / "index.html");
}

std::string ArchiveIndex::page(const std::string& summary) const {
    // Folders in path order, each folder's scans by name, wherever in the
    // run they were met.
    std::vector<const IndexCard*> cards;
    cards.reserve(cards_.size());
    std::size_t markup = 0;
    for (const IndexCard& card : cards_) {
        cards.push_back(&card);
        markup += card.markup.size();
    }
    std::stable_sort(cards.begin(), cards.end(), [](const IndexCard* a, const IndexCard* b) {
        return std::tie(a->folder, a->input) < std::tie(b->folder, b->input);
    });
    std::string out;
    out.reserve(markup + 64 * cards_.size() + 4096);
    out +=
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>Scans in ";
    appendShown(out, outputDirectory_);
    out += "</title>\n<style>";
    out += style;
    out += "</style>\n</head>\n<body>\n<h1>Scans in ";
    appendShown(out, outputDirectory_);
    out += "</h1>\n<p>";
    appendXmlText(out, summary);
    out += ". Tube: ";
    appendXmlText(out, tubeText(anode_));
    out += ".</p>\n";
    if (!otherFailures_.empty()) {
        out += "<section>\n<h2>Not converted</h2>\n";
        for (const std::string& failure : otherFailures_) {
            out += "<div class=\"card failed\"><p class=\"why\">";
            appendShown(out, failure);
            out += "</p></div>\n";
        }
        out += "</section>\n";
    }
    for (std::size_t i = 0; i < cards.size(); ++i) {
        const std::string& folder = cards[i]->folder;
        if (i == 0 || folder != cards[i - 1]->folder) {
            out += i == 0 ? "<section>\n<h2>" : "</section>\n<section>\n<h2>";
            appendShown(out, folder.empty() ? "." : folder);
            out += "</h2>\n";
        }
        out += cards[i]->markup;
    }
    if (!cards.empty()) {
        out += "</section>\n";
    }
    out += "</body>\n</html>\n";
    return out;
}

void ArchiveIndex::write(const std::string& summary) const {
    // Into the output directory made for it, as for any output, though no
    // scan of the run may have been written there.
    const std::string at = path();
    checkOutputPath(at);
    PendingFile(at, page(summary), {Durability::AsTheSystemWrites, true}).commit();
}

} // namespace scanmill::cli
