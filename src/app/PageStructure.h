#pragma once
// The structure of the main window's pages: the element classes of the main layout that are
// built from their own layout files, and the options that switch the pages of the tab
// layouts.
#include <QString>
#include <span>

class QWidget;

namespace corv {

struct PageLayout {
    const char* elementClass;
    const char* file;
};

struct PageSwitch {
    const char* tabLayout;
    const char* option;
    int page;
};

class PageStructure {
public:
    static std::span<const PageLayout> layouts();
    static std::span<const PageSwitch> switches();
    // The layout file of an element class (compared without case), or null.
    static const char* layoutFileOf(const QString& elementClass);
    // The control the main layout's element class stands for: a page built from its own
    // layout file, or the progress control; null for other classes.
    static QWidget* createControl(const QString& elementClass, QWidget* parent);
};

}  // namespace corv
