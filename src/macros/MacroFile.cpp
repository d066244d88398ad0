#include "macros/MacroFile.h"

#include <algorithm>
#include <utility>

#include "macros/AtomicFile.h"
#include "macros/MacroRecorder.h"
#include "platform/IniFile.h"
#include "platform/IniSnapshot.h"

namespace corv {

namespace {

constexpr std::string_view kCountSection = "MACROACTIONCOUNT";
constexpr std::string_view kCountKey = "count";
constexpr std::string_view kActionSection = "MACROACTION";

bool isSingleLine(const std::string& line)
{
    return line.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos;
}

}  // namespace

MacroFile MacroFile::load(const std::filesystem::path& file)
{
    MacroFile macro(file);
    if (file.empty())
        return macro;
    const IniSnapshot ini = IniSnapshot::load(file);
    macro.readStatus_ = ini.status();
    const long count = ini::toLong(ini.read(kCountSection, kCountKey, "0"));
    if (count <= 0)
        return macro;
    macro.storedCount_ = static_cast<std::size_t>(count);
    const std::size_t lines = std::min(macro.storedCount_, kMaxLines);
    macro.lines_ = ini.numberedValues(kActionSection, lines, "0");
    for (std::string& line : macro.lines_) {
        // A stray carriage return or NUL byte in the file ends the row there (as it ends the
        // text of a C string): a row the editor could not save again is never made.
        line.resize(std::min(line.size(), line.find_first_of(std::string_view("\r\n\0", 3))));
    }
    return macro;
}

MacroAction MacroFile::action(std::size_t row) const
{
    return row < lines_.size() ? MacroAction::parseOrZeroDelay(lines_[row]) : MacroAction{};
}

std::string MacroFile::render(const std::vector<std::string>& lines)
{
    std::string text;
    text.reserve(64 + lines.size() * 24);
    text += "[";
    text += kCountSection;
    text += "]\n";
    text += kCountKey;
    text += "=" + std::to_string(lines.size()) + "\n";
    text += "[";
    text += kActionSection;
    text += "]\n";
    for (std::size_t i = 0; i < lines.size(); ++i) {
        text += std::to_string(i);
        text += '=';
        text += lines[i];
        text += '\n';
    }
    return text;
}

bool MacroFile::write(const std::filesystem::path& file, const std::vector<std::string>& lines)
{
    if (!std::all_of(lines.begin(), lines.end(), isSingleLine))
        return false;
    return files::writeWholeFile(file, render(lines));
}

MacroEditResult MacroFile::save()
{
    if (!std::all_of(lines_.begin(), lines_.end(), isSingleLine))
        return MacroEditResult::InvalidLine;
    if (!files::writeWholeFile(file_, render(lines_)))
        return MacroEditResult::WriteFailed;
    storedCount_ = lines_.size();
    return MacroEditResult::Saved;
}

MacroEditResult MacroFile::replaceLines(std::vector<std::string> lines)
{
    if (!std::all_of(lines.begin(), lines.end(), isSingleLine))
        return MacroEditResult::InvalidLine;
    std::vector<std::string> before = std::exchange(lines_, std::move(lines));
    return commit(std::move(before), std::nullopt).result;
}

MacroEdit MacroFile::commit(std::vector<std::string> before, std::optional<std::size_t> selected)
{
    const MacroEditResult result = save();
    if (result != MacroEditResult::Saved) {
        lines_ = std::move(before);
        return {result, std::nullopt};
    }
    return {result, selected};
}

MacroEdit MacroFile::moveUp(std::optional<std::size_t> selected)
{
    if (selected && *selected >= lines_.size())
        return {MacroEditResult::NoSuchRow, std::nullopt};
    std::vector<std::string> before = lines_;
    if (selected && *selected > 0) {
        std::swap(lines_[*selected], lines_[*selected - 1]);
        selected = *selected - 1;
    }
    return commit(std::move(before), selected);
}

MacroEdit MacroFile::moveDown(std::optional<std::size_t> selected)
{
    if (selected && *selected >= lines_.size())
        return {MacroEditResult::NoSuchRow, std::nullopt};
    std::vector<std::string> before = lines_;
    if (selected && *selected + 1 < lines_.size()) {
        std::swap(lines_[*selected], lines_[*selected + 1]);
        selected = *selected + 1;
    }
    return commit(std::move(before), selected);
}

MacroEdit MacroFile::removeRow(std::optional<std::size_t> selected)
{
    if (selected && *selected >= lines_.size())
        return {MacroEditResult::NoSuchRow, std::nullopt};
    std::vector<std::string> before = lines_;
    if (selected)
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*selected));
    return commit(std::move(before), std::nullopt);
}

MacroEdit MacroFile::setDelay(std::size_t row, long ms)
{
    if (row >= lines_.size())
        return {MacroEditResult::NoSuchRow, std::nullopt};
    const MacroAction current = action(row);
    if (current.isKeyEvent())
        return {MacroEditResult::NotADelay, row};
    std::vector<std::string> before = lines_;
    lines_[row] = MacroAction::delay(ms, current.down, current.name).toLine();
    return commit(std::move(before), row);
}

MacroEdit MacroFile::insertDelay(std::optional<std::size_t> selected, long ms, DelayInsertMode mode)
{
    if (selected && *selected >= lines_.size())
        return {MacroEditResult::NoSuchRow, std::nullopt};
    std::vector<std::string> before = lines_;
    const std::string line = MacroAction::delay(ms).toLine();
    if (mode == DelayInsertMode::Before) {
        if (selected) {
            lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(*selected), line);
            selected = *selected + 1;
        }
    } else {
        const std::size_t at = selected ? *selected + 1 : 0;
        lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), line);
    }
    return commit(std::move(before), selected);
}

bool MacroFile::appendRecorded(const MacroAction& action, long delayMs, std::optional<std::size_t>* completed)
{
    if (completed != nullptr)
        completed->reset();
    if (lines_.size() + 2 > kMaxLines || !isSingleLine(action.name))
        return false;
    const std::optional<std::size_t> row = MacroRecorder::appendRecorded(lines_, action, delayMs);
    if (completed != nullptr)
        *completed = row;
    return true;
}

bool MacroFile::setLine(std::size_t row, const MacroAction& action)
{
    std::string line = action.toLine();
    if (row >= lines_.size() || !isSingleLine(line))
        return false;
    lines_[row] = std::move(line);
    return true;
}

bool MacroFile::insertLines(std::size_t at, const std::vector<MacroAction>& actions)
{
    if (at > lines_.size() || lines_.size() + actions.size() > kMaxLines)
        return false;
    std::vector<std::string> made;
    for (const MacroAction& action : actions) {
        made.push_back(action.toLine());
        if (!isSingleLine(made.back()))
            return false;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), made.begin(), made.end());
    return true;
}

}  // namespace corv
