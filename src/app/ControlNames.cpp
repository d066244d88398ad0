#include "app/ControlNames.h"

#include <array>

namespace corv {

namespace {

using ui::ControlKind;
constexpr ControlKind B = ControlKind::Button;
constexpr ControlKind O = ControlKind::Option;
constexpr ControlKind L = ControlKind::Label;
constexpr ControlKind E = ControlKind::Edit;
constexpr ControlKind C = ControlKind::Combo;
constexpr ControlKind LI = ControlKind::List;
constexpr ControlKind S = ControlKind::Slider;
constexpr ControlKind T = ControlKind::TabLayout;
constexpr ControlKind A = ControlKind::Any;

constexpr const char* M = "XML_MAIN";

constexpr ControlRef kControls[] = {
    // Caption and frame (start-up, routing, model presentation, skin change).
    {M, "root", A},
    {M, "closebtn", B},
    {M, "maxbtn", B},
    {M, "restorebtn", B},
    {M, "minbtn", B},
    {M, "skinbtn", B},
    {M, "menubtn", B},
    {M, "msloge", L},
    {M, "titletext", L},
    {M, "hometext", L},
    {M, "tab_usb_header", A},
    {M, "tab_ms_header", A},
    // Page structure.
    {M, "tab_switch", T},
    {M, "kb_tab", O},
    {M, "ms_tab", O},
    {M, "mp_tab", O},
    {M, "ani_tab", O},
    {M, "split_tab", O},
    {M, "ms_deng_Op_tab", O},
    {M, "ms_macro_Op_tab", O},
    {M, "ms_rich_Op_tab", O},
    {M, "ms_dengxiao_tb", O},
    {M, "ms_deng_xg", O},
    {M, "ms_ma_Op_tab", O},
    {M, "ms_statis_Op_tab", O},
    {M, "ms_tab_function", A},
    {M, "ms_tab_function_switch", T},
    {M, "ms_tab_function_switch_1", T},
    {M, "ms_tab_function_switch_2", T},
    {M, "ms_tab_function_switch_3", T},
    {M, "ms_key_function_1", O},
    {M, "ms_key_function_2", O},
    {M, "ms_key_function_3", O},
    {M, "ms_key_function_4", O},
    {M, "ms_key_function_5", O},
    {M, "ms_key_function_6", O},
    {M, "ms_key_function_11", O},
    {M, "ms_key_function_12", O},
    {M, "ms_key_function_13", O},
    {M, "ms_key_function_14", O},
    {M, "ms_key_function_15", O},
    {M, "ms_key_function_16", O},
    {M, "ms_key_function_21", O},
    {M, "ms_key_function_22", O},
    {M, "ms_key_function_23", O},
    {M, "ms_key_function_24", O},
    {M, "ms_key_function_25", O},
    {M, "ms_key_function_26", O},
    {M, "ms_key_function_31", O},
    {M, "ms_key_function_32", O},
    {M, "ms_key_function_33", O},
    {M, "ms_key_function_34", O},
    {M, "ms_key_function_35", O},
    {M, "ms_key_function_36", O},
    // Profiles and linked programs.
    {M, "ms_dpi_apply_btn", B},
    {M, "ms_Key_apply_btn", B},
    {M, "ms_reg_apply_btn", B},
    {M, "ms_Deng_add_btn", B},
    {M, "ms_Deng_delete_btn", B},
    {M, "ms_Deng_copy_btn", B},
    {M, "ms_DPI_btn_cxname", B},
    {M, "ms_Key_btn_cxname", B},
    {M, "ms_REG_btn_cxname", B},
    // Macros: library, recorder, editor, second list.
    {M, "ms_MacroName_list", LI},
    {M, "ms_macro_add_btn", B},
    {M, "ms_macro_delete_btn", B},
    {M, "ms_macro_copy_btn", B},
    {M, "ms_macro_edit_newname", E},
    {M, "ms_hong_apply_btn", B},
    {M, "ms_Macro_record", B},
    {M, "ms_Macro_write_img", O},
    {M, "ms_Macro_default_img", O},
    {M, "ms_Macro_cancledelay_img", O},
    {M, "ms_macro_edit_delay", E},
    {M, "ms_macro_edit_delayname", E},
    {M, "ms_macro_btn_up", B},
    {M, "ms_macro_btn_down", B},
    {M, "ms_macro_btn_uptop", B},
    {M, "ms_macro_btn_downbottom", B},
    {M, "ms_macro_btn_delete", B},
    {M, "ms_macro_btn_deleteall", B},
    {M, "ms_macro_btn_cancel", B},
    {M, "ms_macro_btn_inset", B},
    {M, "ms_macro_btn_inset1", B},
    {M, "ms_macro_btn_edit", B},
    {M, "ms_macro_btn_name_sub", B},
    {M, "ms_macro_btn_redio", B},
    {M, "ms_macro_combo_keyselect", C},
    {M, "ms_macro_combo_upordown", C},
    {M, "ms_deng_combo_delaySelect1", C},
    {M, "ms_macro_edit_hor_0", A},
    {M, "ms_macro_edit_hor_1", A},
    {M, "ms__macro_edit_ActionDelay", E},
    {M, "ms_macro_check_time", O},
    // Buttons.
    {M, "ms_key_1", B},
    {M, "ms_key_2", B},
    {M, "ms_key_3", B},
    {M, "ms_key_4", B},
    {M, "ms_key_5", B},
    {M, "ms_key_6", B},
    {M, "ms_key_7", B},
    {M, "ms_key_num_1", L},
    {M, "ms_key_num_2", L},
    {M, "ms_key_num_3", L},
    {M, "ms_key_num_4", L},
    {M, "ms_key_num_5", L},
    {M, "ms_key_num_6", L},
    {M, "ms_key_num_7", L},
    {M, "ms_key_over_num_1", L},
    {M, "ms_key_over_num_2", L},
    {M, "ms_key_over_num_3", L},
    {M, "ms_key_over_num_4", L},
    {M, "ms_key_over_num_5", L},
    {M, "ms_key_over_num_6", L},
    {M, "ms_key_over_num_7", L},
    {M, "ms_key_butt_keysave", B},
    {M, "ms_key_butt_keydefalut", B},
    {M, "ms_key_butt_prosave", B},
    {M, "ms_key_fct_edit_21", E},
    {M, "ms_profile_0", B},
    // DPI and performance.
    // Sensor and calibration.
    {M, "ms_sensor_height_slider", S},
    // Message box.
    {"XML_MSG", "MessageText", L},
    {"XML_MSG", "confirm_btn", B},
    {"XML_MSG", "cancel_btn", B},
    {"XML_MSG", "closebtn", B},
    // Single-key and macro selection windows.
    {"MsSingleKey.xml", "closebtn", B},
    {"MsSingleKey.xml", "maxbtn", B},
    {"MsSingleKey.xml", "restorebtn", B},
    {"MsSingleKey.xml", "minbtn", B},
    {"MsSingleKey.xml", "menubtn", B},
    {"MsSingleKey.xml", "ms_key_edit", E},
    {"MsSingleKey.xml", "ms_single_save_btn", B},
    {"MsSingleKey.xml", "ms_single_cancel_btn", B},
    {"popup.xml", "closebtn", B},
    {"popup.xml", "maxbtn", B},
    {"popup.xml", "restorebtn", B},
    {"popup.xml", "minbtn", B},
    {"popup.xml", "menubtn", B},
    {"popup.xml", "ms_macro_combo", C},
    {"popup.xml", "ms_macro_select_save_btn", B},
    {"popup.xml", "ms_macro_select_cancel_btn", B},
    // Skin frame.
    {"skin.xml", "skin_tab", T},
    {"skin.xml", "skin_image", A},
    {"skin.xml", "skin_color", A},
    {"skin.xml", "skin_image_btn", B},
    {"skin.xml", "skin_color_btn", B},
};

constexpr MenuItemRef kMenuItems[] = {
    {"menu.xml", "lan"},
    {"menu.xml", "autostart"},
    {"menu.xml", "exit"},
    {"fuction.xml", "Menu_Copy"},
    {"fuction.xml", "Menu_Import"},
    {"fuction.xml", "Menu_Export"},
    {"macro_fuction.xml", "Menu_CopyMarco"},
    {"macro_fuction.xml", "Menu_MacroImport"},
    {"macro_fuction.xml", "Menu_MacroExport"},
    {"mskeySet.xml", "msmenuleftkey"},
    {"mskeySet.xml", "msmenurightkey"},
    {"mskeySet.xml", "msmenumiddlekey"},
    {"mskeySet.xml", "msmenutwoleftkey"},
    {"mskeySet.xml", "msmenu4tkey"},
    {"mskeySet.xml", "msmenu5key"},
    {"mskeySet.xml", "msmenuscrollupkey"},
    {"mskeySet.xml", "msmenuscrolldownkey"},
    {"mskeySet.xml", "msmenuDPIupkey"},
    {"mskeySet.xml", "msmenuDPIdownkey"},
    {"mskeySet.xml", "msmenuoffkey"},
    {"mskeySet.xml", "msmenusinglekey"},
    {"mskeySet.xml", "msmenumacrokey"},
};

}  // namespace

std::span<const ControlRef> shellControls() { return kControls; }

std::span<const MenuItemRef> routedMenuItems() { return kMenuItems; }

}  // namespace corv
