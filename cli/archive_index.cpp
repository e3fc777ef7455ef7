// SPDX-License-Identifier: MIT
#include "archive_index.h"

#include "names.h"
#include "output_file.h"
#include "platform.h"
#include "plot_layout.h"
#include "shown_text.h"
#include "svg_painter.h"

#include <algorithm>
#include <map>
#include <string_view>
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
    ".card path{fill:none;stroke:#1f5fa8;stroke-linecap:round;stroke-linejoin:round;"
    "vector-effect:non-scaling-stroke}"
    ".failed{border-color:#c00;background:#fee}.failed .why{color:#c00}"
    ".holes{color:#a60}";

} // namespace

IndexCard indexCardOf(const ScanRecord& scan, const std::string& inputPath) {
    IndexCard card;
    card.input = inputPath;
    card.headerLines =
        plotHeaderLines(scan, platform::fromPath(platform::toPath(inputPath).filename()));
    card.thumbnail = thumbnailPath(scan, thumbnailColumns, thumbnailRows);
    card.nonFinitePoints = nonFinitePoints(scan);
    return card;
}

ArchiveIndex::ArchiveIndex(std::string outputDirectory, Anode anode)
    : outputDirectory_(std::move(outputDirectory)), anode_(anode) {}

void ArchiveIndex::add(IndexCard card) {
    cards_.push_back(std::move(card));
}

void ArchiveIndex::addFailed(const std::string& input, const FileError& why) {
    IndexCard card;
    card.input = input;
    card.failure = why.description();
    cards_.push_back(std::move(card));
}

void ArchiveIndex::addFailure(const FileError& failure) {
    otherFailures_.push_back(failure.description());
}

std::string ArchiveIndex::path() const {
    return platform::fromPath(platform::toPath(outputDirectory_) / "index.html");
}

std::string ArchiveIndex::page(const std::string& summary) const {
    // Folders in path order.
    std::map<std::string, std::vector<const IndexCard*>> folders;
    for (const IndexCard& card : cards_) {
        folders[platform::fromPath(platform::toPath(card.input).parent_path())].push_back(&card);
    }
    // Each folder's scans by name, wherever in the run they were met.
    for (auto& [folder, cards] : folders) {
        std::stable_sort(cards.begin(), cards.end(), [](const IndexCard* a, const IndexCard* b) {
            return a->input < b->input;
        });
    }
    const std::filesystem::path base = platform::toPath(outputDirectory_);
    std::string out;
    out.reserve(2048 * cards_.size() + 4096);
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
    for (const auto& [folder, cards] : folders) {
        out += "<section>\n<h2>";
        appendShown(out, folder.empty() ? "." : folder);
        out += "</h2>\n";
        for (const IndexCard* card : cards) {
            const std::string name = platform::fromPath(platform::toPath(card->input).filename());
            if (!card->failure.empty()) {
                out += "<div class=\"card failed\"><h3>";
                appendShown(out, name);
                out += "</h3><p class=\"why\">";
                appendShown(out, card->failure);
                out += "</p></div>\n";
                continue;
            }
            out += "<div class=\"card\"><svg viewBox=\"0 0 200 100\" "
                   "preserveAspectRatio=\"none\"><path d=\"";
            out += card->thumbnail; // digits and path letters only
            out += "\"/></svg><h3>";
            // The plot's header lines are escaped as it shows them already.
            appendXmlText(out, card->headerLines.empty() ? "" : card->headerLines[0]);
            out += "</h3>";
            for (std::size_t i = 1; i < card->headerLines.size(); ++i) {
                out += "<p>";
                appendXmlText(out, card->headerLines[i]);
                out += "</p>";
            }
            if (card->nonFinitePoints > 0) {
                out += "<p class=\"holes\">";
                out += pointsText(card->nonFinitePoints);
                out += " not finite: a pattern with holes</p>";
            }
            out += "<p><a href=\"";
            appendXmlText(out, hrefOf(platform::fromPath(
                                   platform::toPath(card->output).lexically_relative(base))));
            out += "\">";
            appendShown(out, platform::fromPath(platform::toPath(card->output).filename()));
            out += "</a></p></div>\n";
        }
        out += "</section>\n";
    }
    out += "</body>\n</html>\n";
    return out;
}

void ArchiveIndex::write(const std::string& summary) const {
    replaceFileContents(path(), page(summary));
}

} // namespace scanmill::cli
