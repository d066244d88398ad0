#pragma once
// The main window's private messages: sent by worker threads (and, later, other programs)
// through CMainWnd::SendMessage, handled on the UI thread by whoever declared them
// (FeatureRegistry::onMessage). The keyboard-capture messages arrive with their feature.
namespace corv::msg {

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
