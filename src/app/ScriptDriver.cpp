#include "app/ScriptDriver.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QEnterEvent>
#include <QEventLoop>
#include <QFile>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QSlider>
#include <QStackedWidget>
#include <QSystemTrayIcon>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "app/CMainWnd.h"
#include "platform/AppPaths.h"
#include "platform/CDeviceHook.h"
#include "platform/IniFile.h"
#include "sim/VirtualMouse.h"
#include "ui/CColorPaletteUI.h"
#include "ui/CMultiColorSelectionUI.h"
#include "ui/ComboControl.h"
#include "ui/Control.h"
#include "ui/ControlKind.h"
#include "ui/FileDialog.h"
#include "ui/ListControl.h"
#include "ui/MessageBox.h"
#include "ui/SkinWindow.h"
#include "ui/SliderControl.h"
#include "ui/TabLayoutControl.h"
#include "ui/TrayIcon.h"

namespace corv {

namespace {

// How long the watchdog lets the UI thread overrun the time limit before it ends the process
// (a UI thread that is stuck cannot run the time limit's own timer).
constexpr std::chrono::seconds kWatchdogGrace{15};
constexpr int kConnectPollMs = 25;
constexpr int kStartPollMs = 10;

// One log line per entry: line breaks of the program's texts are shown as \n, and written so
// in the values that scripts expect.
QString oneLine(const QString& text)
{
    QString out = text;
    out.replace(QLatin1Char('\r'), QString());
    out.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    return out;
}

QString quoted(const QString& text) { return QLatin1Char('"') + oneLine(text) + QLatin1Char('"'); }

QString onOff(bool on) { return on ? QStringLiteral("on") : QStringLiteral("off"); }

QString kindOf(QWidget* w) { return ui::kindName(ui::kindOf(w)); }

// Why a person could not use this control now; empty when they could. A control counts as
// shown when it would be seen with its window on screen: the main window hides itself into
// the tray at start, and its controls stay usable as on the screen.
QString unusable(QWidget* w)
{
    if (w != w->window() && !w->isVisibleTo(w->window()))
        return QStringLiteral("it is hidden");
    if (!w->isEnabled())
        return QStringLiteral("it is disabled");
    if (!ui::Control(w).IsInputEnabled())
        return QStringLiteral("it takes no input");
    return QString();
}

bool shownInWindow(QWidget* w) { return w == w->window() ? w->isVisible() : w->isVisibleTo(w->window()); }

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

void sendKey(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
             const QString& text = QString())
{
    QPointer<QWidget> guard(target);
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QCoreApplication::sendEvent(target, &press);
    if (guard.isNull())
        return;
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QCoreApplication::sendEvent(target, &release);
}

// The Qt key and modifiers a person presses for one character.
std::pair<int, Qt::KeyboardModifiers> keyFor(char32_t c)
{
    if (c >= U'a' && c <= U'z')
        return {Qt::Key_A + static_cast<int>(c - U'a'), Qt::NoModifier};
    if (c >= U'A' && c <= U'Z')
        return {Qt::Key_A + static_cast<int>(c - U'A'), Qt::ShiftModifier};
    if (c >= U'0' && c <= U'9')
        return {Qt::Key_0 + static_cast<int>(c - U'0'), Qt::NoModifier};
    if (c == U' ')
        return {Qt::Key_Space, Qt::NoModifier};
    if (c < 0x80)
        return {static_cast<int>(c), Qt::NoModifier};  // punctuation: Qt's key codes are ASCII
    return {Qt::Key_unknown, Qt::NoModifier};
}

void clickAt(QWidget* target, QPoint pos)
{
    const QPointF local(pos);
    const QPointF global(target->mapToGlobal(pos));
    QMouseEvent press(QEvent::MouseButtonPress, local, local, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QPointer<QWidget> guard(target);
    QCoreApplication::sendEvent(target, &press);
    if (guard.isNull())
        return;
    QMouseEvent release(QEvent::MouseButtonRelease, local, local, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &release);
}

// The actions leading to a menu item: the submenus to open, then the item.
bool findMenuPath(QMenu* menu, const QString& name, Qt::CaseSensitivity cs, QList<QAction*>& path)
{
    const auto actions = menu->actions();
    for (QAction* action : actions) {
        if (action->isSeparator())
            continue;
        if (action->objectName().compare(name, cs) == 0) {
            path << action;
            return true;
        }
        if (QMenu* sub = action->menu()) {
            path << action;
            if (findMenuPath(sub, name, cs, path))
                return true;
            path.removeLast();
        }
    }
    return false;
}

QList<QAction*> menuPath(QMenu* menu, const QString& name)
{
    QList<QAction*> path;
    if (menu == nullptr)
        return path;
    if (!findMenuPath(menu, name, Qt::CaseSensitive, path)) {
        path.clear();
        findMenuPath(menu, name, Qt::CaseInsensitive, path);
    }
    return path;
}

QStringList menuItemNames(QMenu* menu)
{
    QStringList names;
    const auto actions = menu->actions();
    for (QAction* action : actions) {
        if (action->isSeparator())
            continue;
        names << action->objectName();
        if (action->menu() != nullptr)
            names << menuItemNames(action->menu());
    }
    return names;
}

}  // namespace

// ---- the running program -----------------------------------------------------------------

QWidget* MainWindowScriptHost::mainWindow() { return &wnd_; }

bool MainWindowScriptHost::mouseCommandsDone() { return wnd_.mouseCommands().idle(); }

bool MainWindowScriptHost::ready() { return wnd_.windowInitSent(); }

ui::TrayIcon* MainWindowScriptHost::trayIcon() { return &wnd_.trayIcon(); }

bool MainWindowScriptHost::isConnected()
{
    // Connected as a person sees it: the model shown and the stored profile applied, so
    // that the connection does not switch the page under the next steps.
    return wnd_.isPresented();
}

bool MainWindowScriptHost::isDisconnected()
{
    // A connection still being made counts too: the channel is open from the first frame on.
    return !wnd_.isPresented() && !wnd_.channel().IsOpen();
}

std::filesystem::path MainWindowScriptHost::dataFolder() { return dataFolderPath(); }

// ---- the run ---------------------------------------------------------------------------

ScriptRunner::ScriptRunner(std::vector<ScriptStep> steps, ScriptHost& host, Log log, ScriptLimits limits)
    : steps_(std::move(steps)), host_(host), log_(std::move(log)), limits_(limits)
{
    stepTimer_ = new QTimer(this);
    stepTimer_->setSingleShot(true);
    limitTimer_ = new QTimer(this);
    limitTimer_->setSingleShot(true);
    connect(limitTimer_, &QTimer::timeout, this, &ScriptRunner::onTimeLimit);
}

ScriptRunner::~ScriptRunner()
{
    stopWatchdog();
    if (respondersInstalled_) {
        ui::SetMessageBoxResponder(nullptr);
        ui::SetFileDialogResponder(nullptr);
    }
}

void ScriptRunner::log(const QString& line) const
{
    if (log_)
        log_(line);
}

bool ScriptRunner::start()
{
    if (started_)
        return !finished_;
    started_ = true;
    for (const ScriptStep& step : steps_) {
        if ((step.command == ScriptCommand::Mouse || step.command == ScriptCommand::ExpectMouse) &&
            host_.virtualMouse() == nullptr) {
            currentLine_ = step.line;
            log(QStringLiteral(
                    "[%1] %2: script error: mouse commands need the virtual mouse (--virtual-mouse=R210|R240)")
                    .arg(step.line)
                    .arg(step.source));
            finish(kScriptError, QStringLiteral("end: script error at line %1").arg(step.line));
            return false;
        }
    }
    ui::SetMessageBoxResponder([this](const ui::MessageBoxRequest& r) { return answerMessageBox(r.shownText); });
    ui::SetFileDialogResponder([this](const ui::FileDialogRequest& r) {
        return answerFileDialog(r.kind == ui::FileDialogRequest::Kind::Save, r.title);
    });
    respondersInstalled_ = true;
    log(QStringLiteral("script: %1 steps").arg(steps_.size()));
    limitTimer_->start(static_cast<int>(limits_.run.count()));
    startWatchdog();
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
        log(QStringLiteral("[%1] %2: a window is open until it is closed; the next steps run in it")
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
    const Result result = execute(step);
    running_.pop_back();
    if (result.outcome == Outcome::Pending) {
        stepPending_ = true;
        return;
    }
    Result shown = result;
    if (next_ != index + 1 && result.outcome == Outcome::Done) {
        shown.detail = QStringLiteral("its window was closed at line %1").arg(steps_[next_ - 1].line);
    }
    if (report(step, shown) && waits)
        scheduleNext();  // a wait with nothing to wait for
}

void ScriptRunner::completePending(const ScriptStep& step, const Result& result)
{
    stepPending_ = false;
    if (report(step, result))
        scheduleNext();
}

bool ScriptRunner::report(const ScriptStep& step, const Result& result)
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
    log(line);
    if (result.outcome == Outcome::Error) {
        finish(kScriptError, QStringLiteral("end: script error at line %1").arg(step.line));
        return false;
    }
    return true;
}

void ScriptRunner::finishNormally()
{
    if (!answers_.empty()) {
        ++failures_;
        log(QStringLiteral("end: %1 queued message-box answer(s) were never used").arg(answers_.size()));
    }
    if (!files_.empty()) {
        ++failures_;
        log(QStringLiteral("end: %1 queued file-dialog answer(s) were never used").arg(files_.size()));
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
    stopWatchdog();
    log(summary);
    // A modal window that the script left open is closed, so that the step that opened it
    // can return.
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
        auto* skin = qobject_cast<ui::SkinWindow*>(window);
        if (skin == nullptr || !skin->IsModalRunning())
            continue;
        log(QStringLiteral("end: the window %1 was still open; it is closed").arg(quoted(skin->GetWindowClassName())));
        skin->Close(0);
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

void ScriptRunner::startWatchdog()
{
    const auto limit = limits_.run + kWatchdogGrace;
    watchdog_ = std::thread([this, limit] {
        std::unique_lock lock(watchdogMutex_);
        if (watchdogCv_.wait_for(lock, limit, [this] { return watchdogStop_; }))
            return;
        std::fputs("end: the program stopped responding; the run is ended\n", stdout);
        std::fflush(stdout);
        std::_Exit(kScriptFailed);
    });
}

void ScriptRunner::stopWatchdog()
{
    {
        std::lock_guard lock(watchdogMutex_);
        watchdogStop_ = true;
    }
    watchdogCv_.notify_all();
    if (watchdog_.joinable())
        watchdog_.join();
}

// ---- answers ---------------------------------------------------------------------------

QString ScriptRunner::answerMessageBox(const QString& text)
{
    log(QStringLiteral("message: ") + oneLine(text));
    lastMessage_ = text;
    bool confirm = false;
    if (answers_.empty()) {
        log(QStringLiteral("answer: 0 (no answer was queued)"));
    } else {
        confirm = answers_.front();
        answers_.pop_front();
        log(QStringLiteral("answer: %1").arg(confirm ? 1 : 0));
    }
    return confirm ? QStringLiteral("confirm_btn") : QStringLiteral("cancel_btn");
}

std::optional<QString> ScriptRunner::answerFileDialog(bool save, const QString& title)
{
    const QString head =
        QStringLiteral("file dialog: %1 %2").arg(save ? QStringLiteral("save") : QStringLiteral("open"), quoted(title));
    if (files_.empty()) {
        log(head + QStringLiteral(": cancelled (no answer was queued)"));
        return std::nullopt;
    }
    std::optional<QString> answer = files_.front();
    files_.pop_front();
    log(head + (answer ? QStringLiteral(": ") + *answer : QStringLiteral(": cancelled")));
    return answer;
}

std::filesystem::path ScriptRunner::resolvePath(const QString& path) const
{
    const std::filesystem::path p(path.toStdString());
    return p.is_absolute() ? p : host_.dataFolder() / p;
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

ScriptRunner::Result ScriptRunner::execute(const ScriptStep& step)
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
        return doClick(step, w);
    case ScriptCommand::Check:
        return doCheck(step, w);
    case ScriptCommand::Select:
        return doSelect(step, w);
    case ScriptCommand::Slide:
        return doSlide(step, w);
    case ScriptCommand::Type:
        return doType(step, w);
    case ScriptCommand::Leave:
        return doLeave(step, w);
    case ScriptCommand::Hover:
    case ScriptCommand::Unhover:
        return doHover(step, w);
    case ScriptCommand::Color:
        return doColor(step, w);
    case ScriptCommand::Menu:
        return doMenu(step);
    case ScriptCommand::Tray:
        return doTray(step);
    case ScriptCommand::Answer:
        answers_.push_back(step.flag);
        return {Outcome::Done, QStringLiteral("queued")};
    case ScriptCommand::File:
        if (step.flag) {
            files_.emplace_back(std::nullopt);
        } else {
            files_.emplace_back(QString::fromStdString(resolvePath(step.text).string()));
        }
        return {Outcome::Done, QStringLiteral("queued")};
    case ScriptCommand::Key:
        return doKey(step);
    case ScriptCommand::Wait:
        stepTimer_->disconnect();
        connect(stepTimer_, &QTimer::timeout, this, [this, &step] { completePending(step, {}); });
        stepTimer_->start(static_cast<int>(std::min<long long>(step.number, 1LL << 30)));
        return {Outcome::Pending, {}};
    case ScriptCommand::WaitConnected:
    case ScriptCommand::WaitDisconnected:
        return doWaitConnected(step);
    case ScriptCommand::Mouse:
        return doMouse(step);
    case ScriptCommand::Expect:
        return doExpect(step, w);
    case ScriptCommand::WaitUntil:
        return doWaitUntil(step);
    case ScriptCommand::ExpectFile:
        return doExpectFile(step);
    case ScriptCommand::ExpectTitle: {
        const QString title = host_.mainWindow()->windowTitle();
        if (oneLine(title) == step.text)
            return {};
        return {Outcome::Failed, QStringLiteral("the title is %1").arg(quoted(title))};
    }
    case ScriptCommand::ExpectMessage: {
        if (!lastMessage_)
            return {Outcome::Failed, QStringLiteral("no message box was shown since the last expect-message")};
        const QString shown = *lastMessage_;
        lastMessage_.reset();
        if (oneLine(shown) == step.text)
            return {};
        return {Outcome::Failed, QStringLiteral("the last message box said %1").arg(quoted(shown))};
    }
    case ScriptCommand::ExpectMouse:
        return doExpectMouse(step);
    case ScriptCommand::Dump:
        return doDump(step, w);
    }
    return {Outcome::Error, QStringLiteral("command not handled")};
}

ScriptRunner::Result ScriptRunner::doClick(const ScriptStep& step, QWidget* w)
{
    auto* button = qobject_cast<QAbstractButton*>(w);
    if (button == nullptr)
        return {Outcome::Error,
                QStringLiteral("%1 is a %2; click needs a button or an option").arg(step.name, kindOf(w))};
    if (const QString why = unusable(w); !why.isEmpty())
        return {Outcome::Failed, QStringLiteral("cannot click %1: %2").arg(step.name, why)};
    button->click();
    return {};
}

ScriptRunner::Result ScriptRunner::doCheck(const ScriptStep& step, QWidget* w)
{
    auto* button = qobject_cast<QAbstractButton*>(w);
    if (button == nullptr || !button->isCheckable()) {
        return {Outcome::Error,
                QStringLiteral("%1 is a %2; check needs an option or a check box").arg(step.name, kindOf(w))};
    }
    if (button->isChecked() == step.flag)
        return {Outcome::Done, QStringLiteral("already %1").arg(onOff(step.flag))};
    if (const QString why = unusable(w); !why.isEmpty())
        return {Outcome::Failed, QStringLiteral("cannot click %1: %2").arg(step.name, why)};
    QPointer<QAbstractButton> guard(button);
    button->click();
    if (guard.isNull())
        return {};
    if (button->isChecked() != step.flag)
        return {Outcome::Failed, QStringLiteral("%1 stays %2 when clicked").arg(step.name, onOff(!step.flag))};
    return {};
}

ScriptRunner::Result ScriptRunner::doSelect(const ScriptStep& step, QWidget* w)
{
    auto* combo = qobject_cast<QComboBox*>(w);
    auto* list = qobject_cast<QListWidget*>(w);
    if (combo == nullptr && list == nullptr) {
        return {Outcome::Error, QStringLiteral("%1 is a %2; select needs a combo or a list").arg(step.name, kindOf(w))};
    }
    if (const QString why = unusable(w); !why.isEmpty())
        return {Outcome::Failed, QStringLiteral("cannot use %1: %2").arg(step.name, why)};
    const int count = combo != nullptr ? combo->count() : list->count();
    if (step.number < 0 || step.number >= count) {
        return {Outcome::Failed,
                QStringLiteral("%1 has no item %2 (it has %3)").arg(step.name).arg(step.number).arg(count)};
    }
    const int index = static_cast<int>(step.number);
    if (combo != nullptr) {
        // Open the list, point at the item and take it, as with the keyboard in the pop-up.
        const QModelIndex item = combo->model()->index(index, combo->modelColumn(), combo->rootModelIndex());
        if (!item.flags().testFlag(Qt::ItemIsEnabled))
            return {Outcome::Failed, QStringLiteral("item %1 of %2 is disabled").arg(index).arg(step.name)};
        QPointer<QComboBox> guard(combo);
        combo->showPopup();
        QAbstractItemView* view = combo->view();
        view->setCurrentIndex(item);
        QKeyEvent shortcut(QEvent::ShortcutOverride, Qt::Key_Return, Qt::NoModifier);
        QCoreApplication::sendEvent(view, &shortcut);
        if (!guard.isNull() && view->isVisible())
            sendKey(view, Qt::Key_Return);
        if (guard.isNull())
            return {};
        if (view->isVisible())
            combo->hidePopup();
        if (combo->currentIndex() != index) {
            return {Outcome::Failed,
                    QStringLiteral("%1 shows item %2 after the choice").arg(step.name).arg(combo->currentIndex())};
        }
        return {};
    }
    QListWidgetItem* item = list->item(index);
    if (!item->flags().testFlag(Qt::ItemIsEnabled))
        return {Outcome::Failed, QStringLiteral("item %1 of %2 is disabled").arg(index).arg(step.name)};
    list->scrollToItem(item);
    const QRect rect = list->visualItemRect(item);
    if (!rect.isValid() || !list->viewport()->rect().contains(rect.center())) {
        return {Outcome::Failed,
                QStringLiteral("item %1 of %2 cannot be reached with the pointer").arg(index).arg(step.name)};
    }
    QPointer<QListWidget> guard(list);
    clickAt(list->viewport(), rect.center());
    if (guard.isNull())
        return {};
    if (list->currentRow() != index) {
        return {Outcome::Failed,
                QStringLiteral("%1 shows row %2 after the click").arg(step.name).arg(list->currentRow())};
    }
    return {};
}

ScriptRunner::Result ScriptRunner::doSlide(const ScriptStep& step, QWidget* w)
{
    auto* slider = qobject_cast<QSlider*>(w);
    if (slider == nullptr)
        return {Outcome::Error, QStringLiteral("%1 is a %2; slide needs a slider").arg(step.name, kindOf(w))};
    if (const QString why = unusable(w); !why.isEmpty())
        return {Outcome::Failed, QStringLiteral("cannot drag %1: %2").arg(step.name, why)};
    // The handle is pressed, dragged and released: a drag past an end stops at the end.
    const int target = static_cast<int>(std::clamp<long long>(step.number, slider->minimum(), slider->maximum()));
    QPointer<QSlider> guard(slider);
    // Whether the handle got there: the program may then move it on (a slider of levels).
    bool reached = slider->value() == target;
    const QMetaObject::Connection watch =
        connect(slider, &QSlider::valueChanged, this, [&reached, target](int v) { reached = reached || v == target; });
    slider->setSliderDown(true);
    if (!guard.isNull())
        slider->setSliderPosition(target);
    if (!guard.isNull())
        slider->setSliderDown(false);
    disconnect(watch);
    if (guard.isNull())
        return {};
    if (slider->value() != target) {
        if (!reached)
            return {Outcome::Failed, QStringLiteral("%1 is at %2 after the drag").arg(step.name).arg(slider->value())};
        return {Outcome::Done, QStringLiteral("the program moved it to %1").arg(slider->value())};
    }
    return target == step.number ? Result{} : Result{Outcome::Done, QStringLiteral("stopped at %1").arg(target)};
}

ScriptRunner::Result ScriptRunner::doType(const ScriptStep& step, QWidget* w)
{
    auto* edit = qobject_cast<QLineEdit*>(w);
    if (edit == nullptr)
        return {Outcome::Error, QStringLiteral("%1 is a %2; type needs an edit").arg(step.name, kindOf(w))};
    if (const QString why = unusable(w); !why.isEmpty())
        return {Outcome::Failed, QStringLiteral("cannot type into %1: %2").arg(step.name, why)};
    if (edit->isReadOnly())
        return {Outcome::Failed, QStringLiteral("cannot type into %1: it is read-only").arg(step.name)};
    QPointer<QLineEdit> guard(edit);
    // Click into the edit, select all of it, and type over the selection.
    edit->setFocus(Qt::MouseFocusReason);
    sendKey(edit, Qt::Key_A, Qt::ControlModifier);
    if (step.text.isEmpty()) {
        if (!guard.isNull() && !edit->text().isEmpty())
            sendKey(edit, Qt::Key_Backspace);
    } else {
        const auto codePoints = step.text.toUcs4();
        for (const char32_t c : codePoints) {
            if (guard.isNull())
                break;
            const auto [key, modifiers] = keyFor(c);
            sendKey(edit, key, modifiers, QString::fromUcs4(&c, 1));
        }
    }
    if (guard.isNull())
        return {};
    if (edit->text() != step.text)
        return {Outcome::Done, QStringLiteral("the edit shows %1").arg(quoted(edit->text()))};
    return {};
}

ScriptRunner::Result ScriptRunner::doLeave(const ScriptStep& step, QWidget* w)
{
    auto* edit = qobject_cast<QLineEdit*>(w);
    if (edit == nullptr)
        return {Outcome::Error, QStringLiteral("%1 is a %2; leave needs an edit").arg(step.name, kindOf(w))};
    if (edit->hasFocus()) {
        edit->clearFocus();  // the focus goes elsewhere: Qt sends the focus-out itself
        return {};
    }
    if (edit->window()->focusWidget() != edit)
        return {Outcome::Done, QStringLiteral("it did not have the focus")};
    // The window is not the active one (hidden into the tray, or offscreen): the edit has the
    // window's focus without the application's, so the focus-out is delivered to it here.
    QFocusEvent out(QEvent::FocusOut, Qt::MouseFocusReason);
    QPointer<QLineEdit> guard(edit);
    QCoreApplication::sendEvent(edit, &out);
    if (!guard.isNull())
        edit->clearFocus();
    return {};
}

ScriptRunner::Result ScriptRunner::doHover(const ScriptStep& step, QWidget* w)
{
    if (step.command == ScriptCommand::Hover) {
        if (const QString why = unusable(w); !why.isEmpty())
            return {Outcome::Failed, QStringLiteral("cannot point at %1: %2").arg(step.name, why)};
        const QPointF local(w->rect().center());
        QEnterEvent enter(local, local, QPointF(w->mapToGlobal(local.toPoint())));
        QCoreApplication::sendEvent(w, &enter);
    } else {
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(w, &leave);
    }
    return {};
}

ScriptRunner::Result ScriptRunner::doColor(const ScriptStep& step, QWidget* w)
{
    auto* palette = qobject_cast<ui::CColorPaletteUI*>(w);
    if (palette == nullptr)
        return {Outcome::Error, QStringLiteral("%1 is a %2; color needs a colour palette").arg(step.name, kindOf(w))};
    if (const QString why = unusable(w); !why.isEmpty())
        return {Outcome::Failed, QStringLiteral("cannot pick in %1: %2").arg(step.name, why)};
    QPointer<ui::CColorPaletteUI> guard(palette);
    palette->PickColor(static_cast<std::uint32_t>(step.number));
    if (guard.isNull())
        return {};
    const std::uint32_t shown = palette->GetSelectColor();
    if (shown != static_cast<std::uint32_t>(step.number))
        return {Outcome::Done, QStringLiteral("the palette shows %1").arg(colourText(shown))};
    return {};
}

ScriptRunner::Result ScriptRunner::doMenu(const ScriptStep& step)
{
    QMenu* open = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ui::TrayIcon* tray = host_.trayIcon();
    QMenu* trayMenu = tray != nullptr && tray->IsCreated() ? tray->ContextMenu() : nullptr;
    if (open == nullptr && trayMenu == nullptr)
        return {Outcome::Failed, QStringLiteral("no menu is open and there is no tray menu")};

    QMenu* menu = open;
    QList<QAction*> path = menuPath(open, step.name);
    if (path.isEmpty() && trayMenu != nullptr && trayMenu != open) {
        if (open != nullptr)
            open->close();  // the person closes the open menu first
        menu = trayMenu;
        path = menuPath(trayMenu, step.name);
    }
    if (path.isEmpty()) {
        QMenu* shown = menu != nullptr ? menu : trayMenu;
        return {Outcome::Error, QStringLiteral("the menu has no item %1 (its items: %2)")
                                    .arg(quoted(step.name), menuItemNames(shown).join(QStringLiteral(", ")))};
    }
    QPointer<QMenu> current(menu);
    if (!current->isVisible())
        current->popup(QCursor::pos());  // the tray's right click
    for (QAction* action : std::as_const(path)) {
        if (!action->isVisible() || !action->isEnabled()) {
            if (current)
                current->close();
            return {Outcome::Failed,
                    QStringLiteral("the menu item %1 is %2")
                        .arg(quoted(action->objectName()),
                             action->isVisible() ? QStringLiteral("disabled") : QStringLiteral("hidden"))};
        }
        QPointer<QMenu> submenu(action->menu());
        current->setActiveAction(action);
        sendKey(current, Qt::Key_Return);  // opens a submenu, or chooses the item
        if (submenu.isNull())
            break;
        current = submenu;
        if (current.isNull())
            break;
    }
    return {};
}

ScriptRunner::Result ScriptRunner::doTray(const ScriptStep& step)
{
    ui::TrayIcon* tray = host_.trayIcon();
    if (tray == nullptr || !tray->IsCreated())
        return {Outcome::Failed, QStringLiteral("there is no tray icon")};
    tray->ClickIcon(step.flag ? ui::TrayIcon::Click::Left : ui::TrayIcon::Click::Right);
    if (!step.flag) {
        QMenu* menu = tray->ContextMenu();
        if (menu == nullptr)
            return {Outcome::Done, QStringLiteral("the tray has no menu")};
        if (!menu->isVisible())
            return {Outcome::Failed, QStringLiteral("the tray menu did not open")};
    }
    return {};
}

ScriptRunner::Result ScriptRunner::doKey(const ScriptStep& step)
{
    KeyEvent key;
    key.vk = static_cast<std::uint16_t>(step.number);
    key.down = step.flag;
    if (!CDeviceHook::Deliver(key)) {
        log(QStringLiteral("key: no keyboard capture is active"));
        return {};
    }
    return {};
}

ScriptRunner::Result ScriptRunner::doWaitConnected(const ScriptStep& step)
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

ScriptRunner::Result ScriptRunner::doMouse(const ScriptStep& step)
{
    sim::VirtualMouse* mouse = host_.virtualMouse();
    if (mouse == nullptr)
        return {Outcome::Error, QStringLiteral("mouse commands need the virtual mouse")};
    switch (step.mouse) {
    case MouseAction::DpiButton:
        if (!mouse->pressDpiButton())
            return {Outcome::Failed, QStringLiteral("the mouse is unplugged")};
        return {Outcome::Done, QStringLiteral("stage %1").arg(mouse->currentStage())};
    case MouseAction::Reset:
        if (!mouse->restoreDefaultsAtMouse())
            return {Outcome::Failed, QStringLiteral("the mouse is unplugged")};
        return {};
    case MouseAction::Unplug:
        if (!mouse->isPlugged())
            return {Outcome::Done, QStringLiteral("it was unplugged already")};
        mouse->unplug();
        return {};
    case MouseAction::Replug:
        if (mouse->isPlugged())
            return {Outcome::Done, QStringLiteral("it was plugged in already")};
        mouse->plug();
        return {};
    case MouseAction::CalibrationOk:
        mouse->setNextCalibrationOutcome(true);
        return {};
    case MouseAction::CalibrationFail:
        mouse->setNextCalibrationOutcome(false);
        return {};
    }
    return {};
}

ScriptRunner::Result ScriptRunner::doWaitUntil(const ScriptStep& step)
{
    // The control is looked up again each time: a window may open or close meanwhile.
    const auto check = [this, &step]() -> Result {
        QWidget* w = findControl(step.name);
        if (w == nullptr)
            return {Outcome::Failed, QStringLiteral("no control named %1").arg(quoted(step.name))};
        return doExpect(step, w);
    };
    Result now = check();
    if (now.outcome != Outcome::Failed)
        return now;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(step.timeoutMs);
    stepTimer_->disconnect();
    connect(stepTimer_, &QTimer::timeout, this, [this, &step, check, deadline] {
        const Result r = check();
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

ScriptRunner::Result ScriptRunner::doExpect(const ScriptStep& step, QWidget* w)
{
    const QString property = propertyName(step.property);
    auto notFor = [&] {
        return Result{Outcome::Error,
                      QStringLiteral("%1 is a %2, which has no %3").arg(step.name, kindOf(w), property)};
    };
    auto isText = [&](const QString& actual) {
        return oneLine(actual) == step.text ? Result{}
                                            : Result{Outcome::Failed, QStringLiteral("is %1").arg(quoted(actual))};
    };
    auto isNumber = [&](long long actual) {
        return actual == step.number ? Result{} : Result{Outcome::Failed, QStringLiteral("is %1").arg(actual)};
    };
    auto isOnOff = [&](bool actual) {
        return actual == step.flag ? Result{} : Result{Outcome::Failed, QStringLiteral("is %1").arg(onOff(actual))};
    };
    auto isColour = [&](std::uint32_t actual) {
        return actual == static_cast<std::uint32_t>(step.number)
                   ? Result{}
                   : Result{Outcome::Failed, QStringLiteral("is %1").arg(colourText(actual))};
    };
    auto* combo = qobject_cast<QComboBox*>(w);
    auto* list = qobject_cast<QListWidget*>(w);
    auto* tabs = qobject_cast<QStackedWidget*>(w);
    const ui::Control control(w);

    switch (step.property) {
    case ScriptProperty::Text:
        return isText(control.GetText());
    case ScriptProperty::Value:
        if (!ui::isKind(w, ui::ControlKind::Progress))
            return notFor();
        return isNumber(ui::SliderControl(control).GetValue());
    case ScriptProperty::Selected: {
        auto* button = qobject_cast<QAbstractButton*>(w);
        if (button == nullptr || !button->isCheckable())
            return notFor();
        return isOnOff(button->isChecked());
    }
    case ScriptProperty::Visible:
        return isOnOff(shownInWindow(w));
    case ScriptProperty::Enabled:
        return isOnOff(w->isEnabled());
    case ScriptProperty::Index:
        if (combo != nullptr)
            return isNumber(combo->currentIndex());
        if (list != nullptr)
            return isNumber(list->currentRow());
        return notFor();
    case ScriptProperty::Count:
        if (combo != nullptr)
            return isNumber(combo->count());
        if (list != nullptr)
            return isNumber(list->count());
        if (tabs != nullptr)
            return isNumber(tabs->count());
        if (auto* bars = qobject_cast<ui::CMultiColorSelectionUI*>(w))
            return isNumber(bars->GetBarsCount());
        return notFor();
    case ScriptProperty::BkImage:
        return isText(control.GetBkImage());
    case ScriptProperty::BkColor:
        return isColour(control.GetBkColor());
    case ScriptProperty::Page:
        if (tabs == nullptr)
            return notFor();
        return isNumber(tabs->currentIndex());
    case ScriptProperty::ItemText:
    case ScriptProperty::UserData: {
        const bool text = step.property == ScriptProperty::ItemText;
        if (!text && step.item < 0)
            return isText(control.GetUserData());
        if (combo == nullptr && list == nullptr)
            return notFor();
        const int count = combo != nullptr ? combo->count() : list->count();
        if (step.item >= count)
            return {Outcome::Failed,
                    QStringLiteral("%1 has no item %2 (it has %3)").arg(step.name).arg(step.item).arg(count)};
        if (combo != nullptr) {
            const ui::ComboControl c(control);
            return isText(text ? c.GetItemText(step.item) : c.GetItemUserData(step.item));
        }
        const ui::ListControl l(control);
        return isText(text ? l.GetItemText(step.item) : l.GetItemUserData(step.item));
    }
    case ScriptProperty::Color: {
        auto* palette = qobject_cast<ui::CColorPaletteUI*>(w);
        if (palette == nullptr)
            return notFor();
        return isColour(palette->GetSelectColor());
    }
    }
    return notFor();
}

ScriptRunner::Result ScriptRunner::doExpectFile(const ScriptStep& step)
{
    const std::filesystem::path file = resolvePath(step.name);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) {
        return {Outcome::Failed, QStringLiteral("there is no file %1").arg(QString::fromStdString(file.string()))};
    }
    static constexpr const char* kMissing = "\x01(missing)\x01";
    const std::string value = ini::readString(file, step.section.toStdString(), step.key.toStdString(), kMissing);
    if (value == kMissing)
        return {Outcome::Failed, QStringLiteral("[%1] has no key %2").arg(step.section, step.key)};
    const QString actual = QString::fromStdString(value);
    if (actual == step.text)
        return {};
    return {Outcome::Failed, QStringLiteral("is %1").arg(quoted(actual))};
}

ScriptRunner::Result ScriptRunner::doExpectMouse(const ScriptStep& step)
{
    sim::VirtualMouse* mouse = host_.virtualMouse();
    if (mouse == nullptr)
        return {Outcome::Error, QStringLiteral("mouse commands need the virtual mouse")};
    const sim::MemoryArea area = step.area == MouseArea::Settings  ? sim::MemoryArea::Settings
                                 : step.area == MouseArea::Buttons ? sim::MemoryArea::Buttons
                                                                   : sim::MemoryArea::Colors;
    std::vector<std::uint8_t> actual(step.bytes.size());
    if (!mouse->readMemory(area, static_cast<std::size_t>(step.number), actual)) {
        return {Outcome::Failed, QStringLiteral("the area holds %1 bytes").arg(mouse->areaSize(area))};
    }
    if (std::equal(actual.begin(), actual.end(), step.bytes.begin()))
        return {};
    QStringList found;
    for (const std::uint8_t b : actual)
        found << QString::number(b);
    return {Outcome::Failed, QStringLiteral("holds %1").arg(found.join(QLatin1Char(' ')))};
}

ScriptRunner::Result ScriptRunner::doDump(const ScriptStep& step, QWidget* w)
{
    const ui::Control control(w);
    QStringList parts;
    parts << QStringLiteral("kind=%1").arg(kindOf(w)) << QStringLiteral("visible=%1").arg(onOff(shownInWindow(w)))
          << QStringLiteral("enabled=%1").arg(onOff(w->isEnabled()));
    if (!control.IsInputEnabled())
        parts << QStringLiteral("input=off");
    const QString text = control.GetText();
    if (!text.isEmpty())
        parts << QStringLiteral("text=%1").arg(quoted(text));
    if (auto* button = qobject_cast<QAbstractButton*>(w); button != nullptr && button->isCheckable()) {
        parts << QStringLiteral("selected=%1").arg(onOff(button->isChecked()));
        const QString group = w->property("group").toString();
        if (!group.isEmpty())
            parts << QStringLiteral("group=%1").arg(group);
    }
    if (ui::isKind(w, ui::ControlKind::Progress)) {
        const ui::SliderControl s(control);
        parts << QStringLiteral("value=%1 range=%2..%3").arg(s.GetValue()).arg(s.GetMinValue()).arg(s.GetMaxValue());
    }
    if (auto* tabs = qobject_cast<QStackedWidget*>(w))
        parts << QStringLiteral("page=%1 count=%2").arg(tabs->currentIndex()).arg(tabs->count());
    auto items = [&](int count, int current, const std::function<QString(int)>& itemText,
                     const std::function<QString(int)>& itemData) {
        parts << QStringLiteral("index=%1 count=%2").arg(current).arg(count);
        for (int i = 0; i < count; ++i)
            parts << QStringLiteral("item%1=%2|%3").arg(i).arg(quoted(itemText(i)), quoted(itemData(i)));
    };
    if (qobject_cast<QComboBox*>(w) != nullptr) {
        const ui::ComboControl c(control);
        items(
            c.GetCount(), c.GetCurSel(), [&](int i) { return c.GetItemText(i); },
            [&](int i) { return c.GetItemUserData(i); });
    }
    if (qobject_cast<QListWidget*>(w) != nullptr) {
        const ui::ListControl l(control);
        items(
            l.GetCount(), l.GetCurSel(), [&](int i) { return l.GetItemText(i); },
            [&](int i) { return l.GetItemUserData(i); });
    }
    if (auto* edit = qobject_cast<QLineEdit*>(w); edit != nullptr && edit->isReadOnly())
        parts << QStringLiteral("read-only");
    if (auto* palette = qobject_cast<ui::CColorPaletteUI*>(w))
        parts << QStringLiteral("color=%1").arg(colourText(palette->GetSelectColor()));
    if (const QString bk = control.GetBkImage(); !bk.isEmpty())
        parts << QStringLiteral("bkimage=%1").arg(quoted(bk));
    if (const std::uint32_t c = control.GetBkColor(); c != 0)
        parts << QStringLiteral("bkcolor=%1").arg(colourText(c));
    if (const QString data = control.GetUserData(); !data.isEmpty())
        parts << QStringLiteral("userdata=%1").arg(quoted(data));
    log(QStringLiteral("dump %1: %2").arg(step.name, parts.join(QLatin1Char(' '))));
    return {};
}

// ---- start-up ------------------------------------------------------------------------------

std::optional<std::vector<ScriptStep>> loadScriptFile(const std::string& path, const ScriptRunner::Log& log)
{
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) {
        log(QStringLiteral("script error: cannot read the script %1").arg(QString::fromStdString(path)));
        log(QStringLiteral("end: script error at line 0"));
        return std::nullopt;
    }
    ParsedScript parsed = parseScript(QString::fromUtf8(file.readAll()));
    if (parsed.error) {
        log(QStringLiteral("script error at line %1: %2").arg(parsed.error->line).arg(parsed.error->message));
        log(QStringLiteral("end: script error at line %1").arg(parsed.error->line));
        return std::nullopt;
    }
    return std::move(parsed.steps);
}

void prepareScriptedRun(const ScriptRunner::Log& log)
{
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        ui::TrayIcon::SetAvailabilityOverride(true);
        log(QStringLiteral("script: the desktop has no system tray; a tray without an icon stands in for it"));
    }
}

ScriptRunner::Log standardOutputLog()
{
    return [](const QString& line) {
        std::fputs(line.toUtf8().constData(), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    };
}

}  // namespace corv
