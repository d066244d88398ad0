#pragma once
// An INI file as an editable list of lines, for edits that keep every other byte: a line
// that no edit touches is written back exactly as it was read, line ending included.
// Arguments are expected trimmed and checked (validSection, validKey) by the caller.
//
// A UTF-16 file with an odd number of bytes after its BOM has a stray last byte. It belongs
// to no line and stays the file's last byte while nothing is appended. Before new lines are
// appended, it is padded to a whole code unit and given a line of its own: it never becomes
// part of the line before it, so it cannot change that line's key or header.
#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/AtomicFile.h"
#include "platform/IniSyntax.h"

namespace corv::ini {

class IniDocument {
public:
    IniDocument() = default;
    IniDocument(const IniDocument&) = delete;
    IniDocument& operator=(const IniDocument&) = delete;

    // Reads and splits file. Missing leaves an empty document that does not exist yet.
    ReadStatus load(const std::filesystem::path& file);

    bool exists() const { return exists_; }
    mode_t mode() const { return raw_.mode; }
    // The bytes as they were loaded.
    const std::string& original() const { return raw_.bytes; }
    // The bytes with every edit made so far.
    std::string bytes() const;

    // Whether text (a name or value, UTF-8) can be written into this document unchanged: a
    // UTF-16 file holds only well-formed UTF-8 converted; UTF-8 files take any bytes.
    bool canHold(std::string_view text) const;
    // Replaces the value of the first matching key of the first matching section in place;
    // else appends the key after the last key line of that section (or its header); else
    // appends the section with the key at the end of the file.
    void set(std::string_view section, std::string_view key, std::string_view value);
    // Removes every matching key line of the first matching section.
    void removeKey(std::string_view section, std::string_view key);
    // Removes the first matching section with all its lines.
    void removeSection(std::string_view section);
    // The value of the first matching key of the first matching section, trimmed, quotes
    // still on.
    std::optional<std::string_view> find(std::string_view section, std::string_view key) const;

private:
    struct Line {
        std::string_view content;  // in the file's encoding, without the line ending
        // In the file's encoding. Only the last line may lack a line feed: its ending is then
        // empty, or a lone carriage return (which readers drop as they drop the one before a
        // line feed).
        std::string_view eol;
        LineInfo info;  // views into the UTF-8 text of the line
    };

    std::string_view keep(std::string text);
    Line makeLine(std::string_view content, std::string_view eol);
    void splitUtf8(std::string_view body);
    void splitUtf16(std::string_view body);
    unsigned unitAt(std::string_view bytes, std::size_t offset) const;
    bool endsWithLineFeed(const Line& line) const;
    std::string rawKeyName(const Line& line) const;
    int findSection(std::string_view section) const;
    std::size_t sectionEnd(std::size_t sec) const;
    void endWithLineBreak();
    void insertLine(std::size_t at, std::string_view utf8);

    FileBytes raw_;
    bool exists_ = false;
    Encoding encoding_ = Encoding::Utf8;
    std::string_view bom_;
    std::string_view stray_;  // the odd last byte of a UTF-16 file
    std::string_view eol_;    // line ending of new lines, in the file's encoding
    std::string decoded_;     // UTF-8 text of the lines of a UTF-16 file as loaded
    std::vector<Line> lines_;
    std::deque<std::string> kept_;  // the text of new and changed lines (a deque never moves it)
};

}  // namespace corv::ini
