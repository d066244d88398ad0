#pragma once
// The tray icon: an icon with a tooltip in the desktop's system tray, a left click and a
// context menu. Where the desktop has no tray the icon is not created.
#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>
#include <optional>

class QMenu;
class QSystemTrayIcon;

namespace corv::ui {

class TrayIcon : public QObject {
    Q_OBJECT
public:
    TrayIcon();
    ~TrayIcon() override;

    // Whether the desktop has a system tray (tests may decide it).
    static bool isAvailable();
    static void setAvailabilityOverride(std::optional<bool> available);

    // Creates the icon; false when the desktop has no tray.
    bool createTrayIcon(const QString& iconFile, const QString& tooltip);
    void deleteTrayIcon();
    bool isCreated() const { return created_; }

    void setTooltipText(const QString& tooltip);
    QString getTooltipText() const { return tooltip_; }
    // The menu the tray shows on a right click (not owned).
    void setContextMenu(QMenu* menu);
    QMenu* contextMenu() const;

    // A click on the icon, as the desktop reports it: a left click raises leftClicked; a
    // right click raises contextMenuRequested and opens the context menu at the pointer.
    // Nothing happens while the icon is not created.
    enum class Click { Left, Right };
    void clickIcon(Click click);

signals:
    void leftClicked();
    void contextMenuRequested();

private:
    std::unique_ptr<QSystemTrayIcon> icon_;
    QPointer<QMenu> menu_;
    QString tooltip_;
    bool created_ = false;
};

}  // namespace corv::ui
