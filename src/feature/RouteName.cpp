#include "feature/RouteName.h"

#include "platform/IniFile.h"

namespace corv {

bool sameName(const QString& a, std::string_view b)
{
    return a.compare(QString::fromUtf8(b.data(), static_cast<qsizetype>(b.size())), Qt::CaseInsensitive) == 0;
}

IndexedName splitIndexedName(const QString& name)
{
    IndexedName out;
    const qsizetype pos = name.lastIndexOf(QLatin1Char('_'));
    if (pos < 0)
        return out;
    out.hasPrefix = true;
    out.prefix = name.left(pos + 1);
    const long value = ini::toLong(name.mid(pos + 1).toStdString());
    out.index = static_cast<int>(value);
    return out;
}

}  // namespace corv
