#include "buttons/page/ButtonsPage.h"

#include "buttons/page/ButtonNames.h"
#include "feature/FeatureHost.h"
#include "feature/FeatureRegistry.h"
#include "platform/IniFile.h"
#include "ui/Notification.h"

namespace corv {

namespace bn = button_names;

std::span<const ui::ControlRef> ButtonsPage::controls() const { return bn::buttonPageControls(); }

void ButtonsPage::highlightButton(int n, bool entered)
{
    const QString number = QString::number(n);
    const QString image =
        entered ? QStringLiteral("file='ms/over%1.png'").arg(number) : QStringLiteral("file='ms/%1.png'").arg(number);
    host_.control(QLatin1String(bn::kBadgePrefix) + number).SetBkImage(image);
    host_.control(QLatin1String(bn::kBadgeOverPrefix) + number).SetBkImage(image);
}

void ButtonsPage::declare(FeatureRegistry& r)
{
    using namespace ui::notify;
    r.onPrefix(kMouseEnter, bn::kButtonPrefix, [this](const ui::TNotifyUI&, int n) { highlightButton(n, true); });
    r.onPrefix(kMouseLeave, bn::kButtonPrefix, [this](const ui::TNotifyUI&, int n) { highlightButton(n, false); });
    // A typed value above 255 becomes "255".
    for (const char* edit : bn::kByteEdits) {
        r.on(kTextChanged, edit, [](const ui::TNotifyUI& msg, int) {
            ui::Control c(msg.pSender.data());
            if (ini::toLong(c.GetText().toStdString()) > 255)
                c.SetText(QStringLiteral("255"));
        });
    }
}

}  // namespace corv
