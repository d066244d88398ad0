#pragma once
// The main window's private messages: sent by worker threads through CMainWnd::SendMessage, and by the window's keyboard hook; handled on the UI thread
// by whoever declared them (FeatureRegistry::onMessage).
namespace corv::msg {

// Keyboard hooks (platform/CDeviceHook.h): wParam is WM_KEYDOWN or WM_KEYUP, lParam the
// virtual-key code.
inline constexpr unsigned WM_HOOK_MOU_SINGLEKEY = 0x810;
inline constexpr unsigned WM_HOOK_MOU_MACRO = 0x812;
inline constexpr unsigned WM_HOOK_MACRO_EDIT = 0x814;
inline constexpr unsigned WM_HOOK_MACRO_INSERT = 0x815;
inline constexpr unsigned WM_KEYDOWN = 0x100;
inline constexpr unsigned WM_KEYUP = 0x101;

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
