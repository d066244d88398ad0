#pragma once
// Keyboard use and accessible names for every control of a loaded layout, in one place
// instead of per page:
// - every interactive control takes the focus from the keyboard: buttons, options, check
//   boxes, combos and sliders by Tab only (a click does not move the focus, so a mouse user
//   sees no focus frame), edits and lists also by a click;
// - Tab and Shift+Tab go through the controls in reading order (top to bottom, then left to
//   right, by their place in the window);
// - Enter and Space press a focused button; the arrow keys on an option of a group (the
//   "group" property) or on a control of a "keygroup" select its neighbour in the group
//   (in reading order) and move the focus there; sliders move with the arrow keys themselves;
// - names(): every interactive control gets its accessible name in the current language: the
//   language table's "<id>.name" when it has one, else its visible text, else its tooltip,
//   else the label beside it (left on its row, or just above), else an edit's placeholder.
#include <QObject>

class QWidget;

namespace corv::ui {

class KeyboardAccess : public QObject {
    Q_OBJECT
public:
    // Sets focus policies, the Tab order and the key handling under root; once per layout.
    static void apply(QWidget* root);
    // Sets the accessible names under root in the current language (at every language switch).
    static void names(QWidget* root);
    // Whether w is a control a person operates (and so needs a name and the focus).
    static bool isInteractive(const QWidget* w);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit KeyboardAccess(QObject* parent) : QObject(parent) { }
};

}  // namespace corv::ui
