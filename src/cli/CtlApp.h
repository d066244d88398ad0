#pragma once
// corvalantisctl: the command-line tool. Everything but main() lives here so that the
// tests can run it with their own streams.
#include <iosfwd>
#include <string>
#include <vector>

namespace corv {
class Clock;
class HidBackend;
}  // namespace corv

namespace corv::cli {

// Exit codes.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;  // usage error or a command that failed
inline constexpr int kExitNoMouse = 2;
inline constexpr int kExitNoPermission = 3;
inline constexpr int kExitNoProgram = 4;  // the window program is not running (or no session bus)

// Runs one command line. hardware, when given, stands in for the hidapi backend (tests use
// it to show "no mouse" and "no permission"); --virtual-mouse still takes precedence.
// clock, when given, times the channel's waits and the mouse's settle delays instead of the
// real clock (a test's hardware that answers at once need not cost real milliseconds).
int runCtl(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, HidBackend* hardware = nullptr,
           Clock* clock = nullptr);

}  // namespace corv::cli
