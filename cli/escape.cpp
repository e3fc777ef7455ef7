// SPDX-License-Identifier: MIT
#include "escape.h"

#include "platform.h"

#include <algorithm>

namespace scanmill::cli {
namespace {

// How many bytes the UTF-8 sequence beginning at text[at] takes, or 0 when
// none begins there.
std::size_t sequenceLength(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    const std::size_t length = lead < 0x80                    ? 1
                               : lead >= 0xC2 && lead <= 0xDF ? 2
                               : lead >= 0xE0 && lead <= 0xEF ? 3
                               : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                              : 0;
    if (length == 0 || at + length > text.size()) {
        return 0;
    }
    for (std::size_t i = at + 1; i < at + length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) {
            return 0;
        }
    }
    return length;
}

void appendEscaped(std::string& out, unsigned char c) {
    // The characters C has a letter for, and ESC; any other as two hex digits.
    static constexpr std::string_view named = "\a\b\t\n\v\f\r\x1b";
    static constexpr std::string_view letters = "abtnvfre";
    static constexpr char hex[] = "0123456789abcdef";
    out += '\\';
    if (const auto at = named.find(static_cast<char>(c)); at != std::string_view::npos) {
        out += letters[at];
    } else {
        out += 'x';
        out += hex[c >> 4];
        out += hex[c & 0xF];
    }
}

} // namespace

std::string escapeControls(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const auto c = static_cast<unsigned char>(text[at]);
        const std::size_t length = sequenceLength(text, at);
        if (c < 0x20 || c == 0x7F) {
            appendEscaped(out, c);
            ++at;
        } else if (length == 2 && c == 0xC2 && static_cast<unsigned char>(text[at + 1]) < 0xA0) {
            appendEscaped(out, c); // U+0080 to U+009F: C1 in UTF-8
            appendEscaped(out, static_cast<unsigned char>(text[at + 1]));
            at += 2;
        } else if (length == 0 && c >= 0x80 && c <= 0x9F) {
            appendEscaped(out, c); // C1 in an 8-bit encoding
            ++at;
        } else if (length == 0) {
            out += static_cast<char>(c); // a letter of an 8-bit encoding
            ++at;
        } else {
            if (c == '\\' && pathSeparator != '\\') {
                out += '\\';
            }
            out.append(text.substr(at, length));
            at += length;
        }
    }
    return out;
}

std::string escapeControlsByLine(std::string_view text) {
    std::string out;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        out += escapeControls(text.substr(at, end - at));
        if (end < text.size()) {
            out += '\n';
        }
        at = end + 1;
    }
    return out;
}

} // namespace scanmill::cli
