#pragma once
// The macro library of a data folder: the index "msMacro.ini" with the macros' names in
// order,
//   [MACROCOUNT] count = N
//   [MACRONAME]  0 .. N-1 = name of macro i
// and one file NAME.mac per macro (MacroFile). The position in the index is the macro's
// number everywhere else (button assignments, the mouse's image). Names are unique when
// compared without regard to case; the library holds at most kMaxMacros macros.
//
// Every call reads the index anew; every change rewrites the whole index in one atomic
// write, so the index never holds half of a change. Changes made by two threads at once
// (the window and the connection's rebuild) are made one after the other. The operations
// return a MacroResult and change nothing when they fail (a rename that cannot move its
// file keeps the old name in the index and on disk).
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "macros/MacroResult.h"
#include "platform/AtomicFile.h"

namespace corv {

// The window's event that the macro library changed (a macro added, removed, renamed or
// copied); its payload names the feature that changed it, which need not show it again.
inline constexpr const char* kMacroLibraryChangedEvent = "macro-library-changed";

class MacroIndex {
public:
    static constexpr std::string_view kFileName = "msMacro.ini";
    static constexpr std::string_view kExtension = ".mac";
    // The name format of a new macro; the number is the smallest free one from 1.
    static constexpr std::string_view kNewNamePrefix = "新建宏";

    explicit MacroIndex(std::filesystem::path dataFolder);

    const std::filesystem::path& folder() const { return folder_; }
    std::filesystem::path indexPath() const { return folder_ / kFileName; }

    // The names in index order. The stored count is limited to 0..kMaxMacros; an entry
    // without a name reads as an empty name, which has no file.
    std::vector<std::string> names() const;
    std::size_t count() const { return names().size(); }
    // The count the index states (0 for none or below 0), which may be above kMaxMacros:
    // the entries beyond it are not part of the library.
    std::size_t statedCount() const;
    // How the index file reads: Ok, Missing (an empty library), or TooLarge and Failed for
    // a file that is there but reads as an empty library.
    ReadStatus readStatus() const;
    // The position of name (compared without regard to case), or -1.
    int find(std::string_view name) const;

    // Whether name can be a macro's name: NAME.mac must be a plain file name of the data
    // folder, and the name must read back from the index exactly as written. Refused: empty
    // or blank names, leading or trailing blanks, a name enclosed in matching quotes, '/',
    // control characters, "." and "..", and names whose file name is longer than NAME_MAX
    // bytes.
    static bool isValidName(std::string_view name);
    // folder / (name + ".mac"), or an empty path when name is not valid.
    std::filesystem::path macroPath(std::string_view name) const;
    // The file of macro `index`; empty when there is no such macro or its name is not valid.
    std::filesystem::path macroPathAt(std::size_t index) const;

    // Appends a macro named "新建宏<n>" (no file is created). name receives the new name.
    MacroResult addNew(std::string* name = nullptr);
    // Appends new macros until the library holds `total` (in one write). Adds at most up
    // to kMaxMacros and returns LimitReached when `total` is beyond it; added receives the
    // new names in order.
    MacroResult growTo(std::size_t total, std::vector<std::string>* added = nullptr);
    // Removes macro `index` and its file; the later macros move up by one.
    MacroResult remove(std::size_t index);
    // Renames macro `index` and moves its file. Unchanged for its own name in any case,
    // NameTaken for another macro's name, TargetExists when newName's file already exists.
    MacroResult rename(std::size_t index, std::string_view newName);
    // Appends a copy of macro `index` named "<name> copy" (" copy" repeated until the name
    // is free); the file is copied byte for byte (a missing file gives an empty one).
    MacroResult copy(std::size_t index, std::string* copyName = nullptr);
    // Replaces the file of macro `index` by the bytes of source, unchecked; the name stays.
    MacroResult importFile(std::size_t index, const std::filesystem::path& source);
    // Writes the file of macro `index` byte for byte to target (an empty file when it has
    // none).
    MacroResult exportFile(std::size_t index, const std::filesystem::path& target) const;

    // Finishes what a process killed in the middle of a removal left: a macro file it had set
    // aside goes back when the index still lists its macro and the macro has no file (the
    // removal never happened); otherwise it is out of date and deleted. Every change does
    // this first.
    void tidy();

    // The largest file copied by import and export.
    static constexpr std::size_t kMaxFileBytes = std::size_t{16} << 20;

private:
    void tidyLocked();
    // growTo with the change lock held.
    MacroResult growLocked(std::size_t total, std::vector<std::string>* added);
    bool writeNames(const std::vector<std::string>& names) const;

    std::filesystem::path folder_;
};

}  // namespace corv
