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

QString Control::getName() const
{
    auto* w = usable("getName");
    return w != nullptr ? w->objectName() : QString();
}

QString Control::getText() const
{
    auto* w = usable("getText");
    return w != nullptr ? controlText(w) : QString();
}

void Control::setText(const QString& text)
{
    if (auto* w = usable("setText"))
        setControlText(w, text);
}

void Control::setProgramText(const QString& text)
{
    if (auto* w = usable("setProgramText"))
        ui::setProgramText(w, text);
}

void Control::setToolTip(const QString& text)
{
    if (auto* w = usable("setToolTip"))
        w->setToolTip(text);
}

bool Control::isVisible() const
{
    auto* w = usable("isVisible");
    return w != nullptr && !w->isHidden();
}

void Control::setVisible(bool visible)
{
    if (auto* w = usable("setVisible"))
        w->setVisible(visible);
}

bool Control::isEnabled() const
{
    auto* w = usable("isEnabled");
    return w != nullptr && w->isEnabled();
}

void Control::setEnabled(bool enabled)
{
    if (auto* w = usable("setEnabled"))
        w->setEnabled(enabled);
}

void Control::setInputEnabled(bool enabled)
{
    auto* w = usable("setInputEnabled");
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

bool Control::isInputEnabled() const
{
    auto* w = usable("isInputEnabled");
    return w != nullptr && !w->property(kInputBlocked).toBool();
}

QString Control::getBkImage() const
{
    auto* w = usable("getBkImage");
    return w != nullptr ? w->property(kBkImage).toString() : QString();
}

void Control::setBkImage(const QString& image)
{
    auto* w = usable("setBkImage");
    if (w == nullptr)
        return;
    w->setProperty(kBkImage, image);
    applyVisuals(w);
}

QString Control::getNormalImage() const
{
    auto* w = usable("getNormalImage");
    return w != nullptr ? w->property(kNormalImage).toString() : QString();
}

void Control::setNormalImage(const QString& image)
{
    auto* w = usable("setNormalImage");
    if (w == nullptr)
        return;
    w->setProperty(kNormalImage, image);
    applyVisuals(w);
}

QString Control::getHotImage() const
{
    auto* w = usable("getHotImage");
    return w != nullptr ? w->property(kHotImage).toString() : QString();
}

void Control::setHotImage(const QString& image)
{
    auto* w = usable("setHotImage");
    if (w == nullptr)
        return;
    w->setProperty(kHotImage, image);
    applyVisuals(w);
}

QString Control::getPushedImage() const
{
    auto* w = usable("getPushedImage");
    return w != nullptr ? w->property(kPushedImage).toString() : QString();
}

void Control::setPushedImage(const QString& image)
{
    auto* w = usable("setPushedImage");
    if (w == nullptr)
        return;
    w->setProperty(kPushedImage, image);
    applyVisuals(w);
}

std::uint32_t Control::getBkColor() const
{
    auto* w = usable("getBkColor");
    return w != nullptr ? w->property(kBkColor).toUInt() : 0;
}

void Control::setBkColor(std::uint32_t argb)
{
    auto* w = usable("setBkColor");
    if (w == nullptr)
        return;
    w->setProperty(kBkColor, static_cast<uint>(argb));
    applyVisuals(w);
}

QString Control::getUserData() const
{
    auto* w = usable("getUserData");
    if (w == nullptr)
        return QString();
    // Set by the program, or else given by the layout ("userdata" property).
    const QVariant v = w->property(kUserData);
    return v.isValid() ? v.toString() : w->property("userdata").toString();
}

void Control::setUserData(const QString& data)
{
    if (auto* w = usable("setUserData"))
        w->setProperty(kUserData, data);
}

void Control::needUpdate()
{
    if (auto* w = usable("needUpdate"))
        w->update();
}

Control findControl(QWidget* root, const QString& name)
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
