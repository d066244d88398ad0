#include "platform/IniFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>

#include "platform/Utf.h"

namespace corv::ini {

namespace {

namespace fs = std::filesystem;

// ---------------------------------------------------------------------------------------
// Reading the bytes of a file

enum class LoadStatus { Ok, Missing, Failed };

struct RawFile {
    std::string bytes;
    mode_t mode = 0;
};

LoadStatus readRaw(const fs::path& file, RawFile& out)
{
    if (file.empty())
        return LoadStatus::Missing;
    // O_NONBLOCK: a FIFO in place of the file must not block the caller; only regular
    // files are read.
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return (errno == ENOENT || errno == ENOTDIR) ? LoadStatus::Missing : LoadStatus::Failed;
    struct stat st { };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return LoadStatus::Failed;
    }
    out.mode = st.st_mode;
    out.bytes.clear();
    if (st.st_size > 0)
        out.bytes.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[16384];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ::close(fd);
            return LoadStatus::Failed;
        }
        if (n == 0)
            break;
        out.bytes.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return LoadStatus::Ok;
}

// ---------------------------------------------------------------------------------------
// Encodings

enum class Encoding { Utf8, Utf8Bom, Utf16Le, Utf16Be };

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

bool isUtf16(Encoding e) { return e == Encoding::Utf16Le || e == Encoding::Utf16Be; }

std::string encodeText(Encoding e, std::string_view utf8)
{
    if (isUtf16(e))
        return utf::utf8ToUtf16(utf8, e == Encoding::Utf16Be);
    return std::string(utf8);
}

