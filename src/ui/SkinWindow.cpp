#include "ui/SkinWindow.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLoggingCategory>
#include <QMouseEvent>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>

#include "ui/NotifyAdapter.h"
#include "ui/ResourceManager.h"
#include "ui/SkinLoader.h"

namespace corv::ui {

Q_LOGGING_CATEGORY(lcWindow, "corv.window", QtWarningMsg)

void applySkinVisuals(QWidget* root)
{
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    for (QWidget* w : widgets) {
        Control c(w);
        if (const QVariant v = w->property("bkcolor"); v.isValid()) {
            bool ok = false;
            const uint argb = v.toString().toUInt(&ok, 0);
            if (ok)
                c.setBkColor(argb);
        }
        if (const QVariant v = w->property("bkimage"); v.isValid())
            c.setBkImage(v.toString());
        if (const QVariant v = w->property("normalimage"); v.isValid())
            c.setNormalImage(v.toString());
        if (const QVariant v = w->property("hotimage"); v.isValid())
            c.setHotImage(v.toString());
        if (const QVariant v = w->property("pushedimage"); v.isValid())
            c.setPushedImage(v.toString());
    }
}

SkinWindow::SkinWindow(QWidget* parent) : QWidget(parent) { }

SkinWindow::~SkinWindow()
{
    // The controls outlive this part of the object (focus changes while they are destroyed
    // must not reach a half-destroyed window).
    if (adapter_ != nullptr)
        adapter_->setTarget(nullptr);
    if (modalLoop_ != nullptr)
        modalLoop_->exit(modalResult_);
}

bool SkinWindow::createWindow(QWidget* owner, const QString& title, int width, int height, bool toolWindow)
{
    if (owner != nullptr)
        setParent(owner);
    Qt::WindowFlags flags = Qt::FramelessWindowHint;
    flags |= toolWindow ? Qt::Tool : Qt::Window;
    setWindowFlags(flags);
    setWindowTitle(title);
    setObjectName(getWindowClassName());

    const QString path = ResourceManager::instance().layoutPath(getSkinFile());
    if (path.isEmpty()) {
        qCWarning(lcWindow) << "layout" << getSkinFile() << "not found in the skin";
        return false;
    }
    SkinLoader loader(this);
    root_ = loader.loadFile(path, this);
    if (root_ == nullptr)
        return false;

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(root_);

    applySkinVisuals(root_);
    const QSize size = (width > 0 && height > 0) ? QSize(width, height) : root_->size();
    setFixedSize(size);
    adapter_ = new NotifyAdapter(this, this);
    if (auto caption = findControl(QStringLiteral("caption")))
        caption.widget()->installEventFilter(this);
    reloadText();
    initWindow();
    return true;
}

void SkinWindow::reloadText()
{
    if (root_ != nullptr)
        ResourceManager::instance().reloadText(root_);
}

Control SkinWindow::findControl(const QString& name) const { return ui::findControl(root_, name); }

QWidget* SkinWindow::createControl(const QString&, QWidget*) { return nullptr; }

void SkinWindow::notify(Notification& msg)
{
    if (msg.type == notify::kClick)
        onClick(msg);
}

void SkinWindow::followZoomButtons()
{
    followZoom_ = true;
    const bool zoomed = isMaximized();
    findControl(QStringLiteral("maxbtn")).setVisible(!zoomed);
    findControl(QStringLiteral("restorebtn")).setVisible(zoomed);
}

void SkinWindow::changeEvent(QEvent* event)
{
    if (followZoom_ && event->type() == QEvent::WindowStateChange)
        followZoomButtons();
    QWidget::changeEvent(event);
}

void SkinWindow::onClick(Notification& msg)
{
    const QString name = msg.senderName.toLower();
    if (name == QStringLiteral("closebtn")) {
        closeWindow(0);
    } else if (name == QStringLiteral("minbtn")) {
        showMinimized();
    } else if (name == QStringLiteral("maxbtn")) {
        showMaximized();
    } else if (name == QStringLiteral("restorebtn")) {
        showNormal();
    }
}

void SkinWindow::showWindow(bool show, bool takeFocus)
{
    if (!show) {
        hide();
        return;
    }
    this->show();
    if (takeFocus) {
        raise();
        activateWindow();
    }
}

void SkinWindow::centerWindow()
{
    QRect area;
    if (QWidget* owner = parentWidget(); owner != nullptr && owner->isVisible()) {
        area = owner->frameGeometry();
    } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
        area = screen->availableGeometry();
    }
    if (area.isValid())
        move(area.center() - QPoint(width() / 2, height() / 2));
}

int SkinWindow::showModal()
{
    QEventLoop loop;
    modalLoop_ = &loop;
    modalResult_ = 0;
    closing_ = false;
    setWindowModality(Qt::ApplicationModal);
    showWindow(true, true);
    loop.exec();
    modalLoop_ = nullptr;
    return modalResult_;
}

void SkinWindow::closeWindow(int result)
{
    if (closing_)
        return;
    closing_ = true;
    ++closeCount_;
    modalResult_ = result;
    hide();
    if (modalLoop_ != nullptr)
        modalLoop_->exit(result);
    onClose(result);
    closing_ = false;
}

void SkinWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!initQueued_) {
        initQueued_ = true;
        QMetaObject::invokeMethod(
            this, [this] { sendWindowInit(); }, Qt::QueuedConnection);
    }
}

void SkinWindow::sendWindowInit()
{
    if (initSent_ || adapter_ == nullptr)
        return;
    initSent_ = true;
    adapter_->send(root_, notify::kWindowInit);
}

void SkinWindow::closeEvent(QCloseEvent* event)
{
    // A close from outside (window manager, Alt+F4) is a closeWindow(0).
    event->ignore();
    closeWindow(0);
}

void SkinWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && modalLoop_ != nullptr) {
        closeWindow(0);
        return;
    }
    QWidget::keyPressEvent(event);
}

bool SkinWindow::eventFilter(QObject* watched, QEvent* event)
{
    // Dragging the caption moves the frameless window.
    if (event->type() == QEvent::MouseButtonPress) {
        auto* me = static_cast<QMouseEvent*>(event);
        if (me->button() == Qt::LeftButton && windowHandle() != nullptr) {
            windowHandle()->startSystemMove();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace corv::ui
