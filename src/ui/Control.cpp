#include "ui/Control.h"

#include <QAbstractButton>
#include <QLoggingCategory>
#include <QVariant>
#include <atomic>

#include "ui/ResourceManager.h"
#include "ui/UiThread.h"

namespace corv::ui {

Q_LOGGING_CATEGORY(lcControl, "corv.control", QtWarningMsg)

namespace {

const char* const kBkImage = "corvBkImage";
const char* const kBkColor = "corvBkColor";
const char* const kNormalImage = "corvNormalImage";
const char* const kHotImage = "corvHotImage";
const char* const kPushedImage = "corvPushedImage";
const char* const kUserData = "corvUserData";
const char* const kStyleId = "corvStyleId";
const char* const kBaseStyle = "corvBaseStyle";
const char* const kInputBlocked = "corvInputBlocked";

QString cssUrl(const QString& image)
{
    const QString path = ResourceManager::instance().imagePath(image);
    if (path.isEmpty())
        return QString();
    QString quoted = path;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\\\""));
    return QStringLiteral("url(\"%1\")").arg(quoted);
}

QString borderImage(const QString& url) { return QStringLiteral("border-image: %1 0 0 0 0 stretch stretch;").arg(url); }

// Rebuilds the control's own style sheet from its images and background colour, on top of
// the style sheet the layout gave it.
void applyVisuals(QWidget* w)
{
    static std::atomic<int> nextId{1};
    if (!w->property(kStyleId).isValid()) {
        w->setProperty(kStyleId, nextId.fetch_add(1));
        w->setProperty(kBaseStyle, w->styleSheet());
    }
    const QString sel = QStringLiteral("*[corvStyleId=\"%1\"]").arg(w->property(kStyleId).toInt());
    const QString bk = cssUrl(w->property(kBkImage).toString());
    const QString normal = cssUrl(w->property(kNormalImage).toString());
    const QString hot = cssUrl(w->property(kHotImage).toString());
    const QString pushed = cssUrl(w->property(kPushedImage).toString());
    const auto colour = w->property(kBkColor).toUInt();

    QString base;
    if (colour != 0) {
        base += QStringLiteral("background-color: rgba(%1, %2, %3, %4);")
                    .arg((colour >> 16) & 0xFF)
                    .arg((colour >> 8) & 0xFF)
                    .arg(colour & 0xFF)
                    .arg((colour >> 24) & 0xFF);
    }
    const bool anyImage = !bk.isEmpty() || !normal.isEmpty() || !hot.isEmpty() || !pushed.isEmpty();
    if (anyImage) {
        base += QStringLiteral("border: none;");
        if (colour == 0)
            base += QStringLiteral("background: transparent;");
    }
    if (!normal.isEmpty()) {
        if (!bk.isEmpty())
            base += QStringLiteral("background-image: %1; background-position: center; background-repeat: no-repeat;")
                        .arg(bk);
        base += borderImage(normal);
    } else if (!bk.isEmpty()) {
        base += borderImage(bk);
    }
    QString sheet = w->property(kBaseStyle).toString();
    if (!base.isEmpty())
        sheet += QStringLiteral("\n%1 { %2 }").arg(sel, base);
    if (!hot.isEmpty())
        sheet += QStringLiteral("\n%1:hover { %2 }").arg(sel, borderImage(hot));
    if (!pushed.isEmpty())
        sheet += QStringLiteral("\n%1:pressed { %2 }").arg(sel, borderImage(pushed));
    if (!pushed.isEmpty())
        sheet += QStringLiteral("\n%1:checked { %2 }").arg(sel, borderImage(pushed));
    w->setStyleSheet(sheet);
}

}  // namespace

QWidget* Control::usable(const char* operation) const
{
    if (w_.isNull())
        return nullptr;
    if (!onUiThread()) {
        qCWarning(lcControl) << "control" << w_->objectName() << "used outside the UI thread (" << operation
                             << "); ignored";
        return nullptr;
    }
    return w_.data();
}

QString Control::GetName() const
{
    auto* w = usable("GetName");
    return w != nullptr ? w->objectName() : QString();
}

QString Control::GetText() const
{
    auto* w = usable("GetText");
    return w != nullptr ? controlText(w) : QString();
}

void Control::SetText(const QString& text)
{
    if (auto* w = usable("SetText"))
        setControlText(w, text);
}

void Control::SetProgramText(const QString& text)
{
    if (auto* w = usable("SetProgramText"))
        setProgramText(w, text);
}

