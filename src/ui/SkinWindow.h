#pragma once
// Base of the program's windows: a frameless window whose content is a layout of the skin
// (given by layout id or file name), whose controls report to notify through a
// NotifyAdapter, with the toolkit's default handling of the caption buttons.
//
// Life cycle: createWindow() builds the layout, applies the language texts and calls initWindow();
// the first show sends "windowinit" once (queued, so that it arrives after the first layout);
// closeWindow(n) hides the window, ends a showModal() with n and calls onClose(n).
#include <QPointer>
#include <QWidget>

#include "ui/Control.h"
#include "ui/DialogBuilderCallback.h"
#include "ui/Notification.h"

class QEventLoop;

namespace corv::ui {

class NotifyAdapter;

// Applies the images and background colours that a layout gives its controls as the
// properties "bkimage", "normalimage", "hotimage", "pushedimage" (image descriptions) and "bkcolor"
// ("0xAARRGGBB").
void applySkinVisuals(QWidget* root);

class SkinWindow : public QWidget, public NotifyTarget, public DialogBuilderCallback {
    Q_OBJECT
public:
    explicit SkinWindow(QWidget* parent = nullptr);
    ~SkinWindow() override;

    virtual QString getWindowClassName() const = 0;
    // Layout id ("XML_MAIN", resolved through res.xml) or layout file name.
    virtual QString getSkinFile() const = 0;

    // Builds the window. width/height 0 take the layout's size. toolWindow: a pop-up owned by
    // owner that has no task bar entry. False (and an empty window) when the layout fails.
    bool createWindow(QWidget* owner, const QString& title, int width = 0, int height = 0, bool toolWindow = false);

    void notify(Notification& msg) override;
    QWidget* createControl(const QString& className, QWidget* parent) override;

    void showWindow(bool show = true, bool takeFocus = true);
    void centerWindow();
    // Shows the window modally and returns the value given to closeWindow.
    int showModal();
    void closeWindow(int result = 0);
    bool isModalRunning() const { return modalLoop_ != nullptr; }
    // Whether closeWindow has run, and the value it was given.
    bool wasClosed() const { return closeCount_ > 0; }
    int closeCount() const { return closeCount_; }
    int lastResult() const { return modalResult_; }

    Control findControl(const QString& name) const;
    QWidget* getRoot() const { return root_; }
    NotifyAdapter* adapter() const { return adapter_; }
    bool windowInitSent() const { return initSent_; }
    // Applies the current language texts to the window.
    void reloadText();

protected:
    virtual void initWindow() { }
    // The toolkit's default click handling: the caption buttons.
    virtual void onClick(Notification& msg);
    // Called by closeWindow after the window has been hidden.
    virtual void onClose(int result) { (void)result; }
    // From now on "maxbtn" shows while the window is not maximised and "restorebtn" while it
    // is.
    void followZoomButtons();
    void changeEvent(QEvent* event) override;

    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void sendWindowInit();

    QWidget* root_ = nullptr;
    NotifyAdapter* adapter_ = nullptr;
    QEventLoop* modalLoop_ = nullptr;
    int modalResult_ = 0;
    bool followZoom_ = false;
    bool initQueued_ = false;
    bool initSent_ = false;
    bool closing_ = false;
    int closeCount_ = 0;
};

}  // namespace corv::ui
