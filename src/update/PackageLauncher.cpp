#include "update/PackageLauncher.h"

#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

namespace corv {

namespace {

class WineLauncher : public PackageLauncher {
public:
    bool available() const override { return !wine().isEmpty(); }

    bool start(const std::filesystem::path& package) override
    {
        const QString program = wine();
        if (program.isEmpty())
            return false;
        const QString file = QString::fromStdString(package.filename().string());
        const QString folder = QString::fromStdString(package.parent_path().string());
        // The package is named relative to its folder, which is also its working folder.
        return QProcess::startDetached(program, {file, QStringLiteral("NULL")}, folder);
    }

private:
    static QString wine() { return QStandardPaths::findExecutable(QStringLiteral("wine")); }
};

}  // namespace

std::unique_ptr<PackageLauncher> makeSystemPackageLauncher() { return std::make_unique<WineLauncher>(); }

}  // namespace corv
