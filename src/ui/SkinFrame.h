#pragma once
// The skin frame: a small borderless pop-up under the main window's "skinbtn", right-aligned
// to it, from which the user picks a background image or colour for the main window. A choice
// is broadcast through skinObserver(); the frame stays open after it and closes (and deletes
// itself) when it loses the focus or a click lands outside it.
#include <QPointer>

#include "ui/SkinWindow.h"

namespace corv::ui {

class SkinFrame : public SkinWindow {
    Q_OBJECT
public:
    static constexpr const char* kWindowClass = "UISkinFrame";
    static constexpr const char* kLayout = "skin.xml";
    static constexpr const char* kImageButton = "skin_image_btn";
    static constexpr const char* kColorButton = "skin_color_btn";
    static constexpr const char* kImageTabButton = "skin_image";
    static constexpr const char* kColorTabButton = "skin_color";
    static constexpr const char* kTabs = "skin_tab";

    // Opens a new frame under skinButton (a control of mainWindow). Null when the layout
    // cannot be built.
    static SkinFrame* open(QWidget* mainWindow, QWidget* skinButton);

    QString getWindowClassName() const override { return QString::fromLatin1(kWindowClass); }
    QString getSkinFile() const override { return QString::fromLatin1(kLayout); }
    void notify(Notification& msg) override;

protected:
    void onClose(int result) override;

private:
    SkinFrame() = default;

    QPointer<QWidget> mainWindow_;
    QPointer<QWidget> skinButton_;
};

}  // namespace corv::ui