// ---------------------------------------------------------------------------------------
// Line syntax (on UTF-8 text without the line ending)

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trim(std::string_view s)
{
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

enum class LineKind { Blank, Comment, Section, Key, Other };

struct LineInfo {
    LineKind kind = LineKind::Blank;
    std::string_view name;   // section or key name, trimmed
    std::string_view value;  // key value, trimmed (quotes still on)
};

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

// True when the first non-blank character of line is '[' (a possible section header).
bool startsSection(std::string_view line)
{
    for (char c : line) {
        if (!isBlank(c))
            return c == '[';
    }
    return false;
}

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

std::string_view stripQuotes(std::string_view v)
{
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

// The file's text as UTF-8 (BOM removed, UTF-16 converted); nullopt when it cannot be read.
std::optional<std::string_view> readText(const fs::path& file, RawFile& raw, std::string& decoded)
{
    if (readRaw(file, raw) != LoadStatus::Ok)
        return std::nullopt;
    const Encoding e = detectEncoding(raw.bytes);
    const std::string_view body = std::string_view(raw.bytes).substr(bomLength(e));
    if (!isUtf16(e))
        return body;
    decoded = utf::utf16ToUtf8(body, e == Encoding::Utf16Be);
    return std::string_view(decoded);
}

// ---------------------------------------------------------------------------------------
// The line structure of a file, for edits that keep every other byte

struct Line {
    std::size_t begin = 0;   // raw offset of the first content byte
    std::size_t end = 0;     // raw offset after the content (before the line ending)
    std::size_t eolEnd = 0;  // raw offset after the line ending (== end when there is none)
    LineInfo info;           // views into the UTF-8 text of the line
};

struct Document {
    RawFile raw;
    bool exists = false;
    Encoding encoding = Encoding::Utf8;
    std::string decoded;  // UTF-8 text of every line of a UTF-16 file, one after the other
    std::vector<Line> lines;
    std::string eol = "\n";

    Document() = default;
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    bool hasEol(const Line& l) const { return l.eolEnd > l.end; }
    std::string_view bytes() const { return raw.bytes; }
};

unsigned unitAt(const Document& doc, std::size_t offset)
{
    const auto b0 = static_cast<unsigned char>(doc.raw.bytes[offset]);
    const auto b1 = static_cast<unsigned char>(doc.raw.bytes[offset + 1]);
    return doc.encoding == Encoding::Utf16Be ? (unsigned{b0} << 8) | b1 : (unsigned{b1} << 8) | b0;
}

void splitUtf8(Document& doc)
{
    const std::string_view bytes = doc.bytes();
    std::size_t pos = bomLength(doc.encoding);
    while (pos < bytes.size()) {
        const std::size_t nl = bytes.find('\n', pos);
        Line line;
        line.begin = pos;
        if (nl == std::string_view::npos) {
            line.end = line.eolEnd = bytes.size();
        } else {
            line.end = (nl > pos && bytes[nl - 1] == '\r') ? nl - 1 : nl;
            line.eolEnd = nl + 1;
        }
        line.info = classify(bytes.substr(line.begin, line.end - line.begin));
        doc.lines.push_back(line);
        pos = line.eolEnd;
    }
}

void splitUtf16(Document& doc)
{
    const std::string_view bytes = doc.bytes();
    const bool bigEndian = doc.encoding == Encoding::Utf16Be;
    std::vector<std::pair<std::size_t, std::size_t>> textRanges;
    std::size_t pos = bomLength(doc.encoding);
    while (pos < bytes.size()) {
        Line line;
        line.begin = pos;
        std::size_t k = pos;
        while (k + 1 < bytes.size() && unitAt(doc, k) != 0x000Au)
            k += 2;
        if (k + 1 < bytes.size()) {
            line.end = (k > pos && unitAt(doc, k - 2) == 0x000Du) ? k - 2 : k;
            line.eolEnd = k + 2;
        } else {
            // Last line; an odd trailing byte stays in it (kept, never decoded).
            line.end = line.eolEnd = bytes.size();
        }
        const std::size_t textBegin = doc.decoded.size();
        doc.decoded += utf::utf16ToUtf8(bytes.substr(line.begin, line.end - line.begin), bigEndian);
        textRanges.emplace_back(textBegin, doc.decoded.size());
        doc.lines.push_back(line);
        pos = line.eolEnd;
    }
    // Views into decoded are taken only once it has stopped growing.
    const std::string_view text = doc.decoded;
    for (std::size_t i = 0; i < doc.lines.size(); ++i)
        doc.lines[i].info = classify(text.substr(textRanges[i].first, textRanges[i].second - textRanges[i].first));
}

LoadStatus load(const fs::path& file, Document& doc)
{
    const LoadStatus status = readRaw(file, doc.raw);
    if (status != LoadStatus::Ok)
        return status;
    doc.exists = true;
    doc.encoding = detectEncoding(doc.raw.bytes);
    if (isUtf16(doc.encoding))
        splitUtf16(doc);
    else
        splitUtf8(doc);
    // New lines take the ending of the file's first line.
    for (const Line& l : doc.lines) {
        if (doc.hasEol(l)) {
            const std::size_t unit = isUtf16(doc.encoding) ? 2 : 1;
            doc.eol = (l.eolEnd - l.end == 2 * unit) ? "\r\n" : "\n";
            break;
        }
    }
    return LoadStatus::Ok;
}

std::string encodedEol(const Document& doc) { return encodeText(doc.encoding, doc.eol); }

// Bytes that make the file end in a complete line, to be appended before new lines: the
// padding of an odd trailing byte of a UTF-16 file, then a line ending if the last line
// has none.
std::string lineBreakBeforeAppend(const Document& doc)
{
    std::string out;
    if (doc.lines.empty() || doc.hasEol(doc.lines.back()))
        return out;
    if (isUtf16(doc.encoding) && (doc.raw.bytes.size() - bomLength(doc.encoding)) % 2 != 0)
        out.push_back('\0');
    out += encodedEol(doc);
    return out;
}

// The key name of a key line exactly as the file spells it, in the file's encoding.
std::string rawKeyName(const Document& doc, const Line& line)
{
    const std::string_view bytes = doc.bytes();
    if (!isUtf16(doc.encoding)) {
        // The name is a view into the raw bytes.
        return std::string(line.info.name);
    }
    auto isBlankUnit = [](unsigned u) { return u == 0x20u || u == 0x09u; };
    std::size_t b = line.begin;
    while (b + 1 < line.end && isBlankUnit(unitAt(doc, b)))
        b += 2;
    std::size_t eq = b;
    while (eq + 1 < line.end && unitAt(doc, eq) != 0x3Du)
        eq += 2;
    std::size_t e = eq;
    while (e > b && isBlankUnit(unitAt(doc, e - 2)))
        e -= 2;
    return std::string(bytes.substr(b, e - b));
}

int findSection(const Document& doc, std::string_view section)
{
    for (std::size_t i = 0; i < doc.lines.size(); ++i) {
        const LineInfo& info = doc.lines[i].info;
        if (info.kind == LineKind::Section && utf::equalNoCase(info.name, section))
            return static_cast<int>(i);
    }
    return -1;
}

// Index of the line after the section that starts at line sec.
std::size_t sectionEnd(const Document& doc, std::size_t sec)
{
    std::size_t i = sec + 1;
    while (i < doc.lines.size() && doc.lines[i].info.kind != LineKind::Section)
        ++i;
    return i;
}

// ---------------------------------------------------------------------------------------
// Replacing a file

// Writes are serialised within the process, so that two threads that change different keys
// of one file never lose one of the changes.
std::mutex& writeMutex()
{
    static std::mutex m;
    return m;
}

bool writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// The file that a write replaces: the target of a symbolic link rather than the link.
fs::path writeTarget(const fs::path& file)
{
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(file, ec))) {
        const fs::path resolved = fs::weakly_canonical(file, ec);
        if (!ec && !resolved.empty())
            return resolved;
    }
    return file;
}

