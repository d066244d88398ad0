#pragma once
// The actions of a script, each done as a person would do it: through the widget itself (a
// button's click(), a combo's pop-up list, the slider's drag, key events into an edit), so
// that the notifications reach the window exactly as they do for a person. A control a person
// could not use now (hidden, disabled, taking no input) is refused. Also the tray, its menu,
// keys for the keyboard capture and the person at the virtual mouse.
#include "script/ScriptLog.h"
#include "script/ScriptParser.h"
#include "script/StepResult.h"

class QWidget;

namespace corv {

class ScriptHost;

class ScriptActions {
public:
    // log: never empty.
    ScriptActions(ScriptHost& host, ScriptLog log) : host_(host), log_(std::move(log)) { }

    // On the control w that the step names.
    StepResult click(const ScriptStep& step, QWidget* w);
    StepResult check(const ScriptStep& step, QWidget* w);
    StepResult select(const ScriptStep& step, QWidget* w);
    StepResult slide(const ScriptStep& step, QWidget* w);
    StepResult type(const ScriptStep& step, QWidget* w);
    StepResult leave(const ScriptStep& step, QWidget* w);
    StepResult hover(const ScriptStep& step, QWidget* w);  // hover and unhover
    StepResult color(const ScriptStep& step, QWidget* w);

    StepResult menu(const ScriptStep& step);
    StepResult tray(const ScriptStep& step);
    StepResult key(const ScriptStep& step);
    StepResult mouse(const ScriptStep& step);

private:
    ScriptHost& host_;
    ScriptLog log_;
};

}  // namespace corv
