#pragma once
// Messages from outside: what another program (corvalantisctl, a second start of the window
// program) may ask of the running window program, the service that receives these requests
// and the call that sends one. The D-Bus implementation is in DbusOutsideMessages.h; this
// header knows no bus.
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace corv {

enum class OutsideRequest {
    ShowWindow,       // show the main window and bring it to the front
    ApplyDpiProfile,  // apply the profile selected in the DPI page's list again
    ApplyKeyProfile,  // ... the button page's list
    ApplyRegProfile,  // ... the sensor page's list
    DeviceArrived,    // a mouse may have been plugged in: present it, or hide the window
    SelectProfile,    // select the profile named by the argument, as a user would
    GetState,         // whether the window is visible and a mouse connected
};

// How a request ended.
enum class OutsideStatus {
    Done,            // the request was carried out (see OutsideAnswer::flag)
    UnknownProfile,  // SelectProfile: no profile has that name
    Closing,         // the program is shutting down and does no more work
    NoBus,           // (caller side) no session bus to send the request over
    NoInstance,      // (caller side) no running program answers on the bus
    Failed,          // (caller side) the request was sent but no usable answer came
};

struct OutsideAnswer {
    OutsideStatus status = OutsideStatus::Done;
    // ApplyXxxProfile: the profile was applied (false without a mouse); DeviceArrived: the
    // mouse is open; GetState: the window is visible.
    bool flag = false;
    bool connected = false;  // GetState: a mouse is connected and shown
    std::string message;     // what went wrong, for a status other than Done
};

// The reply to one received request, shared by its copies. Answered once, from any thread;
// when the last copy goes without an answer, the caller is told that the program is closing.
class OutsideReply {
public:
    // Where the answer goes (the bus's pending call). send is called at most once; the sink
    // answers "closing" in its destructor when it was never called.
    class Sink {
    public:
        virtual ~Sink() = default;
        virtual void send(const OutsideAnswer& answer) = 0;
    };

    OutsideReply() = default;
    explicit OutsideReply(std::shared_ptr<Sink> sink) : state_(std::make_shared<State>(std::move(sink))) { }
    // Sends the answer; later calls (also through copies) do nothing.
    void answer(const OutsideAnswer& a);

private:
    struct State {
        explicit State(std::shared_ptr<Sink> s) : sink(std::move(s)) { }
        std::mutex mutex;
        std::shared_ptr<Sink> sink;  // null once answered
    };
    std::shared_ptr<State> state_;
};

// One request as received.
struct OutsideCall {
    OutsideRequest request = OutsideRequest::ShowWindow;
    std::string profileName;  // SelectProfile
};

// The receiving side, owned by the running program.
class OutsideMessageService {
public:
    // Called on the service's own thread, one call at a time; it must not wait for the UI
    // thread (hand the call over and answer the reply later).
    using Handler = std::function<void(OutsideCall call, OutsideReply reply)>;

    virtual ~OutsideMessageService() = default;
    // Starts receiving. False when the requests cannot be received (no session bus, the
    // name taken by another process); the program then carries on without them.
    virtual bool start(Handler handler) = 0;
    // Stops receiving; no handler call runs after it returns. Requests handed over and not
    // yet answered are answered "closing" once their replies are dropped.
    virtual void stop() = 0;
};

// The sending side: sends one request to the running program and waits (at most timeoutMs)
// for its answer. Any thread; not the running program's UI thread, which answers.
OutsideAnswer sendOutsideRequest(const OutsideCall& call, int timeoutMs = 10000);

// The request's name on the command line of corvalantisctl and in messages.
const char* outsideRequestName(OutsideRequest request);

}  // namespace corv
