#include "script/ScriptStartup.h"

#include <QFile>
#include <QSystemTrayIcon>

#include "ui/TrayIcon.h"

namespace corv {

std::optional<std::vector<ScriptStep>> loadScriptFile(const std::string& path, const ScriptLog& log)
{
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) {
        log(QStringLiteral("script error: cannot read the script %1").arg(QString::fromStdString(path)));
        log(QStringLiteral("end: script error at line 0"));
        return std::nullopt;
    }
    ParsedScript parsed = parseScript(QString::fromUtf8(file.readAll()));
    if (parsed.error) {
        log(QStringLiteral("script error at line %1: %2").arg(parsed.error->line).arg(parsed.error->message));
        log(QStringLiteral("end: script error at line %1").arg(parsed.error->line));
        return std::nullopt;
    }
    return std::move(parsed.steps);
}

void prepareScriptedRun(const ScriptLog& log)
{
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        ui::TrayIcon::setAvailabilityOverride(true);
        log(QStringLiteral("script: the desktop has no system tray; a tray without an icon stands in for it"));
    }
}

}  // namespace corv
