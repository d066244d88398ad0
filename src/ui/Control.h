#pragma once
// A handle on one control of a window, found by name. The handle does not own the control
// and becomes null when the control is destroyed. Every operation on a null handle does
// nothing (reads give their empty value), so a control missing from the skin has no effect.
// Controls belong to the UI thread: an operation called on another thread is refused with a
// warning and does nothing (worker threads use sendToUiThread).
#include <QPointer>
#include <QString>
#include <QWidget>
#include <cstdint>

#include "ui/ControlKind.h"

namespace corv::ui {

class Control {
public:
    Control() = default;
    explicit Control(QWidget* widget) : w_(widget) { }

    explicit operator bool() const { return !w_.isNull(); }
    QWidget* widget() const { return w_.data(); }
    ControlKind kind() const { return kindOf(w_.data()); }

    QString getName() const;
    QString getText() const;
    void setText(const QString& text);
    // One of the program's own texts (written in Chinese), shown in the current language and
    // again in the new one after a language switch (ui/ResourceManager.h).
    void setProgramText(const QString& text);
    void setToolTip(const QString& text);
    // The control's own visibility (a control of a hidden window can still be "visible").
    bool isVisible() const;
    void setVisible(bool visible);
    bool isEnabled() const;
    void setEnabled(bool enabled);
    // Allows or blocks mouse and keyboard input without changing the enabled look.
    void setInputEnabled(bool enabled);
    bool isInputEnabled() const;

    // Image descriptions ("file='ms/du1.png'", "" for none), paths relative to the skin folder.
    QString getBkImage() const;
    void setBkImage(const QString& image);
    QString getNormalImage() const;
    void setNormalImage(const QString& image);
    QString getHotImage() const;
    void setHotImage(const QString& image);
    QString getPushedImage() const;
    void setPushedImage(const QString& image);
    // Background colour 0xAARRGGBB; 0 for none.
    std::uint32_t getBkColor() const;
    void setBkColor(std::uint32_t argb);

    QString getUserData() const;
    void setUserData(const QString& data);

    // Repaints the control.
    void needUpdate();

protected:
    // The widget when it exists and the caller is on the UI thread; otherwise null.
    QWidget* usable(const char* operation) const;

    QPointer<QWidget> w_;
};

// Finds a control by name under root (root included); a null handle when absent.
Control findControl(QWidget* root, const QString& name);

}  // namespace corv::ui
