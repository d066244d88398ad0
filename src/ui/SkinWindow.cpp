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

#include "ui/KeyboardAccess.h"
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
                c.SetBkColor(argb);
        }
        if (const QVariant v = w->property("bkimage"); v.isValid())
            c.SetBkImage(v.toString());
        if (const QVariant v = w->property("normalimage"); v.isValid())
            c.SetNormalImage(v.toString());
        if (const QVariant v = w->property("hotimage"); v.isValid())
            c.SetHotImage(v.toString());
        if (const QVariant v = w->property("pushedimage"); v.isValid())
            c.SetPushedImage(v.toString());
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

bool SkinWindow::Create(QWidget* owner, const QString& title, int width, int height, bool toolWindow)
{
    if (owner != nullptr)
        setParent(owner);
    Qt::WindowFlags flags = Qt::FramelessWindowHint;
    flags |= toolWindow ? Qt::Tool : Qt::Window;
    setWindowFlags(flags);
    setWindowTitle(title);
    setObjectName(GetWindowClassName());

    const QString path = ResourceManager::instance().layoutPath(GetSkinFile());
    if (path.isEmpty()) {
        qCWarning(lcWindow) << "layout" << GetSkinFile() << "not found in the skin";
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
    if (auto caption = FindControl(QStringLiteral("caption")))
        caption.widget()->installEventFilter(this);
    KeyboardAccess::apply(root_);
    ReloadText();
    InitWindow();
    return true;
}

void SkinWindow::ReloadText()
{
    if (root_ != nullptr)
        ResourceManager::instance().ReloadText(root_);
}

Control SkinWindow::FindControl(const QString& name) const { return ui::FindControl(root_, name); }

QWidget* SkinWindow::CreateControl(const QString&, QWidget*) { return nullptr; }

void SkinWindow::Notify(TNotifyUI& msg)
{
    if (msg.sType == notify::kClick)
        OnClick(msg);
}

void SkinWindow::FollowZoomButtons()
{
    followZoom_ = true;
    const bool zoomed = isMaximized();
    FindControl(QStringLiteral("maxbtn")).SetVisible(!zoomed);
    FindControl(QStringLiteral("restorebtn")).SetVisible(zoomed);
}

void SkinWindow::changeEvent(QEvent* event)
{
    if (followZoom_ && event->type() == QEvent::WindowStateChange)
        FollowZoomButtons();
    QWidget::changeEvent(event);
}

void SkinWindow::OnClick(TNotifyUI& msg)
{
    const QString name = msg.senderName.toLower();
    if (name == QStringLiteral("closebtn")) {
        Close(0);
    } else if (name == QStringLiteral("minbtn")) {
        showMinimized();
    } else if (name == QStringLiteral("maxbtn")) {
        showMaximized();
    } else if (name == QStringLiteral("restorebtn")) {
        showNormal();
    }
}

void SkinWindow::ShowWindow(bool show, bool takeFocus)
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

void SkinWindow::CenterWindow()
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

int SkinWindow::ShowModal()
{
    QEventLoop loop;
    modalLoop_ = &loop;
    modalResult_ = 0;
    closing_ = false;
    setWindowModality(Qt::ApplicationModal);
    ShowWindow(true, true);
    loop.exec();
    modalLoop_ = nullptr;
    return modalResult_;
}

void SkinWindow::Close(int result)
{
    if (closing_)
        return;
    closing_ = true;
    ++closeCount_;
    modalResult_ = result;
    hide();
    if (modalLoop_ != nullptr)
        modalLoop_->exit(result);
    OnClose(result);
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
    // A close from outside (window manager, Alt+F4) is a Close(0).
    event->ignore();
    Close(0);
}

void SkinWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && modalLoop_ != nullptr) {
        Close(0);
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
