#pragma once
// What the features declare, and the shell's dispatch of it:
// - control notifications, by notification type and control name, or name prefix for
//   indexed names ("ms_key_" for "ms_key_3"); for each type, a matching prefix row is tried
//   first, then the full names; the first matching row wins; names compare without case;
// - tray and pop-up menu items;
// - the window's private messages (every handler of a message runs, in declaration order);
// - the steps of the settings refresh and of applying a profile, run in the order of their
//   numbers (each feature names its own steps' numbers; docs/architecture.md has the table);
// - the mouse's model being shown (after a connection or a reset), and the end of the
//   connect sequence;
// - named events with a payload, raised by one feature (or the shell) and heard by others,
//   without the registry knowing what they mean.
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <typeindex>
#include <utility>
#include <vector>

namespace corv {

struct ModelFacts;
struct ProfileApplication;
namespace ui {
struct Notification;
struct MenuCommand;
}  // namespace ui

// The order of a step of the settings refresh or of a profile's application: lower runs
// first; steps of the same number run in declaration order.
using StepOrder = int;

// Why the model is being shown.
enum class ModelShown {
    Connected,  // the connect sequence has ended (labels of the model too)
    Reset,      // the mouse has reset itself
};

class FeatureRegistry {
public:
    using NotifyHandler = std::function<void(const ui::Notification& msg, int index)>;
    using MenuHandler = std::function<void(const ui::MenuCommand& cmd)>;
    using MessageHandler = std::function<void(std::uintptr_t wParam, std::intptr_t lParam)>;
    using RefreshHandler = std::function<void()>;
    using ApplyHandler = std::function<void(ProfileApplication& application)>;
    using ModelHandler = std::function<void(const ModelFacts& model, ModelShown why)>;

    // The owner of the rows declared from now on (a feature's name), for diagnostics.
    void setOwner(std::string_view owner) { owner_ = owner; }

    void on(const QString& type, std::string_view name, NotifyHandler handler);
    void onPrefix(const QString& type, std::string_view prefix, NotifyHandler handler);
    void onMenu(std::string_view item, bool ignoreCase, MenuHandler handler);
    void onMessage(unsigned message, MessageHandler handler);
    // The settings refresh redraws the pages from CurrentSettings after a whole-image change
    // (profile applied, mouse read again, onboard record switched).
    void onRefresh(StepOrder step, RefreshHandler handler);
    // Applying the profile selected in a profile list; a step may stop the application.
    void onApply(StepOrder step, ApplyHandler handler);
    void onModelShown(ModelHandler handler);
    // The connect sequence's last step, after the model has been shown.
    void onConnected(std::function<void()> handler);
    // The window is about to remove its keyboard hooks (a selection changed, the window is
    // closing): a capture in progress finishes as its own stop would.
    void onHooksEnding(std::function<void()> handler);
    // A named event and its payload's type. Every handler of the name runs, in declaration
    // order; an event raised with another payload type than its handlers take is a
    // programming error, reported and not delivered.
    template <class Payload> void onEvent(std::string_view name, std::function<void(const Payload&)> handler)
    {
        eventRows_.push_back(
            {std::string(name), std::type_index(typeid(Payload)),
             [handler = std::move(handler)](const void* payload) { handler(*static_cast<const Payload*>(payload)); }});
    }
    // A named request with one argument that the shell passes on without knowing who takes
    // it (for example a request from another program to select a profile by name). The
    // handler says whether it was carried out.
    void onRequest(std::string_view name, std::function<bool(const std::string& argument)> handler);

    // Dispatch. Each says whether a row took it.
    bool notify(const ui::Notification& msg) const;
    bool menu(const ui::MenuCommand& cmd) const;
    bool message(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) const;
    void refresh() const;
    // Runs the steps until one stops the application.
    void apply(ProfileApplication& application) const;
    void modelShown(const ModelFacts& model, ModelShown why) const;
    void connected() const;
    void hooksEnding() const;
    // Says whether a handler heard it.
    template <class Payload> bool raise(std::string_view name, const Payload& payload) const
    {
        return raiseEvent(name, std::type_index(typeid(Payload)), &payload);
    }
    // The handler's answer; nothing when no feature takes the request.
    std::optional<bool> request(std::string_view name, const std::string& argument) const;

    // Declared rows, for tests and diagnostics: "type name -> owner".
    std::vector<std::string> describe() const;
    // Whether a full name or prefix row exists for the type.
    bool has(const QString& type, std::string_view name) const;

private:
    bool raiseEvent(std::string_view name, std::type_index type, const void* payload) const;

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
    template <class Handler> struct StepRow {
        StepOrder step;
        Handler handler;
    };
    struct EventRow {
        std::string name;
        std::type_index type;
        std::function<void(const void*)> handler;
    };

    std::string owner_;
    std::vector<NotifyRow> notifyRows_;
    std::vector<MenuRow> menuRows_;
    std::vector<MessageRow> messageRows_;
    std::vector<StepRow<RefreshHandler>> refreshRows_;
    std::vector<StepRow<ApplyHandler>> applyRows_;
    std::vector<ModelHandler> modelRows_;
    std::vector<std::function<void()>> connectedRows_;
    std::vector<std::function<void()>> hooksEndingRows_;
    std::vector<EventRow> eventRows_;
    std::vector<std::pair<std::string, std::function<bool(const std::string&)>>> requestRows_;
};

}  // namespace corv
