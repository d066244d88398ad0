#pragma once
// Starting a firmware update package. The packages are Windows programs; here they run
// under the Windows compatibility layer (wine) when one is installed. Tests put in a
// launcher of their own, so that no test starts a program.
#include <filesystem>
#include <memory>

namespace corv {

class PackageLauncher {
public:
    virtual ~PackageLauncher() = default;
    // Whether a package can be started on this system at all.
    virtual bool available() const = 0;
    // Starts the package in its own folder with the command line "NULL", without waiting
    // for it. False when the start was refused.
    virtual bool start(const std::filesystem::path& package) = 0;
};

// The launcher of this system: wine from the search path.
std::unique_ptr<PackageLauncher> makeSystemPackageLauncher();

}  // namespace corv
