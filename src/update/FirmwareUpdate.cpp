#include "update/FirmwareUpdate.h"

#include <mutex>
#include <system_error>

#include "device/DeviceState.h"
#include "device/ModelFacts.h"
#include "feature/FeatureHost.h"
#include "feature/FeatureRegistry.h"
#include "platform/AppPaths.h"
#include "settings/SettingsSession.h"
#include "ui/Notification.h"

namespace corv {

namespace {

const ui::ControlRef kControls[] = {
    {"XML_MAIN", FirmwareUpdate::kMenuButton, ui::ControlKind::Button},
};

}  // namespace

FirmwareUpdate::Decision FirmwareUpdate::decide(std::uint16_t modelId, std::uint16_t version)
{
    const ModelFacts* model = findModel(modelId);
    if (model == nullptr)
        return Decision{{}, kUpdateByHand};
    return version < model->firmwarePackageVersion ? Decision{model->firmwarePackage, nullptr}
                                                   : Decision{{}, kUpToDate};
}

QString FirmwareUpdate::missingMessage(const QString& package)
{
    return QStringLiteral("找不到升级程序：%1").arg(package);
}

QString FirmwareUpdate::needsWindowsMessage(const QString& package)
{
    return QStringLiteral("升级程序 %1 需要在 Windows 系统中运行").arg(package);
}

QString FirmwareUpdate::refusedMessage(const QString& package)
{
    return QStringLiteral("升级程序 %1 无法启动").arg(package);
}

FirmwareUpdate::FirmwareUpdate(FeatureHost& host, std::unique_ptr<PackageLauncher> launcher)
    : host_(host), launcher_(launcher ? std::move(launcher) : makeSystemPackageLauncher())
{ }

std::span<const ui::ControlRef> FirmwareUpdate::controls() const { return kControls; }

void FirmwareUpdate::declare(FeatureRegistry& r)
{
    r.on(ui::notify::kClick, kMenuButton, [this](const ui::Notification&, int) { checkForUpdate(); });
}

void FirmwareUpdate::checkForUpdate()
{
    const Decision decision =
        host_.settings().read([](const DeviceState& s) { return decide(s.modelId(), s.firmwareVersion); });
    if (!decision.package.empty())
        startPackage(decision.package);
    else
        host_.messageBox(QString::fromUtf8(decision.message));
}

void FirmwareUpdate::startPackage(std::string_view fileName)
{
    const QString name = QString::fromUtf8(fileName.data(), static_cast<qsizetype>(fileName.size()));
    const std::filesystem::path package = resourceFolder() / fileName;  // UTF-8, as the file system takes it
    std::error_code ec;
    if (!std::filesystem::is_regular_file(package, ec)) {
        host_.messageBox(missingMessage(name));
        return;
    }
    if (!launcher_->available()) {
        host_.messageBox(needsWindowsMessage(name));
        return;
    }
    if (!launcher_->start(package))
        host_.messageBox(refusedMessage(name));
}

}  // namespace corv
