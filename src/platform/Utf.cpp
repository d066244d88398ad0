#include "platform/Utf.h"

namespace corv::utf {

namespace {

unsigned byteAt(std::string_view text, std::size_t pos) { return static_cast<unsigned char>(text[pos]); }

bool isContinuation(std::string_view text, std::size_t pos)
{
    return pos < text.size() && (byteAt(text, pos) & 0xC0u) == 0x80u;
}

void appendUnit(std::string& out, unsigned unit, bool bigEndian)
{
    const char lo = static_cast<char>(unit & 0xFFu);
    const char hi = static_cast<char>((unit >> 8) & 0xFFu);
    if (bigEndian) {
        out.push_back(hi);
        out.push_back(lo);
    } else {
        out.push_back(lo);
        out.push_back(hi);
    }
}

}  // namespace

std::size_t sequenceLength(std::string_view text, std::size_t pos)
{
    const unsigned b0 = byteAt(text, pos);
    if (b0 < 0x80u)
        return 1;
    if (b0 < 0xC2u || b0 > 0xF4u)
        return 0;  // continuation byte, overlong lead byte or beyond U+10FFFF
    if (!isContinuation(text, pos + 1))
        return 0;
    const unsigned b1 = byteAt(text, pos + 1);
    if (b0 < 0xE0u)
        return 2;
    // Second-byte limits that exclude overlong forms, surrogates and values beyond U+10FFFF.
    if ((b0 == 0xE0u && b1 < 0xA0u) || (b0 == 0xEDu && b1 > 0x9Fu) || (b0 == 0xF0u && b1 < 0x90u) ||
        (b0 == 0xF4u && b1 > 0x8Fu))
        return 0;
    if (!isContinuation(text, pos + 2))
        return 0;
    if (b0 < 0xF0u)
        return 3;
    return isContinuation(text, pos + 3) ? 4 : 0;
}

char32_t next(std::string_view text, std::size_t& pos)
{
    const std::size_t len = sequenceLength(text, pos);
    const unsigned b0 = byteAt(text, pos);
    if (len == 0) {
        ++pos;
        return kInvalidByteBase + b0;
    }
    char32_t c = 0;
    switch (len) {
    case 1:
        c = b0;
        break;
    case 2:
        c = ((b0 & 0x1Fu) << 6) | (byteAt(text, pos + 1) & 0x3Fu);
        break;
    case 3:
        c = ((b0 & 0x0Fu) << 12) | ((byteAt(text, pos + 1) & 0x3Fu) << 6) | (byteAt(text, pos + 2) & 0x3Fu);
        break;
    default:
        c = ((b0 & 0x07u) << 18) | ((byteAt(text, pos + 1) & 0x3Fu) << 12) | ((byteAt(text, pos + 2) & 0x3Fu) << 6) |
            (byteAt(text, pos + 3) & 0x3Fu);
        break;
    }
    pos += len;
    return c;
}

std::string_view truncateChars(std::string_view text, std::size_t maxChars)
{
    if (text.size() <= maxChars)
        return text;  // every character takes at least one byte
    std::size_t pos = 0;
    std::size_t count = 0;
    while (pos < text.size() && count < maxChars) {
        const std::size_t len = sequenceLength(text, pos);
        pos += len == 0 ? 1 : len;
        ++count;
    }
    return text.substr(0, pos);
}

char32_t foldCase(char32_t c)
{
    if (c < 0x80) {
        return (c >= U'A' && c <= U'Z') ? c + 0x20 : c;
    }
    if (c < 0x100) {
        if (c == 0xB5)
            return 0x3BC;  // micro sign folds to Greek mu
        if (c >= 0xC0 && c <= 0xDE && c != 0xD7)
            return c + 0x20;
        return c;
    }
    if (c < 0x180) {
        if ((c <= 0x12F) || (c >= 0x132 && c <= 0x137) || (c >= 0x14A && c <= 0x177))
            return (c % 2 == 0) ? c + 1 : c;
        if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
            return (c % 2 == 1) ? c + 1 : c;
        if (c == 0x178)
            return 0xFF;
        if (c == 0x17F)
            return U's';
        return c;
    }
    if (c >= 0x386 && c <= 0x3AB) {
        if (c == 0x386)
            return 0x3AC;
        if (c >= 0x388 && c <= 0x38A)
            return c + 37;
        if (c == 0x38C)
            return 0x3CC;
        if (c == 0x38E || c == 0x38F)
            return c + 63;
        if (c >= 0x391 && c != 0x3A2)
            return c + 0x20;
        return c;
    }
    if (c == 0x3C2)
        return 0x3C3;  // final sigma
    if (c >= 0x400 && c <= 0x40F)
        return c + 0x50;
    if (c >= 0x410 && c <= 0x42F)
        return c + 0x20;
    if (c >= 0xFF21 && c <= 0xFF3A)
        return c + 0x20;
    return c;
}

bool equalNoCase(std::string_view a, std::string_view b)
{
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        const unsigned ca = byteAt(a, i);
        const unsigned cb = byteAt(b, j);
        if (ca < 0x80u && cb < 0x80u) {
            // ASCII bytes never occur inside a multi-byte sequence, so they can be compared
            // one by one.
            if (foldCase(ca) != foldCase(cb))
                return false;
            ++i;
            ++j;
            continue;
        }
        if (foldCase(next(a, i)) != foldCase(next(b, j)))
            return false;
    }
    return i == a.size() && j == b.size();
}

