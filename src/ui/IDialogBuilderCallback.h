#pragma once
// Asked by the layout loader for element classes it does not know.
#include <QString>

class QWidget;

namespace corv::ui {

class IDialogBuilderCallback {
public:
    virtual ~IDialogBuilderCallback() = default;
    // The control for an element class, created as a child of parent, or null for none.
    virtual QWidget* CreateControl(const QString& className, QWidget* parent) = 0;
};

}  // namespace corv::ui
