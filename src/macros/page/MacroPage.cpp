#include "macros/page/MacroPage.h"

#include <algorithm>

#include "feature/FeatureHost.h"
#include "macros/page/MacroNames.h"
#include "platform/AppPaths.h"
#include "platform/IniFile.h"
#include "ui/ComboControl.h"
#include "ui/ListControl.h"

namespace corv {

namespace mn = macro_names;

std::span<const ui::ControlRef> MacroPage::controls() const { return mn::macroPageControls(); }

void MacroPage::windowInit() { loadMacroList(); }

void MacroPage::declare(FeatureRegistry&) { }

void MacroPage::loadMacroList()
{
    ui::ComboControl combo(host_.control(QLatin1String(mn::kMacroCombo)));
    ui::ListControl list(host_.control(QLatin1String(mn::kMacroList)));
    list.RemoveAll();
    const std::filesystem::path folder = dataFolderPath();
    if (folder.empty())
        return;
    const std::filesystem::path index = folder / "msMacro.ini";
    const long count = ini::toLong(ini::readString(index, "MACROCOUNT", "count", "0"));
    const long readable = std::clamp(count, 0L, kMaxMacros);
    for (long i = 0; i < readable; ++i) {
        const QString name = QString::fromStdString(ini::readString(index, "MACRONAME", std::to_string(i), "0"));
        combo.AddItem(name, name, 30);
    }
    // The list has just been emptied, so this selects nothing.
    if (count != 0)
        combo.SelectItem(list.GetCount() - 1);
}

}  // namespace corv
