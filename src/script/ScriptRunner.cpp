#include "script/ScriptRunner.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <optional>

#include "script/ScriptHost.h"
#include "ui/SkinWindow.h"

namespace corv {

namespace {

// How long the watchdog lets the UI thread overrun the time limit before it ends the process
// (a UI thread that is stuck cannot run the time limit's own timer).
constexpr std::chrono::seconds kWatchdogGrace{15};
constexpr int kConnectPollMs = 25;
constexpr int kStartPollMs = 10;

// The control of that name inside one window, not looking into other windows it owns.
QWidget* findInWindow(QWidget* window, const QString& name)
{
    if (window == nullptr || name.isEmpty())
        return nullptr;
    if (window->objectName() == name)
        return window;
    QList<QWidget*> level{window};
    while (!level.isEmpty()) {
        QList<QWidget*> below;
        for (QWidget* parent : std::as_const(level)) {
            const auto children = parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
            for (QWidget* child : children) {
                if (child->isWindow())
                    continue;
                if (child->objectName() == name)
                    return child;
                below << child;
            }
        }
        level = below;
    }
    return nullptr;
}

// A log that is not given takes the lines nowhere.
ScriptLog orSilent(ScriptLog log)
{
    if (log)
        return log;
    return [](const QString&) {};
}

}  // namespace

ScriptRunner::ScriptRunner(std::vector<ScriptStep> steps, ScriptHost& host, ScriptLog log, ScriptLimits limits)
    : steps_(std::move(steps)), host_(host), log_(orSilent(std::move(log))), limits_(limits), answers_(log_),
      actions_(host, log_), expectations_(host, answers_, log_)
{
    stepTimer_ = new QTimer(this);
    stepTimer_->setSingleShot(true);
    limitTimer_ = new QTimer(this);
    limitTimer_->setSingleShot(true);
    connect(limitTimer_, &QTimer::timeout, this, &ScriptRunner::onTimeLimit);
}

// The watchdog stops before the answers' responders go.
ScriptRunner::~ScriptRunner() { watchdog_.stop(); }

bool ScriptRunner::start()
{
    if (started_)
        return !finished_;
    started_ = true;
    for (const ScriptStep& step : steps_) {
        if ((step.command == ScriptCommand::Mouse || step.command == ScriptCommand::ExpectMouse) &&
            host_.virtualMouse() == nullptr) {
            currentLine_ = step.line;
            log_(QStringLiteral(
                     "[%1] %2: script error: mouse commands need the virtual mouse (--virtual-mouse=R210|R240)")
                     .arg(step.line)
                     .arg(step.source));
            finish(kScriptError, QStringLiteral("end: script error at line %1").arg(step.line));
            return false;
        }
    }
    answers_.install();
    log_(QStringLiteral("script: %1 steps").arg(steps_.size()));
    limitTimer_->start(static_cast<int>(limits_.run.count()));
    watchdog_.start(limits_.run + kWatchdogGrace, kScriptFailed);
    scheduleNext();
    return true;
}

int ScriptRunner::runToEnd()
{
    if (!start())
        return exitCode_;
    if (!finished_) {
        QEventLoop loop;
        connect(this, &ScriptRunner::finished, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return exitCode_;
}

void ScriptRunner::scheduleNext(int ms)
{
    stepTimer_->disconnect();
    connect(stepTimer_, &QTimer::timeout, this, &ScriptRunner::runNext);
    stepTimer_->start(ms);
}

void ScriptRunner::runNext()
{
    if (finished_)
        return;
    if (next_ == 0 && !host_.ready()) {
        scheduleNext(kStartPollMs);
        return;
    }
    if (next_ >= steps_.size()) {
        finishNormally();
        return;
    }
    // What the window handed to the mouse reaches it before the mouse is looked at.
    if (steps_[next_].command == ScriptCommand::ExpectMouse && !host_.mouseCommandsDone()) {
        scheduleNext(kStartPollMs);
        return;
    }
    if (!running_.empty() && !running_.back().saidOpen) {
        // The step before opened a modal window: its event loop runs the steps that follow.
        running_.back().saidOpen = true;
        log_(QStringLiteral("[%1] %2: a window is open until it is closed; the next steps run in it")
                 .arg(running_.back().step->line)
                 .arg(running_.back().step->source));
    }
    const std::size_t index = next_++;
    const ScriptStep& step = steps_[index];
    currentLine_ = step.line;
    const bool waits = step.command == ScriptCommand::Wait || step.command == ScriptCommand::WaitConnected ||
                       step.command == ScriptCommand::WaitDisconnected;
    if (!waits)
        scheduleNext();  // armed before the action, so that a modal window's loop goes on
    running_.push_back({&step, false});
    const StepResult result = execute(step);
    running_.pop_back();
    if (result.outcome == Outcome::Pending) {
        stepPending_ = true;
        return;
    }
    StepResult shown = result;
    if (next_ != index + 1 && result.outcome == Outcome::Done) {
        shown.detail = QStringLiteral("its window was closed at line %1").arg(steps_[next_ - 1].line);
    }
    if (report(step, shown) && waits)
        scheduleNext();  // a wait with nothing to wait for
}

void ScriptRunner::completePending(const ScriptStep& step, const StepResult& result)
{
    stepPending_ = false;
    if (report(step, result))
        scheduleNext();
}

bool ScriptRunner::report(const ScriptStep& step, const StepResult& result)
{
    if (finished_)
        return false;
    QString line = QStringLiteral("[%1] %2: ").arg(step.line).arg(step.source);
    switch (result.outcome) {
    case Outcome::Done:
        line += QStringLiteral("ok");
        if (!result.detail.isEmpty())
            line += QStringLiteral(" (%1)").arg(result.detail);
        break;
    case Outcome::Failed:
        ++failures_;
        line += QStringLiteral("FAILED: ") + result.detail;
        break;
    case Outcome::Error:
    case Outcome::Pending:
        line += QStringLiteral("script error: ") + result.detail;
        break;
    }
    log_(line);
    if (result.outcome == Outcome::Error) {
        finish(kScriptError, QStringLiteral("end: script error at line %1").arg(step.line));
        return false;
    }
    return true;
}

void ScriptRunner::finishNormally()
{
    if (const std::size_t unused = answers_.unusedAnswers(); unused > 0) {
        ++failures_;
        log_(QStringLiteral("end: %1 queued message-box answer(s) were never used").arg(unused));
    }
    if (const std::size_t unused = answers_.unusedFiles(); unused > 0) {
        ++failures_;
        log_(QStringLiteral("end: %1 queued file-dialog answer(s) were never used").arg(unused));
    }
    if (failures_ == 0) {
        finish(kScriptPassed, QStringLiteral("end: %1 steps done, every expectation held").arg(steps_.size()));
    } else {
        finish(kScriptFailed, QStringLiteral("end: %1 steps done, %2 failed").arg(steps_.size()).arg(failures_));
    }
}

void ScriptRunner::finish(int code, const QString& summary)
{
    if (finished_)
        return;
    finished_ = true;
    exitCode_ = code;
    stepTimer_->stop();
    limitTimer_->stop();
    watchdog_.stop();
    log_(summary);
    // A modal window that the script left open is closed, so that the step that opened it
    // can return.
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
        auto* skin = qobject_cast<ui::SkinWindow*>(window);
        if (skin == nullptr || !skin->isModalRunning())
            continue;
        log_(QStringLiteral("end: the window %1 was still open; it is closed").arg(quoted(skin->getWindowClassName())));
        skin->closeWindow(0);
    }
    emit finished(code);
}

int ScriptRunner::endEarly(const QString& reason)
{
    if (finished_)
        return exitCode_;
    const std::size_t notRun = steps_.size() - next_;
    if (stepPending_) {
        finish(kScriptFailed, QStringLiteral("end: %1 during the step of line %2; %3 later step(s) were not run")
                                  .arg(reason)
                                  .arg(currentLine_)
                                  .arg(notRun));
    } else if (notRun == 0) {
        finishNormally();
    } else {
        finish(
            kScriptFailed,
            QStringLiteral("end: %1 after line %2; %3 step(s) were not run").arg(reason).arg(currentLine_).arg(notRun));
    }
    return exitCode_;
}

void ScriptRunner::onTimeLimit()
{
    finish(kScriptFailed, QStringLiteral("end: the time limit of %1 s was reached at line %2")
                              .arg(static_cast<double>(limits_.run.count()) / 1000.0)
                              .arg(currentLine_));
}

QWidget* ScriptRunner::findControl(const QString& name) const
{
    QWidget* main = host_.mainWindow();
    // Another window of the program that is shown (a dialog over the main window) first.
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
        if (window == main || !window->isVisible() || qobject_cast<ui::SkinWindow*>(window) == nullptr)
            continue;
        if (QWidget* w = findInWindow(window, name))
            return w;
    }
    return findInWindow(main, name);
}

// ---- the steps -------------------------------------------------------------------------

StepResult ScriptRunner::execute(const ScriptStep& step)
{
    QWidget* w = nullptr;
    switch (step.command) {
    case ScriptCommand::Click:
    case ScriptCommand::Check:
    case ScriptCommand::Select:
    case ScriptCommand::Slide:
    case ScriptCommand::Type:
    case ScriptCommand::Leave:
    case ScriptCommand::Hover:
    case ScriptCommand::Unhover:
    case ScriptCommand::Color:
    case ScriptCommand::Expect:
    case ScriptCommand::WaitUntil:
    case ScriptCommand::Dump:
        w = findControl(step.name);
        if (w == nullptr)
            return {Outcome::Error, QStringLiteral("no control named %1").arg(quoted(step.name))};
        break;
    default:
        break;
    }

    switch (step.command) {
    case ScriptCommand::Click:
        return actions_.click(step, w);
    case ScriptCommand::Check:
        return actions_.check(step, w);
    case ScriptCommand::Select:
        return actions_.select(step, w);
    case ScriptCommand::Slide:
        return actions_.slide(step, w);
    case ScriptCommand::Type:
        return actions_.type(step, w);
    case ScriptCommand::Leave:
        return actions_.leave(step, w);
    case ScriptCommand::Hover:
    case ScriptCommand::Unhover:
        return actions_.hover(step, w);
    case ScriptCommand::Color:
        return actions_.color(step, w);
    case ScriptCommand::Menu:
        return actions_.menu(step);
    case ScriptCommand::Tray:
        return actions_.tray(step);
    case ScriptCommand::Answer:
        answers_.queueAnswer(step.flag);
        return {Outcome::Done, QStringLiteral("queued")};
    case ScriptCommand::File:
        if (step.flag) {
            answers_.queueFile(std::nullopt);
        } else {
            answers_.queueFile(QString::fromStdString(host_.dataPath(step.text).string()));
        }
        return {Outcome::Done, QStringLiteral("queued")};
    case ScriptCommand::Key:
        return actions_.key(step);
    case ScriptCommand::Wait:
        stepTimer_->disconnect();
        connect(stepTimer_, &QTimer::timeout, this, [this, &step] { completePending(step, {}); });
        stepTimer_->start(static_cast<int>(std::min<long long>(step.number, 1LL << 30)));
        return {Outcome::Pending, {}};
    case ScriptCommand::WaitConnected:
    case ScriptCommand::WaitDisconnected:
        return waitForConnection(step);
    case ScriptCommand::Mouse:
        return actions_.mouse(step);
    case ScriptCommand::Expect:
        return expectations_.expect(step, w);
    case ScriptCommand::WaitUntil:
        return waitUntil(step);
    case ScriptCommand::ExpectFile:
        return expectations_.expectFile(step);
    case ScriptCommand::ExpectTitle:
        return expectations_.expectTitle(step);
    case ScriptCommand::ExpectMessage:
        return expectations_.expectMessage(step);
    case ScriptCommand::ExpectMouse:
        return expectations_.expectMouse(step);
    case ScriptCommand::Dump:
        return expectations_.dump(step, w);
    }
    return {Outcome::Error, QStringLiteral("command not handled")};
}

StepResult ScriptRunner::waitForConnection(const ScriptStep& step)
{
    const bool wanted = step.command == ScriptCommand::WaitConnected;
    const auto reached = [this, wanted] { return wanted ? host_.isConnected() : host_.isDisconnected(); };
    if (reached())
        return {};
    connectDeadline_ = std::chrono::steady_clock::now() + limits_.connect;
    stepTimer_->disconnect();
    connect(stepTimer_, &QTimer::timeout, this, [this, &step, wanted, reached] {
        if (reached()) {
            completePending(step, {});
        } else if (std::chrono::steady_clock::now() >= connectDeadline_) {
            completePending(
                step, {Outcome::Failed, QStringLiteral("the mouse did not %1 within %2 s")
                                            .arg(wanted ? QStringLiteral("connect") : QStringLiteral("disconnect"))
                                            .arg(static_cast<double>(limits_.connect.count()) / 1000.0)});
        } else {
            stepTimer_->start(kConnectPollMs);
        }
    });
    stepTimer_->start(kConnectPollMs);
    return {Outcome::Pending, {}};
}

StepResult ScriptRunner::waitUntil(const ScriptStep& step)
{
    // The control is looked up again each time: a window may open or close meanwhile.
    const auto check = [this, &step]() -> StepResult {
        QWidget* w = findControl(step.name);
        if (w == nullptr)
            return {Outcome::Failed, QStringLiteral("no control named %1").arg(quoted(step.name))};
        return expectations_.expect(step, w);
    };
    StepResult now = check();
    if (now.outcome != Outcome::Failed)
        return now;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(step.timeoutMs);
    stepTimer_->disconnect();
    connect(stepTimer_, &QTimer::timeout, this, [this, &step, check, deadline] {
        const StepResult r = check();
        if (r.outcome != Outcome::Failed) {
            completePending(step, r);
        } else if (std::chrono::steady_clock::now() >= deadline) {
            completePending(
                step, {Outcome::Failed, QStringLiteral("after %1 ms it still %2").arg(step.timeoutMs).arg(r.detail)});
        } else {
            stepTimer_->start(kConnectPollMs);
        }
    });
    stepTimer_->start(kConnectPollMs);
    return {Outcome::Pending, {}};
}

}  // namespace corv
