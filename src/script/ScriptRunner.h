#pragma once
// The script driver's run: the steps of a parsed script (script/ScriptParser.h) against the
// program's windows as a person would use them, one log line per step. The language and the
// log are described in docs/script-driver.md.
//
// Steps run on the UI thread, one per turn of the event loop; an action that opens a modal
// window lets the following steps run in that window's loop. Message boxes and file dialogs
// are answered from the queues that `answer` and `file` fill (DialogAnswers), the actions go
// through the widgets themselves (ScriptActions), the expectations report what they found
// (ScriptExpectations). A time limit ends a run that does not finish, and a watchdog thread
// ends the process when the UI thread is stuck past it.
#include <QObject>
#include <QString>
#include <chrono>
#include <cstddef>
#include <vector>

#include "script/DialogAnswers.h"
#include "script/ScriptActions.h"
#include "script/ScriptExpectations.h"
#include "script/ScriptLog.h"
#include "script/ScriptParser.h"
#include "script/ScriptWatchdog.h"
#include "script/StepResult.h"

class QTimer;
class QWidget;

namespace corv {

class ScriptHost;

// Exit codes of a scripted run.
inline constexpr int kScriptPassed = 0;  // every step done, every expectation held
inline constexpr int kScriptFailed = 1;  // an expectation or an action failed, or the time limit
inline constexpr int kScriptError = 2;   // the script itself is wrong (syntax, unknown control, ...)

struct ScriptLimits {
    std::chrono::milliseconds run{120000};     // the whole run; then it ends with exit code 1
    std::chrono::milliseconds connect{10000};  // wait-connected, wait-disconnected
};

class ScriptRunner : public QObject {
    Q_OBJECT
public:
    ScriptRunner(std::vector<ScriptStep> steps, ScriptHost& host, ScriptLog log, ScriptLimits limits = {});
    ~ScriptRunner() override;

    // Checks the script against the host (mouse commands need a virtual mouse), installs the
    // message-box and file-dialog responders (they stay until the runner is destroyed) and
    // runs the first step at the next turn of the event loop. False when the script cannot
    // run here: the run has then ended with kScriptError.
    bool start();
    bool isFinished() const { return finished_; }
    int exitCode() const { return exitCode_; }
    // The program ended before the run did (e.g. "menu exit"): ends the run now. Steps that
    // were not run count as a failure.
    int endEarly(const QString& reason);
    // start(), then runs the event loop until the run has ended; returns the exit code.
    int runToEnd();

signals:
    void finished(int exitCode);

private:
    using Outcome = StepResult::Outcome;

    void runNext();
    // Logs a step's result; false when the run has ended (a script error, or it had ended).
    bool report(const ScriptStep& step, const StepResult& result);
    // The end of a step that went on over several turns (wait, wait-connected).
    void completePending(const ScriptStep& step, const StepResult& result);
    void scheduleNext(int ms = 0);
    void finish(int code, const QString& summary);
    void finishNormally();
    void onTimeLimit();

    StepResult execute(const ScriptStep& step);
    StepResult waitForConnection(const ScriptStep& step);
    StepResult waitUntil(const ScriptStep& step);
    QWidget* findControl(const QString& name) const;

    std::vector<ScriptStep> steps_;
    ScriptHost& host_;
    ScriptLog log_;
    ScriptLimits limits_;
    DialogAnswers answers_;
    ScriptActions actions_;
    ScriptExpectations expectations_;
    ScriptWatchdog watchdog_;
    std::size_t next_ = 0;
    int currentLine_ = 0;
    int failures_ = 0;
    bool started_ = false;
    bool stepPending_ = false;  // a step (wait, wait-connected) goes on over several turns
    bool finished_ = false;
    int exitCode_ = kScriptPassed;
    QTimer* stepTimer_ = nullptr;
    QTimer* limitTimer_ = nullptr;
    std::chrono::steady_clock::time_point connectDeadline_;
    // The actions running now: more than one when an action opened a modal window and the
    // steps after it run in that window's event loop.
    struct Running {
        const ScriptStep* step;
        bool saidOpen;
    };
    std::vector<Running> running_;
};

}  // namespace corv
