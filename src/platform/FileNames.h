#pragma once
// Names that the user gives to things stored as files (profiles, macros): whether a name can
// be a file name in the data folder and read back unchanged from an index file.
#include <string_view>

namespace corv {

// False for the empty name, "." and "..", names with '/' or control characters, names with
// blanks at either end or enclosed in matching quotes (an INI value would not read back the
// same), and names whose file name (name + extension) is longer than the file system takes.
bool isUsableFileName(std::string_view name, std::string_view extension);

}  // namespace corv
