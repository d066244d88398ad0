#pragma once
// The main window's private messages: sent by worker threads through
// MainWindow::sendMessage, and by the window's keyboard hook; handled on the UI thread by
// whoever declared them (FeatureRegistry::onMessage). The values are the program's own.
namespace corv::msg {

// Keyboard hooks (platform/KeyboardHook.h): wParam is kKeyDown or kKeyUp, lParam the
// virtual-key code.
inline constexpr unsigned kKeyHookSingleKey = 0x810;
inline constexpr unsigned kKeyHookMacroRecord = 0x812;
inline constexpr unsigned kKeyHookMacroEdit = 0x814;
inline constexpr unsigned kKeyHookMacroInsert = 0x815;
inline constexpr unsigned kKeyDown = 0x100;
inline constexpr unsigned kKeyUp = 0x101;

inline constexpr unsigned kDeviceReset = 0x901;
inline constexpr unsigned kDeviceSync = 0x902;
inline constexpr unsigned kCalibrationEnd = 0x903;
inline constexpr unsigned kCalibrationOk = 0x904;
inline constexpr unsigned kCalibrationFail = 0x905;
inline constexpr unsigned kApplyDpiProfile = 0x906;
inline constexpr unsigned kApplyKeyProfile = 0x907;
inline constexpr unsigned kApplyRegProfile = 0x908;
inline constexpr unsigned kDeviceArrived = 0x909;

// The window's event (FeatureRegistry::raise) that the mouse's state was read again after a
// calibration ended (payload: none, an int 0): the features show what the mouse now holds.
inline constexpr const char* kCalibrationStateReadEvent = "calibration-state-read";

}  // namespace corv::msg
