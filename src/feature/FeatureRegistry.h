#pragma once
// What the features declare, and the shell's dispatch of it:
// - control notifications, by notification type and control name, or name prefix for
//   indexed names ("ms_key_" for "ms_key_3"); for each type, a matching prefix row is tried
//   first, then the full names; the first matching row wins; names compare without case;
// - tray and pop-up menu items;
// - the window's private messages (every handler of a message runs, in declaration order);
// - the steps of the settings refresh and of applying a profile, run in step order;
// - the mouse's model being shown (after a connection or a reset), and the end of the
//   connect sequence;
// - the macro library rebuilt from the mouse's macro area at connection (run on the UI
//   thread once the connection thread has released the channel).
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace corv {

struct MacroRebuildOutcome;
struct ModelFacts;
struct ProfileApplication;
namespace ui {
struct TNotifyUI;
struct MenuCommand;
}  // namespace ui

// The settings refresh redraws the pages from CurrentSettings after a whole-image change
// (profile applied, mouse read again, onboard record switched), in this order.
enum class RefreshStep {
    ReportRate,
    DpiStages,
    LightingSwitches,
    LineCorrection,
    IndicatorColour,
    ButtonLabels,
    LiftOff,
    LightingZone,
};

// Applying the profile selected in a profile list, in this order.
enum class ApplyStep {
    FollowLists,        // the other lists select the same profile
    ProfileName,        // the name in the rename edits
    RememberSelection,  // the index remembers it
    LinkDisplay,        // the linked program (may stop the application)
    DeviceImages,       // settings record and button block to the mouse
    SystemSettings,     // pointer speed and scroll lines
    Palette,            // the colour bars, and their colour table to the mouse
};

// Why the model is being shown.
enum class ModelShown {
    Connected,  // the connect sequence has ended (labels of the model too)
    Reset,      // the mouse has reset itself
};

class FeatureRegistry {
public:
    using NotifyHandler = std::function<void(const ui::TNotifyUI& msg, int index)>;
    using MenuHandler = std::function<void(const ui::MenuCommand& cmd)>;
    using MessageHandler = std::function<void(std::uintptr_t wParam, std::intptr_t lParam)>;
    using RefreshHandler = std::function<void()>;
    using ApplyHandler = std::function<void(ProfileApplication& application)>;
    using ModelHandler = std::function<void(const ModelFacts& model, ModelShown why)>;
    using MacroRebuildHandler = std::function<void(const MacroRebuildOutcome& outcome)>;

    // The owner of the rows declared from now on (a feature's name), for diagnostics.
    void setOwner(std::string_view owner) { owner_ = owner; }

    void on(const QString& type, std::string_view name, NotifyHandler handler);
    void onPrefix(const QString& type, std::string_view prefix, NotifyHandler handler);
    void onMenu(std::string_view item, bool ignoreCase, MenuHandler handler);
    void onMessage(unsigned message, MessageHandler handler);
    void onRefresh(RefreshStep step, RefreshHandler handler);
    void onApply(ApplyStep step, ApplyHandler handler);
    void onModelShown(ModelHandler handler);
    // The connect sequence's last step, after the model has been shown.
    void onConnected(std::function<void()> handler);
    // The macro files have been rebuilt from the mouse (new library entries, the limit).
    void onMacrosRebuilt(MacroRebuildHandler handler);
    // The window is about to remove its keyboard hooks (a selection changed, the window is
    // closing): a capture in progress finishes as its own stop would.
    void onHooksEnding(std::function<void()> handler);
    // The macro library changed (a macro added, removed, renamed or copied) through the one
    // who fires it; everybody else shows the library again.
    void onMacroLibraryChanged(std::function<void(std::string_view changedBy)> handler);
    // A named request with one argument that the shell passes on without knowing who takes
    // it (for example a request from another program to select a profile by name). The
    // handler says whether it was carried out.
    void onRequest(std::string_view name, std::function<bool(const std::string& argument)> handler);

    // Dispatch. Each says whether a row took it.
    bool notify(const ui::TNotifyUI& msg) const;
    bool menu(const ui::MenuCommand& cmd) const;
    bool message(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) const;
    void refresh() const;
    // Runs the steps until one stops the application.
    void apply(ProfileApplication& application) const;
    void modelShown(const ModelFacts& model, ModelShown why) const;
    void connected() const;
    void macrosRebuilt(const MacroRebuildOutcome& outcome) const;
    void hooksEnding() const;
    void macroLibraryChanged(std::string_view changedBy) const;
    // The handler's answer; nothing when no feature takes the request.
    std::optional<bool> request(std::string_view name, const std::string& argument) const;

    // Declared rows, for tests and diagnostics: "type name -> owner".
    std::vector<std::string> describe() const;
    // Whether a full name or prefix row exists for the type.
    bool has(const QString& type, std::string_view name) const;

private:
    struct NotifyRow {
        QString type;
        std::string name;
        bool prefix;
        NotifyHandler handler;
        std::string owner;
    };
    struct MenuRow {
        std::string item;
        bool ignoreCase;
        MenuHandler handler;
    };
    struct MessageRow {
        unsigned message;
        MessageHandler handler;
    };
    template <class Step, class Handler> struct StepRow {
        Step step;
        Handler handler;
    };

    std::string owner_;
    std::vector<NotifyRow> notifyRows_;
    std::vector<MenuRow> menuRows_;
    std::vector<MessageRow> messageRows_;
    std::vector<StepRow<RefreshStep, RefreshHandler>> refreshRows_;
    std::vector<StepRow<ApplyStep, ApplyHandler>> applyRows_;
    std::vector<ModelHandler> modelRows_;
    std::vector<std::function<void()>> connectedRows_;
    std::vector<MacroRebuildHandler> macroRebuildRows_;
    std::vector<std::function<void()>> hooksEndingRows_;
    std::vector<std::function<void(std::string_view)>> libraryRows_;
    std::vector<std::pair<std::string, std::function<bool(const std::string&)>>> requestRows_;
};

}  // namespace corv
