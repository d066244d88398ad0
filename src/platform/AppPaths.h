#pragma once
// The folders the program works with: the user's Documents folder, the data folder with the
// profile and macro files, the program's own folder and the folder of its shipped
// resources ("default.pro" and "skin/"). Every folder returned ends with a separator.
#include <filesystem>

namespace corv {

// The user's configuration folder: $XDG_CONFIG_HOME when it is absolute, else
// $HOME/.config (HOME falls back to the password database). Empty when neither can be
// determined. Not created here.
std::filesystem::path configFolder();

// The user's Documents folder: XDG_DOCUMENTS_DIR from $XDG_CONFIG_HOME/user-dirs.dirs
// (~/.config/user-dirs.dirs when XDG_CONFIG_HOME is unset or not absolute), else
// $HOME/Documents. HOME falls back to the password database. Empty when no home folder can
// be determined at all. Not created here.
std::filesystem::path documentsFolder();

// documentsFolder() / "CORVALANTIS R210R240 Driver" / (trailing separator). Built anew on
// each call; the folder (and missing parents) is created when missing. A failure to create
// it is not reported: the file operations that follow fail. Empty when documentsFolder() is.
std::filesystem::path dataFolderPath();

// The folder of the running executable, with a trailing separator; empty if unknown.
std::filesystem::path programFolder();

// The folder that holds "default.pro" and "skin/": the override if one is set; else
// programFolder() when either exists there; else the installed data folder seen from the
// program's (programFolder()/../share/corvalantis/ for the usual bin/ and share/) when it
// exists; else programFolder(). Trailing separator.
std::filesystem::path resourceFolder();

// Makes resourceFolder() return folder (tests, running from the build tree). An empty path
// removes the override.
void setResourceFolderOverride(const std::filesystem::path& folder);

}  // namespace corv
