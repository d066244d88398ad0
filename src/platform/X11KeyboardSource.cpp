#include "platform/X11KeyboardSource.h"

#include <sys/epoll.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>

#include "platform/DebugLog.h"
#include "platform/X11KeySymbols.h"
#include "platform/XcbConnection.h"

#include <xcb/record.h>
#include <xcb/xcb.h>
#include <xcb/xcbext.h>  // replies by sequence number: RECORD answers one request many times

namespace corv {

namespace {

template <typename T> using XcbPtr = xcb::Ptr<T>;
using xcb::connect;
using xcb::rootOfScreen;

// The categories of RECORD's replies.
constexpr std::uint8_t kFromServer = 0;
constexpr std::uint8_t kEndOfData = 5;

constexpr std::size_t kEventSize = 32;

std::int64_t nowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool hasRecord(xcb_connection_t* c)
{
    const xcb_query_extension_reply_t* ext = xcb_get_extension_data(c, &xcb_record_id);
    if (ext == nullptr || ext->present == 0)
        return false;
    XcbPtr<xcb_record_query_version_reply_t> version(
        xcb_record_query_version_reply(c, xcb_record_query_version(c, 1, 13), nullptr));
    return version != nullptr;
}

// A key press or release (core event types 2 and 3; the top bit marks a sent event).
std::optional<RawKeyEvent> keyEventOf(const std::uint8_t* event)
{
    const std::uint8_t type = event[0] & 0x7F;
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE)
        return std::nullopt;
    RawKeyEvent key;
    key.down = type == XCB_KEY_PRESS;
    key.keycode = event[1];
    std::memcpy(&key.serverTime, event + 4, sizeof(key.serverTime));
    return key;
}

}  // namespace

std::unique_ptr<X11KeyboardSource> X11KeyboardSource::open(const std::string& displayName)
{
    std::unique_ptr<X11KeyboardSource> source(new X11KeyboardSource());
    int screen = 0;
    source->control_ = connect(displayName, &screen);
    int dataScreen = 0;
    source->data_ = connect(displayName, &dataScreen);
    if (source->control_ == nullptr || source->data_ == nullptr) {
        debugLine("keyboard: cannot open the X display " + displayName);
        return nullptr;
    }
    if (!hasRecord(source->control_) || !hasRecord(source->data_)) {
        debugLine("keyboard: the X display has no RECORD extension");
        return nullptr;
    }
    source->root_ = rootOfScreen(source->control_, screen);
    if (source->root_ == XCB_WINDOW_NONE || !source->loadKeyMap())
        return nullptr;

    // One context for the source's whole life: key presses and releases, as the server
    // processes them, of every client. Enabling it starts the recording, disabling ends it.
    xcb_record_range_t range;
    std::memset(&range, 0, sizeof(range));
    range.device_events.first = XCB_KEY_PRESS;
    range.device_events.last = XCB_KEY_RELEASE;
    const xcb_record_client_spec_t clients = XCB_RECORD_CS_ALL_CLIENTS;
    source->context_ = xcb_generate_id(source->control_);
    XcbPtr<xcb_generic_error_t> error(
        xcb_request_check(source->control_, xcb_record_create_context_checked(source->control_, source->context_, 0, 1,
                                                                              1, &clients, &range)));
    if (error) {
        debugLine("keyboard: the X display refused a RECORD context");
        source->context_ = 0;
        return nullptr;
    }

    source->epollFd_ = ::epoll_create1(EPOLL_CLOEXEC);
    if (source->epollFd_ < 0)
        return nullptr;
    for (xcb_connection_t* c : {source->control_, source->data_}) {
        epoll_event watch{};
        watch.events = EPOLLIN;
        watch.data.fd = xcb_get_file_descriptor(c);
        if (::epoll_ctl(source->epollFd_, EPOLL_CTL_ADD, watch.data.fd, &watch) != 0)
            return nullptr;
    }
    return source;
}

X11KeyboardSource::~X11KeyboardSource()
{
    if (!broken_) {
        releaseGrab();
        stopRecording();
        if (control_ != nullptr && context_ != 0) {
            xcb_record_free_context(control_, context_);
            xcb_flush(control_);
        }
    }
    if (epollFd_ >= 0)
        ::close(epollFd_);
    if (data_ != nullptr)
        xcb_disconnect(data_);
    if (control_ != nullptr)
        xcb_disconnect(control_);
}

