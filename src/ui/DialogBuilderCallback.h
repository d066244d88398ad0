#pragma once
// Asked by the layout loader for element classes it does not know.
#include <QString>

class QWidget;

namespace corv::ui {

class DialogBuilderCallback {
public:
    virtual ~DialogBuilderCallback() = default;
    // The control for an element class, created as a child of parent, or null for none.
    virtual QWidget* createControl(const QString& className, QWidget* parent) = 0;
};

}  // namespace corv::ui
