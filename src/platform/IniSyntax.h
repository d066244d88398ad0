#pragma once
// The line syntax and the encodings of INI files, shared by the readers (IniFile) and the
// editor (IniDocument). Lines are classified on their UTF-8 text without the line ending.
#include <string>
#include <string_view>

namespace corv::ini {

enum class Encoding { Utf8, Utf8Bom, Utf16Le, Utf16Be };

Encoding detectEncoding(std::string_view bytes);
std::size_t bomLength(Encoding e);
inline bool isUtf16(Encoding e) { return e == Encoding::Utf16Le || e == Encoding::Utf16Be; }
// UTF-8 text in the encoding e (without BOM).
std::string encodeText(Encoding e, std::string_view utf8);
// Text in the encoding e (without BOM) as UTF-8; an odd trailing byte of UTF-16 is ignored.
std::string decodeText(Encoding e, std::string_view bytes);

inline bool isBlank(char c) { return c == ' ' || c == '\t'; }
std::string_view trim(std::string_view s);
// trim, and a carriage return at the end too: a line of a key=value file read as it lies.
std::string_view trimLine(std::string_view s);

enum class LineKind { Blank, Comment, Section, Key, Other };

struct LineInfo {
    LineKind kind = LineKind::Blank;
    std::string_view name;   // section or key name, trimmed
    std::string_view value;  // key value, trimmed (quotes still on)
};

LineInfo classify(std::string_view line);

// True when the first non-blank character of line is '[' (a possible section header).
bool startsSection(std::string_view line);

// A value enclosed in matching single or double quotes, without them.
std::string_view stripQuotes(std::string_view v);

// Calls f(line) for every line of UTF-8 text, without its line ending; stops when f
// returns false.
template <typename F> void forEachLine(std::string_view text, F&& f)
{
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t nl = text.find('\n', pos);
        const std::size_t end = nl == std::string_view::npos ? text.size() : nl;
        std::string_view line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        pos = nl == std::string_view::npos ? text.size() : nl + 1;
        if (!f(line))
            return;
    }
}

bool hasLineBreakOrNul(std::string_view s);
// Section names that can be written: not empty, single-line.
bool validSection(std::string_view section);
// Key names that can be written: not empty, single-line, without '=', and not starting
// like a comment or a section header (the written line would not read back as this key).
bool validKey(std::string_view key);

}  // namespace corv::ini
