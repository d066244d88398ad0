#pragma once
// One macro's file, NAME.mac in the data folder:
//   [MACROACTIONCOUNT] count = M
//   [MACROACTION]      0 .. M-1 = one MacroAction line each
// A missing file, or a count of 0 or below, is an empty macro; so is a file that cannot be
// read (readStatus() says why). A missing line reads as "0" (which is understood as a zero
// delay); a line ends at a carriage return or NUL byte in it.
//
// The object holds the lines as the editor shows them (one row per line). Every editor
// operation changes the rows and saves the file at once; saving replaces the whole file in
// one atomic write. When a save fails the rows go back to what the file holds.
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "macros/MacroAction.h"
#include "platform/AtomicFile.h"

namespace corv {

enum class MacroEditResult {
    Saved,        // the change (possibly none, as moving the first row up) was saved
    NoSuchRow,    // the row named is not in the list: nothing changed, nothing saved
    NotADelay,    // a delay edit on a key event row: nothing changed, nothing saved
    InvalidLine,  // a line with a line break or NUL character: nothing changed, nothing saved
    WriteFailed,  // the file could not be written: the rows are as before
};

struct MacroEdit {
    MacroEditResult result = MacroEditResult::Saved;
    std::optional<std::size_t> selected;  // the row to select afterwards; none when empty
};

// Where an inserted delay goes, relative to the selected row.
enum class DelayInsertMode { Before = 0, After = 1 };

class MacroFile {
public:
    // Lines read at most: the most actions one macro can have in an image whose length
    // fits its 16-bit field. A file that states more is read as its first kMaxLines lines.
    static constexpr std::size_t kMaxLines = 32756;

    MacroFile() = default;
    // A macro with no rows yet, kept in file (nothing is read or written).
    explicit MacroFile(std::filesystem::path file) : file_(std::move(file)) { }
    // Reads file (in one pass). An empty path reads as an empty macro.
    static MacroFile load(const std::filesystem::path& file);

    const std::filesystem::path& path() const { return file_; }
    // The count as the file states it (0 for none or below 0), possibly above kMaxLines.
    std::size_t storedCount() const { return storedCount_; }
    const std::vector<std::string>& lines() const { return lines_; }
    std::size_t size() const { return lines_.size(); }
    bool empty() const { return lines_.empty(); }
    // Row `row` parsed; a line that cannot be parsed, or is damaged, is a zero delay
    // (MacroAction::parseOrZeroDelay): the action the mouse gets for it.
    MacroAction action(std::size_t row) const;
    // How load() read the file: Missing for none (an empty path, a macro never saved);
    // TooLarge (above kMaxReadBytes) and Failed (no permission, no regular file) for a
    // file that is there but was read as an empty macro.
    ReadStatus readStatus() const { return readStatus_; }

    // The file's text for these lines (count, then one key per line).
    static std::string render(const std::vector<std::string>& lines);
    // Writes lines to file in one atomic write (the lines must be single-line text).
    static bool write(const std::filesystem::path& file, const std::vector<std::string>& lines);

    // Saves the rows as they are.
    MacroEditResult save();
    // Replaces all rows (the recorder's list) and saves.
    MacroEditResult replaceLines(std::vector<std::string> lines);

    // Editor operations on the selected row (none: std::nullopt). Moves and deletions with
    // no row selected change nothing but still save; moving the first row up or the last
    // row down changes nothing and saves.
    MacroEdit moveUp(std::optional<std::size_t> selected);
    MacroEdit moveDown(std::optional<std::size_t> selected);
    // Removes only the selected row (a key event's delay row stays); no row is selected after.
    MacroEdit removeRow(std::optional<std::size_t> selected);
    // Sets the delay of a delay row to ms milliseconds (limited to 0..kMaxDelayMs, stored
    // in 10 ms units), keeping its fourth and fifth fields.
    MacroEdit setDelay(std::size_t row, long ms);
    // Inserts a delay of ms milliseconds (fields 4 and 5: 0 and empty) before or after the
    // selected row; the row that was selected stays selected. With no row selected, After
    // inserts at the top and Before inserts nothing; the file is saved either way.
    MacroEdit insertDelay(std::optional<std::size_t> selected, long ms, DelayInsertMode mode);

    // Changes kept in memory until save(): a recording, a key edit or a key insertion in
    // progress. Each refuses (false, nothing changed) a row outside the list or beyond
    // kMaxLines rows, and lines with a line break or NUL character.
    // Appends a recorded key event and its delay row (MacroRecorder::appendRecorded); the
    // completed delay row, if any, in *completed.
    bool appendRecorded(const MacroAction& action, long delayMs, std::optional<std::size_t>* completed);
    bool setLine(std::size_t row, const MacroAction& action);
    bool insertLines(std::size_t at, const std::vector<MacroAction>& actions);

private:
    // Saves; on failure restores `before`.
    MacroEdit commit(std::vector<std::string> before, std::optional<std::size_t> selected);

    std::filesystem::path file_;
    std::vector<std::string> lines_;
    std::size_t storedCount_ = 0;
    ReadStatus readStatus_ = ReadStatus::Missing;
};

}  // namespace corv