void Control::SetToolTip(const QString& text)
{
    if (auto* w = usable("SetToolTip"))
        w->setToolTip(text);
}

bool Control::IsVisible() const
{
    auto* w = usable("IsVisible");
    return w != nullptr && !w->isHidden();
}

void Control::SetVisible(bool visible)
{
    if (auto* w = usable("SetVisible"))
        w->setVisible(visible);
}

bool Control::IsEnabled() const
{
    auto* w = usable("IsEnabled");
    return w != nullptr && w->isEnabled();
}

void Control::SetEnabled(bool enabled)
{
    if (auto* w = usable("SetEnabled"))
        w->setEnabled(enabled);
}

void Control::SetInputEnabled(bool enabled)
{
    auto* w = usable("SetInputEnabled");
    if (w == nullptr)
        return;
    w->setProperty(kInputBlocked, !enabled);
    w->setAttribute(Qt::WA_TransparentForMouseEvents, !enabled);
    if (!enabled) {
        if (!w->property("corvFocusPolicy").isValid())
            w->setProperty("corvFocusPolicy", static_cast<int>(w->focusPolicy()));
        w->setFocusPolicy(Qt::NoFocus);
        w->clearFocus();
    } else if (w->property("corvFocusPolicy").isValid()) {
        w->setFocusPolicy(static_cast<Qt::FocusPolicy>(w->property("corvFocusPolicy").toInt()));
    }
}

bool Control::IsInputEnabled() const
{
    auto* w = usable("IsInputEnabled");
    return w != nullptr && !w->property(kInputBlocked).toBool();
}

QString Control::GetBkImage() const
{
    auto* w = usable("GetBkImage");
    return w != nullptr ? w->property(kBkImage).toString() : QString();
}

void Control::SetBkImage(const QString& image)
{
    auto* w = usable("SetBkImage");
    if (w == nullptr)
        return;
    w->setProperty(kBkImage, image);
    applyVisuals(w);
}

QString Control::GetNormalImage() const
{
    auto* w = usable("GetNormalImage");
    return w != nullptr ? w->property(kNormalImage).toString() : QString();
}

void Control::SetNormalImage(const QString& image)
{
    auto* w = usable("SetNormalImage");
    if (w == nullptr)
        return;
    w->setProperty(kNormalImage, image);
    applyVisuals(w);
}

QString Control::GetHotImage() const
{
    auto* w = usable("GetHotImage");
    return w != nullptr ? w->property(kHotImage).toString() : QString();
}

void Control::SetHotImage(const QString& image)
{
    auto* w = usable("SetHotImage");
    if (w == nullptr)
        return;
    w->setProperty(kHotImage, image);
    applyVisuals(w);
}

QString Control::GetPushedImage() const
{
    auto* w = usable("GetPushedImage");
    return w != nullptr ? w->property(kPushedImage).toString() : QString();
}

void Control::SetPushedImage(const QString& image)
{
    auto* w = usable("SetPushedImage");
    if (w == nullptr)
        return;
    w->setProperty(kPushedImage, image);
    applyVisuals(w);
}

std::uint32_t Control::GetBkColor() const
{
    auto* w = usable("GetBkColor");
    return w != nullptr ? w->property(kBkColor).toUInt() : 0;
}

void Control::SetBkColor(std::uint32_t argb)
{
    auto* w = usable("SetBkColor");
    if (w == nullptr)
        return;
    w->setProperty(kBkColor, static_cast<uint>(argb));
    applyVisuals(w);
}

QString Control::GetUserData() const
{
    auto* w = usable("GetUserData");
    if (w == nullptr)
        return QString();
    // Set by the program, or else given by the layout ("userdata" property).
    const QVariant v = w->property(kUserData);
    return v.isValid() ? v.toString() : w->property("userdata").toString();
}

void Control::SetUserData(const QString& data)
{
    if (auto* w = usable("SetUserData"))
        w->setProperty(kUserData, data);
}

void Control::NeedUpdate()
{
    if (auto* w = usable("NeedUpdate"))
        w->update();
}

Control FindControl(QWidget* root, const QString& name)
{
    if (root == nullptr || name.isEmpty())
        return Control();
    if (!onUiThread()) {
        qCWarning(lcControl) << "FindControl" << name << "outside the UI thread; ignored";
        return Control();
    }
    if (root->objectName() == name)
        return Control(root);
    return Control(root->findChild<QWidget*>(name));
}

}  // namespace corv::ui
