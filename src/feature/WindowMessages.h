#pragma once
// The main window's private messages (sent by worker threads and hooks through
// CMainWnd::SendMessage, handled on the UI thread by CMainWnd::HandleCustomMessage).
namespace corv::msg {

inline constexpr unsigned WM_HOOK_KEY_SINGLEKEY = 0x801;
inline constexpr unsigned WM_HOOK_KEY_KBHITKEY = 0x802;
inline constexpr unsigned WM_HOOK_KEY_MACRO = 0x803;
inline constexpr unsigned WM_HOOK_MOU_SINGLEKEY = 0x810;
inline constexpr unsigned WM_HOOK_MOU_HitKEY = 0x811;
inline constexpr unsigned WM_HOOK_MOU_MACRO = 0x812;
inline constexpr unsigned WM_HOOK_MOU_EDIT = 0x814;
inline constexpr unsigned WM_HOOK_MOU_INSERT = 0x815;
inline constexpr unsigned WM_DEV_RESET = 0x901;
inline constexpr unsigned WM_DEV_SYNC = 0x902;
inline constexpr unsigned WM_DEV_CALIB_END = 0x903;
inline constexpr unsigned WM_DEV_CALIB_OK = 0x904;
inline constexpr unsigned WM_DEV_CALIB_FAIL = 0x905;
inline constexpr unsigned WM_APPLY_DPI_PROFILE = 0x906;
inline constexpr unsigned WM_APPLY_KEY_PROFILE = 0x907;
inline constexpr unsigned WM_APPLY_REG_PROFILE = 0x908;
inline constexpr unsigned WM_DEV_ARRIVED = 0x909;

}  // namespace corv::msg