bool X11KeyboardSource::loadKeyMap()
{
    const xcb_setup_t* setup = xcb_get_setup(control_);
    const std::uint8_t first = setup->min_keycode;
    const std::uint8_t last = setup->max_keycode;
    if (first == 0 || last < first)
        return false;
    const auto count = static_cast<std::uint8_t>(last - first + 1);
    XcbPtr<xcb_get_keyboard_mapping_reply_t> reply(
        xcb_get_keyboard_mapping_reply(control_, xcb_get_keyboard_mapping(control_, first, count), nullptr));
    if (!reply)
        return false;
    const xcb_keysym_t* symbols = xcb_get_keyboard_mapping_keysyms(reply.get());
    const int length = xcb_get_keyboard_mapping_keysyms_length(reply.get());
    minKeycode_ = first;
    symbolsPerKeycode_ = reply->keysyms_per_keycode;
    // A short reply leaves the keys it does not cover without symbols (see keySymbolOf).
    keySymbols_.assign(symbols, symbols + (length > 0 ? length : 0));
    return true;
}

std::uint32_t X11KeyboardSource::keySymbolOf(std::uint8_t keycode) const
{
    if (keycode < minKeycode_ || symbolsPerKeycode_ == 0)
        return 0;
    const std::size_t index = static_cast<std::size_t>(keycode - minKeycode_) * symbolsPerKeycode_;
    return index < keySymbols_.size() ? keySymbols_[index] : 0;
}

bool X11KeyboardSource::checkConnections()
{
    if (broken_)
        return false;
    if (xcb_connection_has_error(control_) == 0 && xcb_connection_has_error(data_) == 0)
        return true;
    debugLine("keyboard: the connection to the X display is gone");
    broken_ = true;
    mode_ = Listen::Off;
    recording_.reset();
    grabbed_ = false;
    repeats_.clear();
    ++generation_;
    // A closed socket stays readable: stop watching it so the event loop does not spin.
    for (xcb_connection_t* c : {control_, data_}) {
        const int fd = xcb_get_file_descriptor(c);
        if (fd >= 0)
            ::epoll_ctl(epollFd_, EPOLL_CTL_DEL, fd, nullptr);
    }
    return false;
}

bool X11KeyboardSource::listen(Listen how)
{
    if (!checkConnections())
        return how == Listen::Off;
    // The hooks ask again on every installation: the same way of listening goes on as it is.
    if (how == mode_)
        return true;
    ++generation_;
    repeats_.clear();  // a release held back belongs to the way of listening that ends

    bool ok = true;
    switch (how) {
    case Listen::Off:
        releaseGrab();
        stopRecording();
        break;
    case Listen::PassOn:
        releaseGrab();
        ok = startRecording();
        break;
    case Listen::Swallow:
        stopRecording();
        ok = grabKeyboard();
        break;
    }
    mode_ = ok ? how : Listen::Off;
    if (!checkConnections())
        return how == Listen::Off;
    // Waiting for the server's answers may have read events the socket will not announce
    // again: handle them now.
    const std::uint64_t generation = generation_;
    readControl();
    if (generation == generation_)
        readRecorded();
    return ok;
}

bool X11KeyboardSource::startRecording()
{
    if (recording_)
        return true;
    const xcb_record_enable_context_cookie_t cookie = xcb_record_enable_context(data_, context_);
    // The first reply says the recording has started (keys typed from now on are recorded).
    xcb_generic_error_t* rawError = nullptr;
    XcbPtr<xcb_record_enable_context_reply_t> first(xcb_record_enable_context_reply(data_, cookie, &rawError));
    XcbPtr<xcb_generic_error_t> error(rawError);
    if (!first || error) {
        debugLine("keyboard: the X display refused to record the keyboard");
        return false;
    }
    recording_ = cookie.sequence;
    return true;
}

void X11KeyboardSource::stopRecording()
{
    if (!recording_)
        return;
    const unsigned sequence = *recording_;
    recording_.reset();
    xcb_record_disable_context(control_, context_);
    xcb_flush(control_);
    // read the rest of the recording up to its last reply, so that the next one starts
    // clean; what it holds was typed before the end and is dropped.
    for (;;) {
        xcb_generic_error_t* rawError = nullptr;
        auto* reply = static_cast<xcb_record_enable_context_reply_t*>(xcb_wait_for_reply(data_, sequence, &rawError));
        XcbPtr<xcb_generic_error_t> error(rawError);
        XcbPtr<xcb_record_enable_context_reply_t> owned(reply);
        if (!owned || owned->category == kEndOfData)
            return;
    }
}

