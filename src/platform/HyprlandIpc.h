#pragma once
// Hyprland's IPC as its foreground watcher reads it. The event socket (.socket2.sock) sends
// lines "EVENT>>DATA"; "activewindowv2>>ADDRESS" names the window that has the focus (an
// empty address, or ",", none). The request socket (.socket.sock) answers "j/activewindow"
// with one JSON object ({} when no window has the focus) and closes. Pure functions over
// bytes, so that recorded transcripts and hostile input test them.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ForegroundWatcher.h"

namespace corv::hyprland {

// Event lines longer than this are dropped (a title can be long; nothing we read is).
constexpr std::size_t kMaxLine = 64 * 1024;

// Cuts the event stream into lines; a line above kMaxLine is skipped up to its end.
class LineSplitter {
public:
    std::vector<std::string> feed(std::string_view bytes);

private:
    std::string partial_;
    bool skipping_ = false;
};

// For an activewindowv2 line, the window's address ("" when no window has the focus);
// nothing for any other line.
std::optional<std::string> activeWindowAddress(std::string_view line);

// The answer to j/activewindow: the process and class of the window, or none (no window,
// pid 0 or below, malformed JSON).
ForegroundProgram readActiveWindow(std::string_view json);

// The folder of the instance's sockets: $XDG_RUNTIME_DIR/hypr/SIGNATURE when that exists
// (Hyprland 0.40 and later), else /tmp/hypr/SIGNATURE.
std::string socketFolder(const std::string& runtimeDir, const std::string& signature);

}  // namespace corv::hyprland
