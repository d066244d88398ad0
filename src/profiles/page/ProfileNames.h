#pragma once
// The controls of the profile lists and links on the DPI, KEY and REG pages.
#include <array>
#include <span>

#include "feature/ProfileApplication.h"
#include "ui/ControlRef.h"

namespace corv::profile_names {

// The three profile lists, by source: 0 DPI, 1 KEY, 2 REG.
inline constexpr std::array<const char*, 3> kLists{"ms_DPI_combo_profileSelect", "ms_KEY_combo_profileSelect",
                                                   "ms_REG_combo_profileSelect"};
inline constexpr std::array<const char*, 3> kNameEdits{"ms_dpi_edit_maname", "ms_KEY_edit_maname",
                                                       "ms_REG_edit_maname"};
inline constexpr std::array<const char*, 3> kProgramEdits{"ms_DPI_edit_cxname", "ms_Key_edit_cxname",
                                                          "ms_REG_edit_cxname"};
inline constexpr std::array<const char*, 3> kLinkBoxes{"ms_DPI_write_lian", "ms_Key_write_lian", "ms_REG_write_lian"};
inline constexpr std::array<const char*, 3> kLinkPanels{"ms_DPI_Layout_cxname", "ms_Key_Layout_cxname",
                                                        "ms_REG_Layout_cxname"};
inline constexpr std::array<const char*, 3> kChooseButtons{"ms_DPI_btn_cxname", "ms_Key_btn_cxname",
                                                           "ms_REG_btn_cxname"};
inline constexpr std::array<const char*, 3> kRenameButtons{"ms_dpi_apply_btn", "ms_Key_apply_btn", "ms_reg_apply_btn"};
inline constexpr const char* kAddButton = "ms_Deng_add_btn";
inline constexpr const char* kDeleteButton = "ms_Deng_delete_btn";
inline constexpr const char* kMenuButton = "ms_Deng_copy_btn";
inline constexpr const char* kMenuFile = "fuction.xml";
inline constexpr const char* kMenuCopy = "Menu_Copy";
inline constexpr const char* kMenuImport = "Menu_Import";
inline constexpr const char* kMenuExport = "Menu_Export";
// The choose buttons' menu: a program file, or one of the games running now (items
// kRunningItemPrefix + N of a menu made when it opens).
inline constexpr const char* kChooseMenuFile = "choose_program.xml";
inline constexpr const char* kMenuProgramFile = "Menu_ProgramFile";
inline constexpr const char* kMenuRunningPrograms = "Menu_RunningPrograms";
inline constexpr const char* kRunningItemPrefix = "running_";
inline constexpr int kDpiList = kFromDpiList;
inline constexpr int kKeyList = kFromKeyList;
inline constexpr int kRegList = kFromRegList;

std::span<const ui::ControlRef> profileControls();

}  // namespace corv::profile_names
