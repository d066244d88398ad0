#include "platform/IniDocument.h"

#include <algorithm>
#include <utility>

#include "platform/Utf.h"

namespace corv::ini {

std::string_view IniDocument::keep(std::string text)
{
    kept_.push_back(std::move(text));
    return kept_.back();
}

IniDocument::Line IniDocument::makeLine(std::string_view content, std::string_view eol)
{
    Line line;
    line.content = content;
    line.eol = eol;
    line.info = classify(isUtf16(encoding_) ? keep(decodeText(encoding_, content)) : content);
    return line;
}

unsigned IniDocument::unitAt(std::string_view bytes, std::size_t offset) const
{
    const auto b0 = static_cast<unsigned char>(bytes[offset]);
    const auto b1 = static_cast<unsigned char>(bytes[offset + 1]);
    return encoding_ == Encoding::Utf16Be ? (unsigned{b0} << 8) | b1 : (unsigned{b1} << 8) | b0;
}

bool IniDocument::endsWithLineFeed(const Line& line) const
{
    const std::string_view eol = line.eol;
    if (isUtf16(encoding_))
        return eol.size() >= 2 && unitAt(eol, eol.size() - 2) == 0x000Au;
    return !eol.empty() && eol.back() == '\n';
}

ReadStatus IniDocument::load(const std::filesystem::path& file)
{
    const ReadStatus status = readWholeFile(file, raw_);
    exists_ = status == ReadStatus::Ok;
    if (!exists_) {
        raw_ = FileBytes{};
        eol_ = "\n";
        return status;
    }
    const std::string_view all = raw_.bytes;
    encoding_ = detectEncoding(all);
    bom_ = all.substr(0, bomLength(encoding_));
    std::string_view body = all.substr(bom_.size());
    if (isUtf16(encoding_)) {
        if (body.size() % 2 != 0) {
            stray_ = body.substr(body.size() - 1);
            body.remove_suffix(1);
        }
        splitUtf16(body);
    } else {
        splitUtf8(body);
    }
    // New lines take the ending of the file's first line.
    const auto first =
        std::find_if(lines_.begin(), lines_.end(), [this](const Line& l) { return endsWithLineFeed(l); });
    const std::string_view ending = (first != lines_.end() && first->eol.size() == (isUtf16(encoding_) ? 4u : 2u))
                                        ? std::string_view("\r\n")
                                        : std::string_view("\n");
    eol_ = isUtf16(encoding_) ? keep(encodeText(encoding_, ending)) : ending;
    return status;
}

void IniDocument::splitUtf8(std::string_view body)
{
    std::size_t pos = 0;
    while (pos < body.size()) {
        const std::size_t nl = body.find('\n', pos);
        if (nl == std::string_view::npos) {
            std::string_view last = body.substr(pos);
            std::string_view eol;
            if (last.back() == '\r') {
                eol = last.substr(last.size() - 1);
                last.remove_suffix(1);
            }
            lines_.push_back(makeLine(last, eol));
            break;
        }
        const std::size_t end = (nl > pos && body[nl - 1] == '\r') ? nl - 1 : nl;
        lines_.push_back(makeLine(body.substr(pos, end - pos), body.substr(end, nl + 1 - end)));
        pos = nl + 1;
    }
}

void IniDocument::splitUtf16(std::string_view body)
{
    // One decoded text for all lines; views into it are taken once it has stopped growing.
    std::vector<std::pair<std::size_t, std::size_t>> textRanges;
    const bool bigEndian = encoding_ == Encoding::Utf16Be;
    std::size_t pos = 0;
    while (pos < body.size()) {
        std::size_t k = pos;
        while (k < body.size() && unitAt(body, k) != 0x000Au)
            k += 2;
        Line line;
        if (k < body.size()) {
            const std::size_t end = (k > pos && unitAt(body, k - 2) == 0x000Du) ? k - 2 : k;
            line.content = body.substr(pos, end - pos);
            line.eol = body.substr(end, k + 2 - end);
            pos = k + 2;
        } else {
            line.content = body.substr(pos);
            if (unitAt(body, body.size() - 2) == 0x000Du) {
                line.eol = line.content.substr(line.content.size() - 2);
                line.content.remove_suffix(2);
            }
            pos = body.size();
        }
        const std::size_t textBegin = decoded_.size();
        decoded_ += utf::utf16ToUtf8(line.content, bigEndian);
        textRanges.emplace_back(textBegin, decoded_.size() - textBegin);
        lines_.push_back(line);
    }
    const std::string_view text = decoded_;
    for (std::size_t i = 0; i < lines_.size(); ++i)
        lines_[i].info = classify(text.substr(textRanges[i].first, textRanges[i].second));
}

std::string IniDocument::bytes() const
{
    std::size_t size = bom_.size() + stray_.size();
    for (const Line& l : lines_)
        size += l.content.size() + l.eol.size();
    std::string out;
    out.reserve(size);
    out += bom_;
    for (const Line& l : lines_) {
        out += l.content;
        out += l.eol;
    }
    out += stray_;
    return out;
}

// The key name of a key line exactly as the file spells it, in the file's encoding.
std::string IniDocument::rawKeyName(const Line& line) const
{
    if (!isUtf16(encoding_))
        return std::string(line.info.name);  // a view into the line itself
    const std::string_view c = line.content;
    auto isBlankUnit = [](unsigned u) { return u == 0x20u || u == 0x09u; };
    std::size_t b = 0;
    while (b + 1 < c.size() && isBlankUnit(unitAt(c, b)))
        b += 2;
    std::size_t eq = b;
    while (eq + 1 < c.size() && unitAt(c, eq) != 0x3Du)
        eq += 2;
    std::size_t e = eq;
    while (e > b && isBlankUnit(unitAt(c, e - 2)))
        e -= 2;
    return std::string(c.substr(b, e - b));
}

int IniDocument::findSection(std::string_view section) const
{
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const LineInfo& info = lines_[i].info;
        if (info.kind == LineKind::Section && utf::equalNoCase(info.name, section))
            return static_cast<int>(i);
    }
    return -1;
}

