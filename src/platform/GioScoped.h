#pragma once
// Small owners for GLib / GIO objects used inside the platform layer (not part of its
// interface: only .cpp files include this).
#include <gio/gio.h>

#include <memory>

namespace corv::gio {

struct ObjectUnref {
    void operator()(gpointer p) const { g_object_unref(p); }
};
struct ErrorFree {
    void operator()(GError* p) const { g_error_free(p); }
};
struct CharsFree {
    void operator()(gchar* p) const { g_free(p); }
};
struct VariantUnref {
    void operator()(GVariant* p) const { g_variant_unref(p); }
};

template <typename T> using Object = std::unique_ptr<T, ObjectUnref>;
using Error = std::unique_ptr<GError, ErrorFree>;
using Chars = std::unique_ptr<gchar, CharsFree>;
using Variant = std::unique_ptr<GVariant, VariantUnref>;

// A main context of our own for the calling thread while GIO objects live, so that nothing
// they queue (signals, idle callbacks) ends up in another thread's default context, such
// as the UI thread's.
class ThreadContext {
public:
    ThreadContext() : context_(g_main_context_new()) { g_main_context_push_thread_default(context_); }
    ~ThreadContext()
    {
        g_main_context_pop_thread_default(context_);
        g_main_context_unref(context_);
    }
    ThreadContext(const ThreadContext&) = delete;
    ThreadContext& operator=(const ThreadContext&) = delete;

private:
    GMainContext* context_;
};

}  // namespace corv::gio
