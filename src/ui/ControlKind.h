#pragma once
// What kind of control a widget is, as the program sees it.
#include <QString>

class QWidget;

namespace corv::ui {

enum class ControlKind {
    Any,           // any control (lookups that only need text, visibility, images, user data)
    Button,        // push button: "click"
    Option,        // checkable button (option, check box, tab option): "click", "selectchanged"
    Label,         // static text or picture
    Edit,          // single-line edit: "textchanged", "killfocus"
    Combo,         // drop-down list: "itemselect"
    List,          // list of rows: "itemselect"
    Slider,        // slider: "valuechanged"
    Progress,      // progress indicator (also the circular progress)
    TabLayout,     // pages switched by index
    Container,     // any other panel
    ColorPalette,  // ColorPaletteWidget: "colorchanged"
    MultiColor,    // MultiColorSelection
};

// The kind of a widget; Container for plain panels, Any for null.
ControlKind kindOf(const QWidget* widget);
// Whether a widget can serve as the given kind (Any accepts every control).
bool isKind(const QWidget* widget, ControlKind kind);
QString kindName(ControlKind kind);

}  // namespace corv::ui
