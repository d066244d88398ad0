#include "app/MainRoutes.h"

#include "app/CMainWnd.h"
#include "platform/IniFile.h"
#include "ui/Notification.h"

namespace corv {

namespace {

// Edits that hold a byte: a typed value above 255 becomes "255".
void clampByteEdit(CMainWnd& wnd, const ui::TNotifyUI& msg, int)
{
    (void)wnd;
    ui::Control edit(msg.pSender.data());
    if (ini::toLong(edit.GetText().toStdString()) > 255)
        edit.SetText(QStringLiteral("255"));
}

bool becameSelected(const ui::TNotifyUI& msg) { return msg.wParam == 1; }

// --- "colorchanged" --------------------------------------------------------------------
constexpr RouteRow kColorChanged[] = {
    {"Pallet", [](CMainWnd& w, const ui::TNotifyUI&, int) { w.dpiPage().onPaletteColour(); }},
};

// --- "click", prefix rows (tried first) -------------------------------------------------
constexpr RouteRow kClickPrefix[] = {
    {"ms_DPI_color_btn_", [](CMainWnd& w, const ui::TNotifyUI&, int n) { w.dpiPage().onPresetColour(n); }},
    {"ms_profile_", [](CMainWnd& w, const ui::TNotifyUI&, int n) { w.SelectOnboardRecord(n); }},
};

// --- "click", full names ----------------------------------------------------------------
constexpr RouteRow kClick[] = {
    {"DPI_profile_0", [](CMainWnd& w, const ui::TNotifyUI&, int) { w.dpiPage().selectStage(0); }},
    {"DPI_profile_1", [](CMainWnd& w, const ui::TNotifyUI&, int) { w.dpiPage().selectStage(1); }},
    {"DPI_profile_2", [](CMainWnd& w, const ui::TNotifyUI&, int) { w.dpiPage().selectStage(2); }},
    {"DPI_profile_3", [](CMainWnd& w, const ui::TNotifyUI&, int) { w.dpiPage().selectStage(3); }},
    {"DPI_profile_4", [](CMainWnd& w, const ui::TNotifyUI&, int) { w.dpiPage().selectStage(4); }},
    {"ms_gunlun_speed_up_btn", [](CMainWnd& w, const ui::TNotifyUI&, int) { w.sensorPage().stepScrollLines(true); }},
    {"ms_gunlun_speed_down_btn", [](CMainWnd& w, const ui::TNotifyUI&, int) { w.sensorPage().stepScrollLines(false); }},
    {"ms_k_reset", [](CMainWnd& w, const ui::TNotifyUI&, int) { w.sensorPage().factoryReset(); }},
    {"height2mm", [](CMainWnd& w, const ui::TNotifyUI&, int) { w.sensorPage().onLiftOffOption(2); }},
    {"height3mm", [](CMainWnd& w, const ui::TNotifyUI&, int) { w.sensorPage().onLiftOffOption(3); }},
};

// --- "selectchanged", step 2 -------------------------------------------------------------
constexpr RouteRow kSelectChanged[] = {
    // The option of the calibration page also switches to it (page structure).
    {"ms_reg_display",
     [](CMainWnd& w, const ui::TNotifyUI& msg, int) {
         if (becameSelected(msg))
             w.sensorPage().startCalibration();
     }},
    {"ms_linereg_display", [](CMainWnd& w, const ui::TNotifyUI&, int) { w.sensorPage().onLineCorrection(); }},
};

// --- "valuechanged" ----------------------------------------------------------------------
constexpr RouteRow kValueChanged[] = {
    {"ms_DPI_slider", [](CMainWnd& w, const ui::TNotifyUI&, int) { w.dpiPage().onDpiSlider(); }},
    {"ms_DPI_speed", [](CMainWnd& w, const ui::TNotifyUI&, int) { w.sensorPage().onPointerSpeed(); }},
};

// --- "itemselect" ------------------------------------------------------------------------
constexpr RouteRow kItemSelect[] = {
    {"ms_DPI_combo_profileSelect",
     [](CMainWnd& w, const ui::TNotifyUI& msg, int) {
         w.OnProfileListSelect(ProfileApplier::kDpiList, static_cast<int>(msg.wParam));
     }},
    {"ms_KEY_combo_profileSelect",
     [](CMainWnd& w, const ui::TNotifyUI& msg, int) {
         w.OnProfileListSelect(ProfileApplier::kKeyList, static_cast<int>(msg.wParam));
     }},
    {"ms_REG_combo_profileSelect",
     [](CMainWnd& w, const ui::TNotifyUI& msg, int) {
         w.OnProfileListSelect(ProfileApplier::kRegList, static_cast<int>(msg.wParam));
     }},
    {"ms_deng_combo_USBreportSelect", [](CMainWnd& w, const ui::TNotifyUI&, int) { w.sensorPage().onReportRate(); }},
};

// --- "textchanged" -----------------------------------------------------------------------
constexpr RouteRow kTextChanged[] = {
    {"ms_key_fct_edit_11", clampByteEdit},
    {"ms_key_fct_edit_12", clampByteEdit},
    {"ms_key_fct_edit_25", clampByteEdit},
    {"ms_DPI_edit_R", [](CMainWnd& w, const ui::TNotifyUI&, int) { w.dpiPage().onDpiColourEdit(0); }},
    {"ms_DPI_edit_G", [](CMainWnd& w, const ui::TNotifyUI&, int) { w.dpiPage().onDpiColourEdit(1); }},
    {"ms_DPI_edit_B", [](CMainWnd& w, const ui::TNotifyUI&, int) { w.dpiPage().onDpiColourEdit(2); }},
};

// --- "killfocus" -------------------------------------------------------------------------
constexpr RouteRow kKillFocus[] = {
    {"ms_macro_profile_0", [](CMainWnd& w, const ui::TNotifyUI&, int) { w.dpiPage().commitStageEdit(0); }},
    {"ms_macro_profile_1", [](CMainWnd& w, const ui::TNotifyUI&, int) { w.dpiPage().commitStageEdit(1); }},
    {"ms_macro_profile_2", [](CMainWnd& w, const ui::TNotifyUI&, int) { w.dpiPage().commitStageEdit(2); }},
    {"ms_macro_profile_3", [](CMainWnd& w, const ui::TNotifyUI&, int) { w.dpiPage().commitStageEdit(3); }},
    {"ms_macro_profile_4", [](CMainWnd& w, const ui::TNotifyUI&, int) { w.dpiPage().commitStageEdit(4); }},
};

// --- menu items ----------------------------------------------------------------------------
constexpr MenuRow kMenu[] = {
    {"lan", true, [](CMainWnd& w, const ui::MenuCommand&) { w.SwitchLanguage(); }},
    {"exit", false, [](CMainWnd& w, const ui::MenuCommand&) { w.Close(0); }},
};

// --- page structure --------------------------------------------------------------------
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

// Tables whose rows all come with later features start with an empty placeholder row, which
// never matches (no sender has an empty name) and is skipped.
std::span<const RouteRow> rowsOf(std::span<const RouteRow> rows)
{
    return (!rows.empty() && rows.front().action == nullptr) ? rows.subspan(1) : rows;
}

}  // namespace

const RouteTable& MainRoutes::colorChanged()
{
    static const RouteTable t(rowsOf(kColorChanged));
    return t;
}
const RouteTable& MainRoutes::clickPrefix()
{
    static const RouteTable t(rowsOf(kClickPrefix));
    return t;
}
const RouteTable& MainRoutes::click()
{
    static const RouteTable t(rowsOf(kClick));
    return t;
}
const RouteTable& MainRoutes::selectChanged()
{
    static const RouteTable t(rowsOf(kSelectChanged));
    return t;
}
const RouteTable& MainRoutes::valueChanged()
{
    static const RouteTable t(rowsOf(kValueChanged));
    return t;
}
const RouteTable& MainRoutes::itemSelect()
{
    static const RouteTable t(rowsOf(kItemSelect));
    return t;
}
const RouteTable& MainRoutes::textChanged()
{
    static const RouteTable t(rowsOf(kTextChanged));
    return t;
}
const RouteTable& MainRoutes::killFocus()
{
    static const RouteTable t(rowsOf(kKillFocus));
    return t;
}
std::span<const MenuRow> MainRoutes::menu() { return kMenu; }
std::span<const PageSwitch> MainRoutes::pages() { return kPages; }

const MenuRow* MainRoutes::findMenuRow(const QString& name)
{
    for (const MenuRow& row : kMenu) {
        const QString rowName = QString::fromUtf8(row.name.data(), static_cast<qsizetype>(row.name.size()));
        if (name.compare(rowName, row.ignoreCase ? Qt::CaseInsensitive : Qt::CaseSensitive) == 0)
            return &row;
    }
    return nullptr;
}

}  // namespace corv
