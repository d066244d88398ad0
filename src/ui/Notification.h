#pragma once
// A control notification and the interface that receives them. Notifications are
// delivered synchronously on the UI thread, by NotifyAdapter only.
#include <QPointer>
#include <QString>
#include <QWidget>

namespace corv::ui {

// The notification types the program routes.
namespace notify {
inline const QString kWindowInit = QStringLiteral("windowinit");
inline const QString kClick = QStringLiteral("click");
inline const QString kSelectChanged = QStringLiteral("selectchanged");
inline const QString kItemSelect = QStringLiteral("itemselect");
inline const QString kValueChanged = QStringLiteral("valuechanged");
inline const QString kTextChanged = QStringLiteral("textchanged");
inline const QString kKillFocus = QStringLiteral("killfocus");
inline const QString kMouseEnter = QStringLiteral("msenter");
inline const QString kMouseLeave = QStringLiteral("msleave");
inline const QString kColorChanged = QStringLiteral("colorchanged");
}  // namespace notify

struct Notification {
    QString type;              // one of notify::k...
    QPointer<QWidget> sender;  // the control (null for "windowinit")
    QString senderName;        // the control's name, as found by findControl
    long long wParam = 0;      // itemselect: the new index; selectchanged: 1 selected, 0 not
};

class NotifyTarget {
public:
    virtual ~NotifyTarget() = default;
    virtual void notify(Notification& msg) = 0;
};

}  // namespace corv::ui
