#pragma once
// The script driver: runs the steps of a parsed script (app/ScriptParser.h) against the
// program's windows as a person would use them, and logs one line per step. The language
// and the log are described in docs/script-driver.md.
//
// Every action goes through the widget itself (a button's click(), a combo's pop-up list, the
// slider's drag, key events into an edit), so the notifications reach the window exactly as
// they do for a person. Message boxes and file dialogs are answered from the queues that
// `answer` and `file` fill. Steps run on the UI thread, one per turn of the event loop; an
// action that opens a modal window lets the following steps run in that window's loop.
#include <QObject>
#include <QPointer>
#include <QString>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/ScriptParser.h"

class QMenu;
class QTimer;
class QWidget;

namespace corv {

class CMainWnd;
namespace sim {
class VirtualMouse;
}
namespace ui {
class TrayIcon;
}

// Exit codes of a scripted run.
inline constexpr int kScriptPassed = 0;  // every step done, every expectation held
inline constexpr int kScriptFailed = 1;  // an expectation or an action failed, or the time limit
inline constexpr int kScriptError = 2;   // the script itself is wrong (syntax, unknown control, ...)

// What a script runs against.
class ScriptHost {
public:
    virtual ~ScriptHost() = default;
    // The main window: control names are looked up in it (after the other shown windows).
    virtual QWidget* mainWindow() = 0;
    // Whether the program has finished starting (the first step waits for it).
    virtual bool ready() = 0;
    virtual ui::TrayIcon* trayIcon() = 0;  // null when there is none
    virtual bool isConnected() = 0;
    // No link to the mouse at all: not connected, and no connection being made.
    virtual bool isDisconnected() { return !isConnected(); }
    virtual sim::VirtualMouse* virtualMouse() = 0;  // null on the hardware
    // Whether every command the window handed to the mouse has been carried out.
    virtual bool mouseCommandsDone() { return true; }
    virtual std::filesystem::path dataFolder() = 0;
};

// The running program.
class MainWindowScriptHost : public ScriptHost {
public:
    MainWindowScriptHost(CMainWnd& wnd, sim::VirtualMouse* mouse) : wnd_(wnd), mouse_(mouse) { }
    QWidget* mainWindow() override;
    bool ready() override;
    ui::TrayIcon* trayIcon() override;
    bool isConnected() override;
    bool isDisconnected() override;
    sim::VirtualMouse* virtualMouse() override { return mouse_; }
    bool mouseCommandsDone() override;
    std::filesystem::path dataFolder() override;

private:
    CMainWnd& wnd_;
    sim::VirtualMouse* mouse_;
};

struct ScriptLimits {
    std::chrono::milliseconds run{120000};     // the whole run; then it ends with exit code 1
    std::chrono::milliseconds connect{10000};  // wait-connected, wait-disconnected
};

class ScriptRunner : public QObject {
    Q_OBJECT
public:
    using Log = std::function<void(const QString& line)>;

    ScriptRunner(std::vector<ScriptStep> steps, ScriptHost& host, Log log, ScriptLimits limits = {});
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
    enum class Outcome { Done, Failed, Error, Pending };
    struct Result {
        Outcome outcome = Outcome::Done;
        QString detail;
    };

    void runNext();
    // Logs a step's result; false when the run has ended (a script error, or it had ended).
    bool report(const ScriptStep& step, const Result& result);
    // The end of a step that went on over several turns (wait, wait-connected).
    void completePending(const ScriptStep& step, const Result& result);
    Result doWaitUntil(const ScriptStep& step);
    void scheduleNext(int ms = 0);
    void finish(int code, const QString& summary);
    void finishNormally();
    void onTimeLimit();
    void startWatchdog();
    void stopWatchdog();
    void log(const QString& line) const;

    Result execute(const ScriptStep& step);
    Result doClick(const ScriptStep& step, QWidget* w);
    Result doCheck(const ScriptStep& step, QWidget* w);
    Result doSelect(const ScriptStep& step, QWidget* w);
    Result doSlide(const ScriptStep& step, QWidget* w);
    Result doType(const ScriptStep& step, QWidget* w);
    Result doLeave(const ScriptStep& step, QWidget* w);
    Result doHover(const ScriptStep& step, QWidget* w);
    Result doColor(const ScriptStep& step, QWidget* w);
    Result doMenu(const ScriptStep& step);
    Result doTray(const ScriptStep& step);
    Result doKey(const ScriptStep& step);
    Result doWaitConnected(const ScriptStep& step);
    Result doMouse(const ScriptStep& step);
    Result doExpect(const ScriptStep& step, QWidget* w);
    Result doExpectFile(const ScriptStep& step);
    Result doExpectMouse(const ScriptStep& step);
    Result doDump(const ScriptStep& step, QWidget* w);

    QWidget* findControl(const QString& name) const;
    std::filesystem::path resolvePath(const QString& path) const;
    QString answerMessageBox(const QString& text);
    std::optional<QString> answerFileDialog(bool save, const QString& title);

    std::vector<ScriptStep> steps_;
    ScriptHost& host_;
    Log log_;
    ScriptLimits limits_;
    std::size_t next_ = 0;
    int currentLine_ = 0;
    int failures_ = 0;
    bool started_ = false;
    bool stepPending_ = false;  // a step (wait, wait-connected) goes on over several turns
    bool finished_ = false;
    bool respondersInstalled_ = false;
    int exitCode_ = kScriptPassed;
    std::deque<bool> answers_;
    std::deque<std::optional<QString>> files_;
    std::optional<QString> lastMessage_;
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

    std::thread watchdog_;
    std::mutex watchdogMutex_;
    std::condition_variable watchdogCv_;
    bool watchdogStop_ = false;
};

// Reads and parses a script file. On failure logs the script error and returns nothing.
std::optional<std::vector<ScriptStep>> loadScriptFile(const std::string& path, const ScriptRunner::Log& log);

// Prepares the program for a scripted run; call after the application exists and before the
// main window is created. A desktop without a system tray (the offscreen platform) gets a
// tray without an icon, so that the tray's clicks and menu are there for scripts, and the
// window hides into it at start as it does on a desktop with a tray.
void prepareScriptedRun(const ScriptRunner::Log& log);

// One line, flushed, on standard output.
ScriptRunner::Log standardOutputLog();

}  // namespace corv
