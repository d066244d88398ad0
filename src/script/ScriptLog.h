#pragma once
// The log of a scripted run, one line per entry, and how the values of the program appear in
// its lines.
#include <QString>
#include <functional>

class QWidget;

namespace corv {

using ScriptLog = std::function<void(const QString& line)>;

// One line, flushed, on standard output.
ScriptLog standardOutputLog();

// Line breaks of the program's texts are shown as \n, and written so in the values that
// scripts expect.
QString oneLine(const QString& text);
// The text on one line, in double quotes.
QString quoted(const QString& text);
QString onOff(bool on);
// The kind of control a widget is ("button", "combo", ...).
QString kindOf(QWidget* w);

}  // namespace corv
