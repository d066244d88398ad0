#pragma once
// The main window's private messages: sent by worker threads through
// MainWindow::sendMessage, and by the window's keyboard hook; handled on the UI thread by
// whoever declared them (FeatureRegistry::onMessage). The values are the program's own.
#include <cstdint>
#include <optional>

namespace corv::msg {

// Keyboard hooks (platform/KeyboardHook.h): wParam is kKeyDown or kKeyUp, lParam the key:
// the virtual-key code in bits 0-15 and, when the key event carries the time it was typed,
// bit 16 set and that time (milliseconds on the keyboard source's clock) in bits 32-63.
inline constexpr unsigned kKeyHookSingleKey = 0x810;
inline constexpr unsigned kKeyHookMacroRecord = 0x812;
inline constexpr unsigned kKeyHookMacroEdit = 0x814;
inline constexpr unsigned kKeyHookMacroInsert = 0x815;
inline constexpr unsigned kKeyDown = 0x100;
inline constexpr unsigned kKeyUp = 0x101;

static_assert(sizeof(std::intptr_t) >= 8, "a key message's lParam holds the key's time above its code");
inline constexpr std::intptr_t keyParam(std::uint16_t vk, std::optional<std::uint32_t> timeMs)
{
    const std::uint64_t time = timeMs ? (std::uint64_t{*timeMs} << 32) | (1U << 16) : 0;
    return static_cast<std::intptr_t>(time | vk);
}
inline constexpr std::uint16_t keyOfParam(std::intptr_t lParam) { return static_cast<std::uint16_t>(lParam); }
inline constexpr std::optional<std::uint32_t> keyTimeOfParam(std::intptr_t lParam)
{
    const auto bits = static_cast<std::uint64_t>(lParam);
    if ((bits & (1U << 16)) == 0)
        return std::nullopt;
    return static_cast<std::uint32_t>(bits >> 32);
}

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
