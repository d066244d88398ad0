#pragma once
// A small skin written into a temporary folder for the toolkit tests, and a window that
// records the notifications it receives.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <vector>

#include "ui/SkinWindow.h"

namespace corv::ui::test {

class TestSkin {
public:
    TestSkin();
    ~TestSkin();
    QString folder() const { return dir_.path(); }
    // Writes a file of the skin (relative name).
    void write(const QString& name, const QByteArray& content) const;

    // A layout with one control of every kind.
    static QByteArray controlsLayout();
    static QByteArray messageLayout(const QString& confirmName = QStringLiteral("confirm_btn"), bool withText = true);

private:
    QTemporaryDir dir_;
};

struct Received {
    QString type;
    QString name;
    long long wParam;
};

class RecordingWindow : public SkinWindow {
    Q_OBJECT
public:
    explicit RecordingWindow(QString skinFile = QStringLiteral("controls.xml")) : skinFile_(std::move(skinFile)) { }
    QString getWindowClassName() const override { return QStringLiteral("RecordingWnd"); }
    QString getSkinFile() const override { return skinFile_; }
    void notify(Notification& msg) override
    {
        received.push_back({msg.type, msg.senderName, msg.wParam});
        if (onNotify)
            onNotify(msg);
        SkinWindow::notify(msg);  // the toolkit's default handling
    }
    // The notifications of one type, as "name:wParam".
    QStringList of(const QString& type) const
    {
        QStringList out;
        for (const auto& r : received) {
            if (r.type == type)
                out << QStringLiteral("%1:%2").arg(r.name).arg(r.wParam);
        }
        return out;
    }
    std::vector<Received> received;
    std::function<void(Notification&)> onNotify;

private:
    QString skinFile_;
};

}  // namespace corv::ui::test