std::u32string foldedKey(std::string_view text)
{
    std::u32string key;
    key.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        // Keys and section names are nearly always ASCII: fold those bytes without decoding.
        const auto byte = static_cast<unsigned char>(text[pos]);
        if (byte < 0x80) {
            key.push_back(byte >= 'A' && byte <= 'Z' ? char32_t{byte} + 0x20 : char32_t{byte});
            ++pos;
        } else {
            key.push_back(foldCase(next(text, pos)));
        }
    }
    return key;
}

void appendUtf8(std::string& out, char32_t c)
{
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        c = kReplacementChar;
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

std::string utf16ToUtf8(std::string_view bytes, bool bigEndian)
{
    const std::size_t units = bytes.size() / 2;
    auto unitAt = [&](std::size_t k) -> unsigned {
        const unsigned first = byteAt(bytes, 2 * k);
        const unsigned second = byteAt(bytes, 2 * k + 1);
        return bigEndian ? (first << 8) | second : (second << 8) | first;
    };
    std::string out;
    out.reserve(units + units / 2);
    for (std::size_t k = 0; k < units; ++k) {
        const unsigned u = unitAt(k);
        if (u >= 0xD800u && u <= 0xDBFFu && k + 1 < units) {
            const unsigned low = unitAt(k + 1);
            if (low >= 0xDC00u && low <= 0xDFFFu) {
                appendUtf8(out, 0x10000 + (((u - 0xD800u) << 10) | (low - 0xDC00u)));
                ++k;
                continue;
            }
        }
        appendUtf8(out, (u >= 0xD800u && u <= 0xDFFFu) ? kReplacementChar : char32_t{u});
    }
    return out;
}

std::string utf8ToUtf16(std::string_view text, bool bigEndian)
{
    std::string out;
    out.reserve(text.size() * 2);
    std::size_t pos = 0;
    while (pos < text.size()) {
        char32_t c = next(text, pos);
        if (c >= kInvalidByteBase)
            c = kReplacementChar;
        if (c >= 0x10000) {
            const char32_t v = c - 0x10000;
            appendUnit(out, 0xD800u + (v >> 10), bigEndian);
            appendUnit(out, 0xDC00u + (v & 0x3FFu), bigEndian);
        } else {
            appendUnit(out, c, bigEndian);
        }
    }
    return out;
}

}  // namespace corv::utf
