#pragma once
// What a step of a script came to, as its log line reports it.
#include <QString>

namespace corv {

struct StepResult {
    enum class Outcome {
        Done,     // "ok", with the detail in brackets when there is one
        Failed,   // an expectation or an action failed; the run goes on
        Error,    // the script is wrong here; the run ends
        Pending,  // the step goes on over several turns of the event loop
    };
    Outcome outcome = Outcome::Done;
    QString detail;
};

}  // namespace corv
