#include "platform/BusLoopThread.h"

#include <gio/gio.h>

#include <future>
#include <memory>

#include "platform/GioScoped.h"

namespace corv {

BusLoopThread::~BusLoopThread() { stop(); }

std::string BusLoopThread::start(const std::string& busAddress, SetUp setUp, TearDown tearDown)
{
    if (thread_.joinable())
        return "already running";
    context_ = g_main_context_new();
    loop_ = g_main_loop_new(context_, FALSE);
    auto started = std::make_shared<std::promise<std::string>>();
    std::future<std::string> result = started->get_future();
    thread_ = std::thread([this, busAddress, setUp = std::move(setUp), tearDown = std::move(tearDown), started] {
        run(busAddress, setUp, tearDown, [&started](const std::string& why) { started->set_value(why); });
    });
    const std::string why = result.get();  // set before the thread sleeps in its loop, or as it ends
    if (!why.empty())
        stop();
    return why;
}

void BusLoopThread::run(const std::string& busAddress, const SetUp& setUp, const TearDown& tearDown,
                        const std::function<void(const std::string&)>& started)
{
    g_main_context_push_thread_default(context_);
    GError* rawError = nullptr;
    gio::Object<GDBusConnection> connection(g_dbus_connection_new_for_address_sync(
        busAddress.c_str(),
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, &rawError));
    const gio::Error error(rawError);
    const std::string why =
        connection ? setUp(connection.get())
                   : std::string("cannot connect to the session bus (") + (error ? error->message : "") + ")";
    started(why);
    if (why.empty())
        g_main_loop_run(loop_);
    if (connection) {
        tearDown(connection.get(), why.empty());
        g_dbus_connection_close_sync(connection.get(), nullptr, nullptr);
    }
    connection.reset();
    // Whatever the closed connection still queued for this context goes with it.
    while (g_main_context_iteration(context_, FALSE)) { }
    g_main_context_pop_thread_default(context_);
}

void BusLoopThread::stop()
{
    if (thread_.joinable()) {
        // Quitting through the loop's own context: it takes effect even if the loop has not
        // begun to run yet.
        g_main_context_invoke(
            context_,
            [](gpointer loop) {
                g_main_loop_quit(static_cast<GMainLoop*>(loop));
                return G_SOURCE_REMOVE;
            },
            loop_);
        thread_.join();
    }
    if (loop_ != nullptr)
        g_main_loop_unref(loop_);
    if (context_ != nullptr)
        g_main_context_unref(context_);
    loop_ = nullptr;
    context_ = nullptr;
}

}  // namespace corv
