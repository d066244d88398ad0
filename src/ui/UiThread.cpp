#include "ui/UiThread.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QThread>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace corv::ui {

namespace {

struct PendingCall {
    std::function<void()> fn;
    bool started = false;    // fn began on the UI thread
    bool ran = false;        // fn returned
    bool finished = false;   // the event is gone (delivered or dropped)
    bool cancelled = false;  // the caller gave up before fn began
};

std::mutex g_mutex;
std::condition_variable g_cv;
bool g_shutdown = false;
int g_waiting = 0;

class CallEvent : public QEvent {
public:
    explicit CallEvent(std::shared_ptr<PendingCall> call)
        : QEvent(static_cast<QEvent::Type>(kType)), call_(std::move(call))
    { }
    ~CallEvent() override
    {
        // The event was delivered or dropped: either way the caller must not wait any longer.
        std::lock_guard lock(g_mutex);
        call_->finished = true;
        g_cv.notify_all();
    }
    void run()
    {
        {
            std::lock_guard lock(g_mutex);
            if (call_->cancelled || g_shutdown)
                return;
            call_->started = true;
        }
        call_->fn();
        std::lock_guard lock(g_mutex);
        call_->ran = true;
    }
    static constexpr int kType = QEvent::User + 71;

private:
    std::shared_ptr<PendingCall> call_;
};

class PostEvent : public QEvent {
public:
    PostEvent(QObject* context, std::function<void()> fn)
        : QEvent(static_cast<QEvent::Type>(kType)), context_(context), fn_(std::move(fn))
    { }
    void run()
    {
        if (context_)
            fn_();
    }
    static constexpr int kType = QEvent::User + 72;

private:
    QPointer<QObject> context_;
    std::function<void()> fn_;
};

class CallReceiver : public QObject {
public:
    bool event(QEvent* e) override
    {
        // The event was built on the caller's thread and handed over through Qt's own
        // queue, whose locks race detectors cannot see; taking our lock first makes the
        // hand-over visible (the caller took it after building the event, see below).
        {
            std::lock_guard lock(g_mutex);
        }
        if (e->type() == static_cast<QEvent::Type>(CallEvent::kType)) {
            static_cast<CallEvent*>(e)->run();
            return true;
        }
        if (e->type() == static_cast<QEvent::Type>(PostEvent::kType)) {
            static_cast<PostEvent*>(e)->run();
            return true;
        }
        return QObject::event(e);
    }
};

CallReceiver* receiver()
{
    // Created on first use and moved to the application's thread.
    static CallReceiver* r = [] {
        auto* created = new CallReceiver;
        created->moveToThread(QCoreApplication::instance()->thread());
        return created;
    }();
    return r;
}

}  // namespace

bool onUiThread()
{
    const auto* app = QCoreApplication::instance();
    return app != nullptr && QThread::currentThread() == app->thread();
}

bool sendToUiThread(const std::function<void()>& fn)
{
    if (QCoreApplication::instance() == nullptr)
        return false;
    {
        std::lock_guard lock(g_mutex);
        if (g_shutdown)
            return false;
    }
    if (onUiThread()) {
        fn();
        return true;
    }
    auto call = std::make_shared<PendingCall>();
    call->fn = fn;
    auto* event = new CallEvent(call);
    // Publish the finished event and call through our lock before Qt sees them (the UI
    // thread takes it in CallReceiver::event). Not posted under the lock: Qt may delete an
    // event inside postEvent, and the event's destructor takes the lock.
    {
        std::lock_guard publish(g_mutex);
    }
    QCoreApplication::postEvent(receiver(), event);
    std::unique_lock lock(g_mutex);
    // Once fn has begun, wait for it to end even at shutdown: it may use the caller's data.
    ++g_waiting;
    g_cv.wait(lock, [&] { return call->finished || (g_shutdown && !call->started); });
    --g_waiting;
    if (!call->started)
        call->cancelled = true;
    return call->ran;
}

void postToUiThread(QObject* context, std::function<void()> fn)
{
    if (QCoreApplication::instance() == nullptr || !fn)
        return;
    auto* event = new PostEvent(context, std::move(fn));
    // Published through our lock, as in sendToUiThread.
    {
        std::lock_guard publish(g_mutex);
    }
    QCoreApplication::postEvent(receiver(), event);
}

void shutdownUiThreadCall()
{
    std::lock_guard lock(g_mutex);
    g_shutdown = true;
    g_cv.notify_all();
}

int waitingUiThreadCalls()
{
    std::lock_guard lock(g_mutex);
    return g_waiting;
}

void resetUiThreadCall()
{
    std::lock_guard lock(g_mutex);
    g_shutdown = false;
}

}  // namespace corv::ui
