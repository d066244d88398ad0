#include "platform/IniSyntax.h"

#include "platform/Utf.h"

namespace corv::ini {

Encoding detectEncoding(std::string_view bytes)
{
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF")
        return Encoding::Utf8Bom;
    if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFF\xFE")
        return Encoding::Utf16Le;
    if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFE\xFF")
        return Encoding::Utf16Be;
    return Encoding::Utf8;
}

std::size_t bomLength(Encoding e)
{
    switch (e) {
    case Encoding::Utf8:
        return 0;
    case Encoding::Utf8Bom:
        return 3;
    case Encoding::Utf16Le:
    case Encoding::Utf16Be:
        return 2;
    }
    return 0;
}

std::string encodeText(Encoding e, std::string_view utf8)
{
    if (isUtf16(e))
        return utf::utf8ToUtf16(utf8, e == Encoding::Utf16Be);
    return std::string(utf8);
}

std::string decodeText(Encoding e, std::string_view bytes)
{
    if (isUtf16(e))
        return utf::utf16ToUtf8(bytes, e == Encoding::Utf16Be);
    return std::string(bytes);
}

std::string_view trim(std::string_view s)
{
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

std::string_view trimLine(std::string_view s)
{
    while (!s.empty() && (isBlank(s.back()) || s.back() == '\r'))
        s.remove_suffix(1);
    return trim(s);
}

LineInfo classify(std::string_view line)
{
    LineInfo info;
    const std::string_view t = trim(line);
    if (t.empty())
        return info;
    if (t.front() == ';') {
        info.kind = LineKind::Comment;
        return info;
    }
    if (t.front() == '[') {
        const std::size_t close = t.rfind(']');
        if (close != std::string_view::npos) {
            info.kind = LineKind::Section;
            info.name = trim(t.substr(1, close - 1));
            return info;
        }
    }
    const std::size_t eq = t.find('=');
    if (eq == std::string_view::npos) {
        info.kind = LineKind::Other;
        return info;
    }
    info.kind = LineKind::Key;
    info.name = trim(t.substr(0, eq));
    info.value = trim(t.substr(eq + 1));
    return info;
}

bool startsSection(std::string_view line)
{
    for (char c : line) {
        if (!isBlank(c))
            return c == '[';
    }
    return false;
}

std::string_view stripQuotes(std::string_view v)
{
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

bool hasLineBreakOrNul(std::string_view s)
{
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

bool validSection(std::string_view section) { return !section.empty() && !hasLineBreakOrNul(section); }

bool validKey(std::string_view key)
{
    return !key.empty() && !hasLineBreakOrNul(key) && key.find('=') == std::string_view::npos && key.front() != ';' &&
           key.front() != '[';
}

}  // namespace corv::ini
