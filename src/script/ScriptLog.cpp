#include "script/ScriptLog.h"

#include <cstdio>

#include "ui/ControlKind.h"

namespace corv {

ScriptLog standardOutputLog()
{
    return [](const QString& line) {
        std::fputs(line.toUtf8().constData(), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    };
}

QString oneLine(const QString& text)
{
    QString out = text;
    out.replace(QLatin1Char('\r'), QString());
    out.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    return out;
}

QString quoted(const QString& text) { return QLatin1Char('"') + oneLine(text) + QLatin1Char('"'); }

QString onOff(bool on) { return on ? QStringLiteral("on") : QStringLiteral("off"); }

QString kindOf(QWidget* w) { return ui::kindName(ui::kindOf(w)); }

}  // namespace corv
