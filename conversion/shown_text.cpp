// SPDX-License-Identifier: MIT
#include "shown_text.h"

#include "platform.h"

#include <algorithm>

namespace scanmill {
namespace {

constexpr char hexDigits[] = "0123456789abcdef";

// The code point of the well-formed UTF-8 sequence at text[at] and its
// length, or a length of 0 where none begins: overlong forms and surrogates
// are not UTF-8 and show as Latin-1 bytes.
struct Decoded {
    char32_t codePoint = 0;
    std::size_t length = 0;
};

Decoded decodeAt(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) {
        return {lead, 1};
    }
    std::size_t length = 0;
    char32_t codePoint = 0;
    unsigned char low = 0x80; // the second byte's bounds
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        codePoint = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        codePoint = lead & 0x0F;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return {};
    }
    if (at + length > text.size() || byte(at + 1) < low || byte(at + 1) > high) {
        return {};
    }
    for (std::size_t i = at + 1; i < at + length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) {
            return {};
        }
        codePoint = (codePoint << 6) | (byte(i) & 0x3F);
    }
    return {codePoint, length};
}

void appendByteEscape(std::string& out, unsigned char c) {
    static constexpr std::string_view named = "\a\b\t\n\v\f\r\x1b";
    static constexpr std::string_view letters = "abtnvfre";
    out += '\\';
    if (const auto at = named.find(static_cast<char>(c)); at != std::string_view::npos) {
        out += letters[at];
    } else {
        out += 'x';
        out += hexDigits[c >> 4];
        out += hexDigits[c & 0xF];
    }
}

void appendCodePointEscape(std::string& out, char32_t codePoint) {
    const bool wide = codePoint > 0xFFFF;
    out += wide ? "\\U" : "\\u";
    for (int shift = wide ? 28 : 12; shift >= 0; shift -= 4) {
        out += hexDigits[(codePoint >> shift) & 0xF];
    }
}

bool steersText(char32_t c) {
    return (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) || c == 0xFFFE ||
           c == 0xFFFF;
}

} // namespace

std::string escapeControls(std::string_view text, OtherBytes other) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const auto c = static_cast<unsigned char>(text[at]);
        const Decoded decoded = decodeAt(text, at);
        if (decoded.length == 0) {
            if (c <= 0x9F || other == OtherBytes::Escaped) {
                appendByteEscape(out, c); // C1 in an 8-bit encoding, or any byte escaped
            } else if (other == OtherBytes::Kept) {
                out += static_cast<char>(c);
            } else {
                out += static_cast<char>(0xC0 | (c >> 6)); // the Latin-1 letter
                out += static_cast<char>(0x80 | (c & 0x3F));
            }
            ++at;
            continue;
        }
        const char32_t codePoint = decoded.codePoint;
        if (codePoint < 0x20 || codePoint == 0x7F) {
            appendByteEscape(out, c);
        } else if (other == OtherBytes::Escaped && codePoint >= 0x80) {
            appendCodePointEscape(out, codePoint);
        } else if (codePoint >= 0x80 && codePoint <= 0x9F) {
            appendByteEscape(out, c); // C1 in UTF-8, byte by byte
            appendByteEscape(out, static_cast<unsigned char>(text[at + 1]));
        } else if (steersText(codePoint)) {
            appendCodePointEscape(out, codePoint);
        } else if (codePoint == '\\' && (pathSeparator != '\\' || other == OtherBytes::Escaped)) {
            out += "\\\\";
        } else {
            out.append(text.substr(at, decoded.length));
        }
        at += decoded.length;
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

} // namespace scanmill
