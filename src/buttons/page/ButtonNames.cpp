#include "buttons/page/ButtonNames.h"

namespace corv::button_names {

namespace {

using ui::ControlKind;
constexpr const char* M = "XML_MAIN";

constexpr ui::ControlRef kButtons[] = {
    {M, "ms_key_0", ControlKind::Button},       {M, "ms_key_num_0", ControlKind::Any},
    {M, "ms_key_over_num_0", ControlKind::Any}, {M, "ms_key_8", ControlKind::Button},
    {M, "ms_key_num_8", ControlKind::Any},      {M, "ms_key_over_num_8", ControlKind::Any},
    {M, kByteEdits[0], ControlKind::Edit},      {M, kByteEdits[1], ControlKind::Edit},
    {M, kByteEdits[2], ControlKind::Edit},
};

}  // namespace

std::span<const ui::ControlRef> buttonPageControls() { return kButtons; }

}  // namespace corv::button_names
