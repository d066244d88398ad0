#include "app/PageStructure.h"

#include <QLoggingCategory>

#include "ui/CircleProgress.h"
#include "ui/ResourceManager.h"
#include "ui/SkinLoader.h"

namespace corv {

Q_LOGGING_CATEGORY(lcPages, "corv.debug.pages", QtWarningMsg)

namespace {

constexpr PageLayout kPageLayouts[] = {
    {"kb_Key_UI", "keyboard_key.xml"},
    {"kb_Deng_UI", "keyboard_deng.xml"},
    {"kb_Macro_UI", "keyboard_macro.xml"},
    {"MS_Deng_UI", "Mouse_deng.xml"},
    {"MS_Macro_UI", "Mouse_macro.xml"},
    {"MS_Key_UI", "Mouse_key.xml"},
    {"MP_deng_UI", "MousePad_deng.xml"},
    {"MS_DPI_UI", "Mouse_DPI.xml"},
    {"MS_MA_UI", "Mouse_hong.xml"},
    {"MS_Regulat_UI", "Mouse_regulat.xml"},
    {"MS_RegulatDisplay_UI", "Mouse_regdisplay.xml"},
    {"MS_Statis_UI", "Mouse_statis.xml"},
};

constexpr PageSwitch kPages[] = {
    {"ms_tab_switch", "ms_deng_Op_tab", 0},
    {"ms_tab_switch", "ms_macro_Op_tab", 1},
    {"ms_tab_switch", "ms_rich_Op_tab", 2},
    {"ms_tab_switch", "ms_dengxiao_tb", 3},
    {"ms_tab_switch", "ms_deng_xg", 3},
    {"ms_tab_switch", "ms_ma_Op_tab", 4},
    {"ms_tab_switch", "ms_regulat_Op_tab", 5},
    {"ms_tab_switch", "ms_statis_Op_tab", 6},
    {"ms_tab_switch", "ms_reg_display", 7},
    {"ms_tab_function_switch_1", "ms_key_function_11", 0},
    {"ms_tab_function_switch_1", "ms_key_function_12", 1},
    {"ms_tab_function_switch_1", "ms_key_function_13", 2},
    {"ms_tab_function_switch_1", "ms_key_function_14", 3},
    {"ms_tab_function_switch_1", "ms_key_function_15", 4},
    {"ms_tab_function_switch_1", "ms_key_function_16", 5},
    {"ms_tab_function_switch_2", "ms_key_function_21", 0},
    {"ms_tab_function_switch_2", "ms_key_function_22", 1},
    {"ms_tab_function_switch_2", "ms_key_function_23", 2},
    {"ms_tab_function_switch_2", "ms_key_function_24", 3},
    {"ms_tab_function_switch_2", "ms_key_function_25", 4},
    {"ms_tab_function_switch_2", "ms_key_function_26", 5},
    {"ms_tab_function_switch_3", "ms_key_function_31", 0},
    {"ms_tab_function_switch_3", "ms_key_function_32", 1},
    {"ms_tab_function_switch_3", "ms_key_function_33", 2},
    {"ms_tab_function_switch_3", "ms_key_function_34", 3},
    {"ms_tab_function_switch_3", "ms_key_function_35", 4},
    {"ms_tab_function_switch_3", "ms_key_function_36", 5},
    {"ms_tab_function_switch", "ms_key_function_1", 0},
    {"ms_tab_function_switch", "ms_key_function_2", 1},
    {"ms_tab_function_switch", "ms_key_function_3", 2},
    {"ms_tab_function_switch", "ms_key_function_4", 3},
    {"ms_tab_function_switch", "ms_key_function_5", 4},
    {"ms_tab_function_switch", "ms_key_function_6", 5},
    {"tab_switch", "kb_tab", 0},
    {"tab_switch", "ms_tab", 1},
    {"tab_switch", "mp_tab", 2},
    {"tab_switch", "ani_tab", 3},
    {"tab_switch", "split_tab", 4},
};

}  // namespace

std::span<const PageLayout> PageStructure::layouts() { return kPageLayouts; }

std::span<const PageSwitch> PageStructure::switches() { return kPages; }

const char* PageStructure::layoutFileOf(const QString& elementClass)
{
    for (const PageLayout& row : kPageLayouts) {
        if (elementClass.compare(QLatin1String(row.elementClass), Qt::CaseInsensitive) == 0)
            return row.file;
    }
    return nullptr;
}

QWidget* PageStructure::createControl(const QString& elementClass, QWidget* parent)
{
    if (const char* file = layoutFileOf(elementClass)) {
        const QString path = ui::ResourceManager::instance().layoutPath(QString::fromLatin1(file));
        if (path.isEmpty()) {
            qCWarning(lcPages) << "page layout missing:" << file;
            return nullptr;
        }
        ui::SkinLoader nested;  // no callback: pages do not compose further pages
        return nested.loadFile(path, parent);
    }
    if (elementClass.compare(QStringLiteral("CircleProgress"), Qt::CaseInsensitive) == 0) {
        return new ui::CircleProgress(parent);
    }
    return nullptr;
}

}  // namespace corv