bool X11KeyboardSource::grabKeyboard()
{
    if (grabbed_)
        return true;
    XcbPtr<xcb_grab_keyboard_reply_t> reply(xcb_grab_keyboard_reply(
        control_, xcb_grab_keyboard(control_, 0, root_, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
        nullptr));
    if (!reply || reply->status != XCB_GRAB_STATUS_SUCCESS) {
        debugLine("keyboard: the X display refused the keyboard grab (status " +
                  std::to_string(reply ? reply->status : -1) + ")");
        return false;
    }
    grabbed_ = true;
    return true;
}

void X11KeyboardSource::releaseGrab()
{
    if (!grabbed_)
        return;
    grabbed_ = false;
    xcb_ungrab_keyboard(control_, XCB_CURRENT_TIME);
    xcb_flush(control_);
}

void X11KeyboardSource::readable()
{
    if (!checkConnections())
        return;
    const std::uint64_t generation = generation_;
    readControl();
    if (generation == generation_)
        readRecorded();
    checkConnections();
}

void X11KeyboardSource::readControl()
{
    const std::uint64_t generation = generation_;
    while (XcbPtr<xcb_generic_event_t> event{xcb_poll_for_event(control_)}) {
        const std::uint8_t type = event->response_type & 0x7F;
        if (type == XCB_MAPPING_NOTIFY) {
            const auto* mapping = reinterpret_cast<const xcb_mapping_notify_event_t*>(event.get());
            if (mapping->request == XCB_MAPPING_KEYBOARD && !loadKeyMap())
                debugLine("keyboard: cannot read the changed key map");
            continue;
        }
        // Grabbed keys; anything else (an error of an ungrab, a stray event) is of no use.
        if (generation != generation_ || mode_ != Listen::Swallow)
            continue;
        if (const auto key = keyEventOf(reinterpret_cast<const std::uint8_t*>(event.get())))
            take(*key, generation);
    }
}

void X11KeyboardSource::readRecorded()
{
    const std::uint64_t generation = generation_;
    bool progress = true;
    while (progress && generation == generation_) {
        progress = false;
        // The data connection gets no events of its own choosing, but every client is told
        // of key map changes: read them so they do not pile up.
        while (XcbPtr<xcb_generic_event_t> event{xcb_poll_for_event(data_)})
            progress = true;
        while (recording_ && generation == generation_) {
            void* raw = nullptr;
            xcb_generic_error_t* rawError = nullptr;
            const int answered = xcb_poll_for_reply(data_, *recording_, &raw, &rawError);
            XcbPtr<xcb_record_enable_context_reply_t> reply(static_cast<xcb_record_enable_context_reply_t*>(raw));
            XcbPtr<xcb_generic_error_t> error(rawError);
            if (answered == 0)
                break;
            progress = true;
            if (!reply || reply->category == kEndOfData) {
                // The server ended the recording by itself (or refused it).
                debugLine("keyboard: the X display ended the keyboard recording");
                recording_.reset();
                mode_ = Listen::Off;
                repeats_.clear();
                break;
            }
            if (reply->category == kFromServer && mode_ == Listen::PassOn) {
                const std::size_t size = static_cast<std::size_t>(reply->length) * 4;
                takeRecordedData(reinterpret_cast<const std::uint8_t*>(xcb_record_enable_context_data(reply.get())),
                                 size);
            }
        }
    }
}

void X11KeyboardSource::takeRecordedData(const std::uint8_t* data, std::size_t size)
{
    const std::uint64_t generation = generation_;
    // Device events are whole 32-byte events; a trailing piece of one is ignored.
    for (std::size_t at = 0; at + kEventSize <= size && generation == generation_; at += kEventSize) {
        if (const auto key = keyEventOf(data + at))
            take(*key, generation);
    }
}

void X11KeyboardSource::take(const RawKeyEvent& event, std::uint64_t generation)
{
    report(repeats_.push(event, nowMs()), generation);
}

void X11KeyboardSource::report(const std::vector<RawKeyEvent>& events, std::uint64_t generation)
{
    for (const RawKeyEvent& event : events) {
        // The sink may change the way of listening; what follows belongs to the old one.
        if (generation != generation_)
            return;
        const std::uint16_t vk = virtualKeyForKeySymbol(keySymbolOf(event.keycode));
        // The server's time of the event; 0 is the protocol's "current time", never an event's.
        if (vk != 0)
            emitKey({vk, event.down,
                     event.serverTime == 0 ? std::nullopt : std::optional<std::uint32_t>(event.serverTime)});
    }
}

int X11KeyboardSource::pendingMs() const { return repeats_.pendingMs(nowMs()); }

void X11KeyboardSource::deadline()
{
    if (const auto released = repeats_.expire(nowMs()))
        report({*released}, generation_);
}

std::unique_ptr<KeyboardSource> makeX11KeyboardSource()
{
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0')
        return nullptr;
    return X11KeyboardSource::open(display);
}

RecordSupport x11RecordSupport(const std::string& displayName)
{
    if (displayName.empty())
        return RecordSupport::NoDisplay;
    int screen = 0;
    xcb_connection_t* c = connect(displayName, &screen);
    if (c == nullptr)
        return RecordSupport::NoDisplay;
    const bool present = hasRecord(c);
    xcb_disconnect(c);
    return present ? RecordSupport::Present : RecordSupport::Missing;
}

}  // namespace corv
