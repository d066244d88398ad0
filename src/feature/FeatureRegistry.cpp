#include "feature/FeatureRegistry.h"

#include <QLoggingCategory>
#include <algorithm>

#include "feature/ProfileApplication.h"
#include "feature/RouteName.h"
#include "ui/MenuWnd.h"
#include "ui/Notification.h"

namespace corv {

Q_LOGGING_CATEGORY(lcRegistry, "corv.debug.registry", QtWarningMsg)

namespace {

// Rows of each step in step order; rows of one step in declaration order.
template <class Rows> std::vector<const typename Rows::value_type*> inStepOrder(const Rows& rows)
{
    std::vector<const typename Rows::value_type*> ordered;
    for (const auto& row : rows)
        ordered.push_back(&row);
    std::stable_sort(ordered.begin(), ordered.end(), [](auto* a, auto* b) { return a->step < b->step; });
    return ordered;
}

}  // namespace

void FeatureRegistry::on(const QString& type, std::string_view name, NotifyHandler handler)
{
    notifyRows_.push_back({type, std::string(name), false, std::move(handler), owner_});
}

void FeatureRegistry::onPrefix(const QString& type, std::string_view prefix, NotifyHandler handler)
{
    notifyRows_.push_back({type, std::string(prefix), true, std::move(handler), owner_});
}

void FeatureRegistry::onMenu(std::string_view item, bool ignoreCase, MenuHandler handler)
{
    menuRows_.push_back({std::string(item), ignoreCase, std::move(handler)});
}

void FeatureRegistry::onMessage(unsigned message, MessageHandler handler)
{
    messageRows_.push_back({message, std::move(handler)});
}

void FeatureRegistry::onRefresh(StepOrder step, RefreshHandler handler)
{
    refreshRows_.push_back({step, std::move(handler)});
}

void FeatureRegistry::onApply(StepOrder step, ApplyHandler handler)
{
    applyRows_.push_back({step, std::move(handler)});
}

void FeatureRegistry::onModelShown(ModelHandler handler) { modelRows_.push_back(std::move(handler)); }

void FeatureRegistry::onConnected(std::function<void()> handler) { connectedRows_.push_back(std::move(handler)); }

void FeatureRegistry::onHooksEnding(std::function<void()> handler) { hooksEndingRows_.push_back(std::move(handler)); }

bool FeatureRegistry::notify(const ui::Notification& msg) const
{
    const IndexedName indexed = splitIndexedName(msg.senderName);
    if (indexed.hasPrefix) {
        for (const NotifyRow& row : notifyRows_) {
            if (row.prefix && row.type == msg.type && sameName(indexed.prefix, row.name)) {
                row.handler(msg, indexed.index);
                return true;
            }
        }
    }
    for (const NotifyRow& row : notifyRows_) {
        if (!row.prefix && row.type == msg.type && sameName(msg.senderName, row.name)) {
            row.handler(msg, 0);
            return true;
        }
    }
    return false;
}

bool FeatureRegistry::menu(const ui::MenuCommand& cmd) const
{
    for (const MenuRow& row : menuRows_) {
        const QString item = QString::fromStdString(row.item);
        if (cmd.name.compare(item, row.ignoreCase ? Qt::CaseInsensitive : Qt::CaseSensitive) == 0) {
            row.handler(cmd);
            return true;
        }
    }
    return false;
}

bool FeatureRegistry::message(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) const
{
    bool handled = false;
    for (const MessageRow& row : messageRows_) {
        if (row.message == message) {
            row.handler(wParam, lParam);
            handled = true;
        }
    }
    return handled;
}

void FeatureRegistry::refresh() const
{
    for (const auto* row : inStepOrder(refreshRows_))
        row->handler();
}

void FeatureRegistry::apply(ProfileApplication& application) const
{
    for (const auto* row : inStepOrder(applyRows_)) {
        if (application.stopped)
            return;
        row->handler(application);
    }
}

void FeatureRegistry::modelShown(const ModelFacts& model, ModelShown why) const
{
    for (const ModelHandler& handler : modelRows_)
        handler(model, why);
}

void FeatureRegistry::connected() const
{
    for (const auto& handler : connectedRows_)
        handler();
}

bool FeatureRegistry::raiseEvent(std::string_view name, std::type_index type, const void* payload) const
{
    bool heard = false;
    for (const EventRow& row : eventRows_) {
        if (row.name != name)
            continue;
        if (row.type != type) {
            qCWarning(lcRegistry) << "event" << QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()))
                                  << "raised with a payload its handler does not take";
            continue;
        }
        row.handler(payload);
        heard = true;
    }
    return heard;
}

void FeatureRegistry::hooksEnding() const
{
    for (const auto& handler : hooksEndingRows_)
        handler();
}

std::vector<std::string> FeatureRegistry::describe() const
{
    std::vector<std::string> out;
    for (const NotifyRow& row : notifyRows_)
        out.push_back(row.type.toStdString() + " " + row.name + (row.prefix ? "*" : "") + " -> " + row.owner);
    return out;
}

bool FeatureRegistry::has(const QString& type, std::string_view name) const
{
    return std::any_of(notifyRows_.begin(), notifyRows_.end(), [&](const NotifyRow& row) {
        return row.type == type && sameName(QString::fromStdString(row.name), name);
    });
}

void FeatureRegistry::onRequest(std::string_view name, std::function<bool(const std::string&)> handler)
{
    requestRows_.emplace_back(std::string(name), std::move(handler));
}

std::optional<bool> FeatureRegistry::request(std::string_view name, const std::string& argument) const
{
    for (const auto& [rowName, handler] : requestRows_)
        if (rowName == name)
            return handler(argument);
    return std::nullopt;
}

}  // namespace corv
