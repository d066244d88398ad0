#pragma once
// The expectations of a script: what a control shows, what reached a file of the data folder
// or the virtual mouse's memory, the title and the last message box; and the dump of a
// control. A failed one says what it found instead.
#include "script/ScriptLog.h"
#include "script/ScriptParser.h"
#include "script/StepResult.h"

class QWidget;

namespace corv {

class DialogAnswers;
class ScriptHost;

class ScriptExpectations {
public:
    // log: never empty.
    ScriptExpectations(ScriptHost& host, DialogAnswers& answers, ScriptLog log)
        : host_(host), answers_(answers), log_(std::move(log))
    { }

    // A property of the control w that the step names (expect, and each look of wait-until).
    StepResult expect(const ScriptStep& step, QWidget* w);
    StepResult expectFile(const ScriptStep& step);
    StepResult expectTitle(const ScriptStep& step);
    // The message box shown since the last expect-message.
    StepResult expectMessage(const ScriptStep& step);
    StepResult expectMouse(const ScriptStep& step);
    // Logs what a person could see of w.
    StepResult dump(const ScriptStep& step, QWidget* w);

private:
    ScriptHost& host_;
    DialogAnswers& answers_;
    ScriptLog log_;
};

}  // namespace corv
