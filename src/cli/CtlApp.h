#pragma once
// corvalantisctl: the command-line tool. Everything but main() lives here so that the
// tests can run it with their own streams.
#include <iosfwd>
#include <string>
#include <vector>

namespace corv::cli {

// Exit codes.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;      // usage error or a command that failed
inline constexpr int kExitNoMouse = 2;
inline constexpr int kExitNoPermission = 3;

int runCtl(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace corv::cli