// Replaces target by bytes through a temporary file in the same folder. On failure the
// temporary file is removed and target is left as it was.
bool replaceFile(const fs::path& target, std::string_view bytes, std::optional<mode_t> mode)
{
    static std::atomic<unsigned> counter{0};
    fs::path folder = target.parent_path();
    if (folder.empty())
        folder = ".";
    // Keep the temporary name well below the file-name limit.
    std::string base = target.filename().string().substr(0, 100);
    int fd = -1;
    fs::path temp;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        const auto stamp =
            static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count() & 0xFFFFFF);
        temp = folder / ("." + base + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + "-" +
                         std::to_string(stamp));
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return false;
    }
    if (fd < 0)
        return false;
    bool ok = writeAll(fd, bytes);
    if (ok && mode)
        ok = ::fchmod(fd, *mode & 07777) == 0;
    if (ok)
        ok = ::fsync(fd) == 0;
    if (::close(fd) != 0)
        ok = false;
    if (ok)
        ok = ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    // Make the rename itself durable; a failure here does not undo the write.
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

// A file whose permission bits forbid writing (for everybody, or for us) is read-only:
// it is not replaced.
bool isReadOnly(const fs::path& file, mode_t mode)
{
    if ((mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        return true;
    return ::access(file.c_str(), W_OK) != 0;
}

// Writes the edited content of doc to file (unless it did not change).
bool commit(const fs::path& file, const Document& doc, const std::string& content)
{
    if (doc.exists && content == doc.raw.bytes)
        return true;
    if (doc.exists && isReadOnly(file, doc.raw.mode))
        return false;
    return replaceFile(file, content, doc.exists ? std::optional<mode_t>(doc.raw.mode) : std::nullopt);
}

bool hasLineBreakOrNul(std::string_view s)
{
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// Section names: not empty, single-line.
bool validSection(std::string_view section) { return !section.empty() && !hasLineBreakOrNul(section); }

// Key names: not empty, single-line, without '=', and not starting like a comment or a
// section header (the written line would not read back as this key).
bool validKey(std::string_view key)
{
    return !key.empty() && !hasLineBreakOrNul(key) && key.find('=') == std::string_view::npos && key.front() != ';' &&
           key.front() != '[';
}

}  // namespace

// ---------------------------------------------------------------------------------------

std::string readString(const fs::path& file, std::string_view section, std::string_view key,
                       std::string_view defaultValue)
{
    const std::string fallback(utf::truncateChars(defaultValue, kMaxValueChars));
    section = trim(section);
    key = trim(key);
    if (section.empty() || key.empty())
        return fallback;
    RawFile raw;
    std::string decoded;
    const std::optional<std::string_view> text = readText(file, raw, decoded);
    if (!text)
        return fallback;
    bool inSection = false;
    std::optional<std::string_view> found;
    forEachLine(*text, [&](std::string_view line) {
        // Outside the wanted section only section headers matter.
        if (!inSection && !startsSection(line))
            return true;
        const LineInfo info = classify(line);
        if (info.kind == LineKind::Section) {
            if (inSection)
                return false;  // only the first matching section counts
            inSection = utf::equalNoCase(info.name, section);
        } else if (inSection && info.kind == LineKind::Key && utf::equalNoCase(info.name, key)) {
            found = info.value;
            return false;
        }
        return true;
    });
    if (!found)
        return fallback;
    return std::string(utf::truncateChars(stripQuotes(*found), kMaxValueChars));
}

bool writeString(const fs::path& file, std::string_view section, std::string_view key, std::string_view value)
{
    section = trim(section);
    key = trim(key);
    if (file.empty() || !validSection(section) || !validKey(key) || hasLineBreakOrNul(value))
        return false;

    const fs::path target = writeTarget(file);
    std::lock_guard<std::mutex> guard(writeMutex());
    Document doc;
    if (load(target, doc) == LoadStatus::Failed)
        return false;
    const std::string_view bytes = doc.bytes();
    const std::string eol = encodedEol(doc);
    const std::string keyLine = std::string(key) + "=" + std::string(value);

    std::string content;
    const int sec = findSection(doc, section);
    if (sec >= 0) {
        const std::size_t end = sectionEnd(doc, static_cast<std::size_t>(sec));
        std::size_t lastKey = static_cast<std::size_t>(sec);
        for (std::size_t i = static_cast<std::size_t>(sec) + 1; i < end; ++i) {
            const Line& line = doc.lines[i];
            if (line.info.kind != LineKind::Key)
                continue;
            if (utf::equalNoCase(line.info.name, key)) {
                // Rewrite the line in place as name=value, keeping the name's spelling
                // and the line ending.
                content.reserve(bytes.size() + value.size() * 2 + 8);
                content.append(bytes.substr(0, line.begin));
                content += rawKeyName(doc, line);
                content += encodeText(doc.encoding, "=" + std::string(value));
                content.append(bytes.substr(line.end));
                return commit(target, doc, content);
            }
            lastKey = i;
        }
        // New key after the section's last key line (or its header).
        const Line& after = doc.lines[lastKey];
        if (doc.hasEol(after)) {
            content.append(bytes.substr(0, after.eolEnd));
            content += encodeText(doc.encoding, keyLine) + eol;
            content.append(bytes.substr(after.eolEnd));
        } else {
            content.append(bytes);
            content += lineBreakBeforeAppend(doc);
            content += encodeText(doc.encoding, keyLine) + eol;
        }
        return commit(target, doc, content);
    }

    // New section at the end of the file.
    content.append(bytes);
    content += lineBreakBeforeAppend(doc);
    content += encodeText(doc.encoding, "[" + std::string(section) + "]") + eol;
    content += encodeText(doc.encoding, keyLine) + eol;
    return commit(target, doc, content);
}

namespace {

// Rewrites the file without parts of the first section named `section`: rebuild gets the
// document, the section's line index and the index of the line after the section, and
// returns the new content. A missing file or section needs no change (true).
bool rewriteSection(const fs::path& file, std::string_view section,
                    const std::function<std::string(const Document&, std::size_t, std::size_t)>& rebuild)
{
    const fs::path target = writeTarget(file);
    std::lock_guard<std::mutex> guard(writeMutex());
    Document doc;
    const LoadStatus status = load(target, doc);
    if (status == LoadStatus::Failed)
        return false;
    if (status == LoadStatus::Missing)
        return true;  // nothing to remove
    const int sec = findSection(doc, section);
    if (sec < 0)
        return true;
    const auto first = static_cast<std::size_t>(sec);
    return commit(target, doc, rebuild(doc, first, sectionEnd(doc, first)));
}

}  // namespace

bool deleteKey(const fs::path& file, std::string_view section, std::string_view key)
{
    section = trim(section);
    key = trim(key);
    if (file.empty() || section.empty() || key.empty())
        return false;
    return rewriteSection(file, section, [&](const Document& doc, std::size_t sec, std::size_t end) {
        const std::string_view bytes = doc.bytes();
        std::string content;
        content.reserve(bytes.size());
        std::size_t copied = 0;  // raw offset up to which bytes were taken over
        for (std::size_t i = sec + 1; i < end; ++i) {
            const Line& line = doc.lines[i];
            if (line.info.kind == LineKind::Key && utf::equalNoCase(line.info.name, key)) {
                content.append(bytes.substr(copied, line.begin - copied));
                copied = line.eolEnd;
            }
        }
        content.append(bytes.substr(copied));
        return content;
    });
}

bool deleteSection(const fs::path& file, std::string_view section)
{
    section = trim(section);
    if (file.empty() || section.empty())
        return false;
    return rewriteSection(file, section, [](const Document& doc, std::size_t sec, std::size_t end) {
        const std::string_view bytes = doc.bytes();
        const std::size_t from = doc.lines[sec].begin;
        const std::size_t to = end < doc.lines.size() ? doc.lines[end].begin : bytes.size();
        std::string content;
        content.reserve(bytes.size());
        content.append(bytes.substr(0, from));
        content.append(bytes.substr(to));
        return content;
    });
}

std::vector<std::string> sectionNames(const fs::path& file)
{
    std::vector<std::string> names;
    RawFile raw;
    std::string decoded;
    const std::optional<std::string_view> text = readText(file, raw, decoded);
    if (!text)
        return names;
    forEachLine(*text, [&](std::string_view line) {
        if (!startsSection(line))
            return true;
        const LineInfo info = classify(line);
        if (info.kind != LineKind::Section || info.name.empty())
            return true;
        for (const std::string& n : names)
            if (utf::equalNoCase(n, info.name))
                return true;  // a later duplicate is never used
        names.emplace_back(info.name);
        return true;
    });
    return names;
}

std::vector<std::string> keyNames(const fs::path& file, std::string_view section)
{
    std::vector<std::string> names;
    section = trim(section);
    if (section.empty())
        return names;
    RawFile raw;
    std::string decoded;
    const std::optional<std::string_view> text = readText(file, raw, decoded);
    if (!text)
        return names;
    bool inSection = false;
    forEachLine(*text, [&](std::string_view line) {
        if (!inSection && !startsSection(line))
            return true;
        const LineInfo info = classify(line);
        if (info.kind == LineKind::Section) {
            if (inSection)
                return false;
            inSection = utf::equalNoCase(info.name, section);
            return true;
        }
        if (!inSection || info.kind != LineKind::Key || info.name.empty())
            return true;
        for (const std::string& n : names)
            if (utf::equalNoCase(n, info.name))
                return true;
        names.emplace_back(info.name);
        return true;
    });
    return names;
}

long toLong(std::string_view text)
{
    constexpr std::int64_t kMaxMagnitude = std::int64_t{INT32_MAX} + 1;
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r' ||
                               text[i] == '\v' || text[i] == '\f'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    std::int64_t magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > kMaxMagnitude)
            magnitude = kMaxMagnitude;  // saturated; keep reading the digits
    }
    if (negative)
        return static_cast<long>(-magnitude);
    return static_cast<long>(magnitude > INT32_MAX ? std::int64_t{INT32_MAX} : magnitude);
}

}  // namespace corv::ini
