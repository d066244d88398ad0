#pragma once
// The macro page's library: the macro combo and the name list show the library's macros;
// new, delete, rename, copy, import and export change it through MacroIndex; the whole
// library is packed into the mouse; the combo follows a library changed by another feature
// or rebuilt from the mouse.
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "macros/MacroResult.h"

namespace corv {

class FeatureHost;
class MacroIndex;
class MacroPage;
struct MacroRebuildOutcome;

class MacroLibraryActions {
public:
    MacroLibraryActions(MacroPage& page, FeatureHost& host) : page_(page), host_(host) { }

    // Fills the macro combo from the macro index and empties the editor list; nothing is
    // selected.
    void loadMacroList();

    // Library operations. Those on the selected macro do nothing when none is selected.
    void newMacro();
    void deleteSelected();
    // Renames the selected macro to the text of the name edit.
    void renameSelected();
    void copySelected();
    void importIntoSelected();
    void exportSelected();
    // The pop-up menu of copy, import and export at the pointer.
    void openLibraryMenu();

    // Packs the whole library into the mouse's macro area. False, after its message, when
    // the library does not fit the area or its image cannot be built; the mouse then keeps
    // what it had.
    bool writeLibraryToMouse();

    // The library changed through another feature: the combo shows it again, keeping the
    // selected macro when it is still there.
    void libraryChangedElsewhere();

    // The library was rebuilt from the mouse: the combo follows the index, the shown macro
    // is read again, and a library that could not take every macro of the mouse says so.
    void macrosRebuilt(const MacroRebuildOutcome& outcome);

private:
    // The index position of the macro selected in the combo, when its name is in the index.
    std::optional<std::size_t> selectedMacro(const MacroIndex& index) const;
    // Shows a failed library operation's message (nothing for results without one).
    void report(MacroResult result);
    // The name list shows the library; the other features hear of the change.
    void libraryChanged();
    void fillNameList(const std::vector<std::string>& names);
    // The combo shows names, keeping the selected macro when it is among them (then true);
    // the editor list is emptied until the selection loads it again.
    bool showLibrary(const std::vector<std::string>& names);

    MacroPage& page_;
    FeatureHost& host_;
};

}  // namespace corv
