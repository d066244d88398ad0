#include "ui/TrayIcon.h"

#include <QCursor>
#include <QIcon>
#include <QMenu>
#include <QSystemTrayIcon>

namespace corv::ui {

namespace {
std::optional<bool>& availabilityOverride()
{
    static std::optional<bool> value;
    return value;
}
}  // namespace

TrayIcon::TrayIcon() = default;

TrayIcon::~TrayIcon() { deleteTrayIcon(); }

bool TrayIcon::isAvailable()
{
    if (availabilityOverride())
        return *availabilityOverride();
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayIcon::setAvailabilityOverride(std::optional<bool> available) { availabilityOverride() = available; }

bool TrayIcon::createTrayIcon(const QString& iconFile, const QString& tooltip)
{
    if (created_)
        deleteTrayIcon();
    if (!isAvailable())
        return false;
    tooltip_ = tooltip;
    created_ = true;
    // Only a real tray gets a real icon (a test may pretend there is one).
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        icon_ = std::make_unique<QSystemTrayIcon>(QIcon(iconFile));
        icon_->setToolTip(tooltip);
        if (menu_)
            icon_->setContextMenu(menu_);
        connect(icon_.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger)
                emit leftClicked();
            if (reason == QSystemTrayIcon::Context)
                emit contextMenuRequested();
        });
        icon_->show();
    }
    return true;
}

void TrayIcon::deleteTrayIcon()
{
    if (icon_) {
        icon_->hide();
        icon_.reset();
    }
    created_ = false;
}

void TrayIcon::setTooltipText(const QString& tooltip)
{
    tooltip_ = tooltip;
    if (icon_)
        icon_->setToolTip(tooltip);
}

void TrayIcon::setContextMenu(QMenu* menu)
{
    menu_ = menu;
    if (icon_)
        icon_->setContextMenu(menu);
}

QMenu* TrayIcon::contextMenu() const { return menu_.data(); }

void TrayIcon::clickIcon(Click click)
{
    if (!created_)
        return;
    if (click == Click::Left) {
        emit leftClicked();
        return;
    }
    emit contextMenuRequested();
    if (menu_)
        menu_->popup(QCursor::pos());
}

}  // namespace corv::ui
