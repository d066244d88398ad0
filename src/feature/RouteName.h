#pragma once
// Names in routing: compared without regard to case; an indexed name ("ms_key_3") splits
// into the prefix up to its last underscore ("ms_key_") and the number after it (3).
#include <QString>
#include <string_view>

namespace corv {

struct IndexedName {
    bool hasPrefix = false;
    QString prefix;  // up to and including the last underscore
    int index = 0;   // the decimal value of the rest; text that is not a number gives 0
};

IndexedName splitIndexedName(const QString& name);
bool sameName(const QString& a, std::string_view b);

}  // namespace corv
