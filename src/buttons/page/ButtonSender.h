#pragma once
// Save and send off the UI thread: the macro library packed into the mouse, then the current
// record's button block, then KEY0..KEY8 of the selected profile. A full library is hundreds
// of frames (over a second on a real USB link), so the window must not wait for it.
//
// One transfer at a time, on the sender's own thread, each in the order above. A transfer
// asked for while one runs waits for it; a newer one replaces one that is still waiting (it
// carries the newer state). The outcome of each is handed to the UI thread.
//
// A transfer holds the channel's lock from the macros to the profile keys, so what the mouse
// says meanwhile (a reset, a sync) is read after the whole transfer, never between its parts.
// A block taken before the mouse's state was last read whole (a reset or a connection came
// between the request and the transfer) is not the mouse's any more: neither it nor its keys
// are sent, and the window shows what that read found.
#include <QObject>
#include <array>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include "device/DeviceProtocol.h"
#include "macros/MacroTransfer.h"

namespace corv {

class DeviceChannel;
struct DeviceState;

struct ButtonSendJob {
    std::filesystem::path dataFolder;  // the macro library (empty: none)
    unsigned record = 0;               // the block is sent only for records below 5
    std::array<std::uint8_t, kButtonTableSize> block{};
    std::filesystem::path profile;  // KEY0..KEY8 go here (empty: nowhere)
    std::uint64_t stateReads = 0;   // DeviceState::stateReads when block was taken
};

struct ButtonSendOutcome {
    MacroWriteOutcome macros;
    bool blockSent = false;    // the button block was sent (not: accepted)
    bool keysWritten = false;  // the profile keys were written
    bool superseded = false;   // the mouse's state was read again since the block was taken
};

class ButtonSender {
public:
    using Done = std::function<void(const ButtonSendOutcome&)>;
    // The parts of a transfer done so far (0 to kSteps), for a progress indicator.
    using Progress = std::function<void(int stepsDone)>;
    static constexpr int kSteps = 3;  // the macros, the block, the profile keys

    // done runs on the UI thread after each transfer, progress (optional) after each part.
    ButtonSender(DeviceChannel& channel, const DeviceState& state, Done done, Progress progress = {});
    ~ButtonSender();
    ButtonSender(const ButtonSender&) = delete;
    ButtonSender& operator=(const ButtonSender&) = delete;

    void send(ButtonSendJob job);
    // Whether a transfer runs or waits.
    bool busy() const;
    // Ends the thread after the transfer that runs (waiting ones are dropped).
    void stop();

    // The transfer itself, on the calling thread; step (optional) after each part, called
    // with the channel's lock held: it must not wait for another thread.
    static ButtonSendOutcome transfer(DeviceChannel& channel, const DeviceState& state, const ButtonSendJob& job,
                                      const std::function<void(int)>& step = {});

private:
    void run(std::stop_token stop);

    // Lives on the UI thread: the progress is posted to it, so the transfer never waits for
    // the window; what is still posted when the sender goes is dropped with it.
    QObject progressTarget_;
    DeviceChannel& channel_;
    const DeviceState& state_;
    Done done_;
    Progress progress_;
    mutable std::mutex mutex_;
    std::condition_variable_any cv_;
    std::optional<ButtonSendJob> waiting_;
    bool running_ = false;
    std::jthread thread_;
};

}  // namespace corv
