#include "platform/FileNames.h"

#include <climits>

#include <algorithm>

namespace corv {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

bool isUsableFileName(std::string_view name, std::string_view extension)
{
    if (name.empty() || name == "." || name == "..")
        return false;
    if (name.size() + extension.size() > NAME_MAX)
        return false;
    if (isBlank(name.front()) || isBlank(name.back()))
        return false;
    if (name.size() >= 2 && (name.front() == '"' || name.front() == '\'') && name.back() == name.front())
        return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return c == '/' || u < 0x20 || u == 0x7F;
    });
}

}  // namespace corv