std::size_t IniDocument::sectionEnd(std::size_t sec) const
{
    std::size_t i = sec + 1;
    while (i < lines_.size() && lines_[i].info.kind != LineKind::Section)
        ++i;
    return i;
}

// Makes the file end in a complete line, so that lines can be appended: the last line gets
// a line ending (a lone carriage return gets its line feed, so that readers still drop it and
// nothing before it), and a stray odd byte becomes a line of its own.
void IniDocument::endWithLineBreak()
{
    if (!lines_.empty() && !endsWithLineFeed(lines_.back())) {
        Line& last = lines_.back();
        last.eol = last.eol.empty() ? eol_ : keep(std::string(last.eol) + encodeText(encoding_, "\n"));
    }
    if (!stray_.empty()) {
        lines_.push_back(makeLine(keep(std::string(stray_) + '\0'), eol_));
        stray_ = {};
    }
}

void IniDocument::insertLine(std::size_t at, std::string_view utf8)
{
    const std::string_view content = keep(encodeText(encoding_, utf8));
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), makeLine(content, eol_));
}

bool IniDocument::canHold(std::string_view text) const
{
    if (!isUtf16(encoding_))
        return true;
    for (std::size_t pos = 0; pos < text.size();) {
        if (utf::next(text, pos) >= utf::kInvalidByteBase)
            return false;
    }
    return true;
}

void IniDocument::set(std::string_view section, std::string_view key, std::string_view value)
{
    const std::string keyLine = std::string(key) + "=" + std::string(value);
    const int found = findSection(section);
    if (found < 0) {
        endWithLineBreak();
        insertLine(lines_.size(), "[" + std::string(section) + "]");
        insertLine(lines_.size(), keyLine);
        return;
    }
    const auto sec = static_cast<std::size_t>(found);
    const std::size_t end = sectionEnd(sec);
    std::size_t lastKey = sec;
    for (std::size_t i = sec + 1; i < end; ++i) {
        Line& line = lines_[i];
        if (line.info.kind != LineKind::Key)
            continue;
        if (utf::equalNoCase(line.info.name, key)) {
            // Rewritten in place as name=value, keeping the name's spelling and the ending.
            line = makeLine(keep(rawKeyName(line) + encodeText(encoding_, "=" + std::string(value))), line.eol);
            return;
        }
        lastKey = i;
    }
    // Only the file's last line can lack a line ending.
    if (!endsWithLineFeed(lines_[lastKey])) {
        endWithLineBreak();
        insertLine(lines_.size(), keyLine);
    } else {
        insertLine(lastKey + 1, keyLine);
    }
}

void IniDocument::removeKey(std::string_view section, std::string_view key)
{
    const int found = findSection(section);
    if (found < 0)
        return;
    const auto first = lines_.begin() + found + 1;
    const auto last = lines_.begin() + static_cast<std::ptrdiff_t>(sectionEnd(static_cast<std::size_t>(found)));
    const auto kept = std::remove_if(
        first, last, [&](const Line& l) { return l.info.kind == LineKind::Key && utf::equalNoCase(l.info.name, key); });
    lines_.erase(kept, last);
}

void IniDocument::removeSection(std::string_view section)
{
    const int found = findSection(section);
    if (found < 0)
        return;
    const auto sec = static_cast<std::size_t>(found);
    lines_.erase(lines_.begin() + found, lines_.begin() + static_cast<std::ptrdiff_t>(sectionEnd(sec)));
}

std::optional<std::string_view> IniDocument::find(std::string_view section, std::string_view key) const
{
    const int found = findSection(section);
    if (found < 0)
        return std::nullopt;
    const auto sec = static_cast<std::size_t>(found);
    const std::size_t end = sectionEnd(sec);
    for (std::size_t i = sec + 1; i < end; ++i) {
        const LineInfo& info = lines_[i].info;
        if (info.kind == LineKind::Key && utf::equalNoCase(info.name, key))
            return info.value;
    }
    return std::nullopt;
}

}  // namespace corv::ini
