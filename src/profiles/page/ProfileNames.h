#pragma once
// The controls of the profile lists and links on the DPI, KEY and REG pages.
#include <array>
#include <span>

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
inline constexpr int kDpiList = 0;
inline constexpr int kKeyList = 1;
inline constexpr int kRegList = 2;

std::span<const ui::ControlRef> profileControls();

}  // namespace corv::profile_names
