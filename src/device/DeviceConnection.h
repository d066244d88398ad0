#pragma once
// The device connection: watches for the mouse, opens its command collection when it is
// plugged in, reads its state into the program's copies and into the selected profile, and
// notices when it goes away. Also the operations that refresh those copies on request: the
// full state read (after a reset), the synchronisation (when the mouse asks for it) and the
// switch to another onboard record.
//
// The thread sleeps until a HID node comes or goes (or the input listener's read fails):
// then it looks for the mouse, or probes the open one. Only a backend without plug notices
// makes it look on a fixed interval (kAbsentPoll, kConnectedPoll).
//
// Threads: run() is the device connection thread. Each cycle holds the channel's lock for
// its device work (the connect sequence included, with its two one-second pauses), and
// calls the host's window-side operations only after releasing it: the host runs those on
// the UI thread, and the UI thread may be waiting for the lock.
#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <stop_token>
#include <vector>

#include "device/DeviceState.h"
#include "platform/Clock.h"

namespace corv {

class DeviceChannel;

// The mouse's state as it is to be written into a profile file: the LED bytes when the
// settings were read, the button block when it was read.
struct DeviceCapture {
    std::filesystem::path file;
    std::uint16_t modelId = 0;
    bool haveSettings = false;
    std::array<std::uint8_t, kProfileByteCount> settings{};
    bool haveButtons = false;
    std::array<std::uint8_t, kButtonTableSize> buttons{};
};

// What the connection needs from the program around it.
class ConnectionHost {
public:
    virtual ~ConnectionHost() = default;
    // False once the main window is gone: the thread then ends (checked while no mouse is open).
    virtual bool windowAlive() = 0;
    // At connection, before the macro area is read: true when it must not be read, because
    // its last write did not finish (the host then writes its own macros into it again).
    // Called with the channel locked: file and device work only, never a wait for the UI
    // thread.
    virtual bool restoreMacroArea() { return false; }
    // The macro area as just read from the mouse. Called with the channel locked: file work
    // only, never a wait for the UI thread.
    virtual void macroAreaRead(const std::vector<std::uint8_t>& area) = 0;
    // The profile the mouse's state is written into after connecting.
    virtual std::filesystem::path connectProfilePath() = 0;
    // Writes a capture into its profile file. Called with the channel locked (file work only).
    virtual void storeCapture(const DeviceCapture& capture) = 0;
    // The rest is called without the channel's lock.
    virtual void setConnected(bool connected) = 0;
    // The connect sequence has ended: show the model and select the stored profile.
    virtual void connectSequenceDone() = 0;
    // The mouse was unplugged.
    virtual void mouseLost() = 0;
    // The mouse is present but this user may not open it (once per absence).
    virtual void openRefused() = 0;
};

class DeviceConnection {
public:
    enum class State { Absent, Connecting, Connected, Ended };

    // Intervals of a backend without plug notices.
    static constexpr Clock::duration kAbsentPoll = std::chrono::milliseconds(1000);
    static constexpr Clock::duration kConnectedPoll = std::chrono::milliseconds(100);
    static constexpr Clock::duration kConnectPause = std::chrono::milliseconds(1000);

    DeviceConnection(DeviceChannel& channel, DeviceState& state, ConnectionHost& host, Clock& clock);

    // The thread body: cycles until the thread must end or stop is requested.
    void run(std::stop_token stop);
    // One cycle without the pause that follows it. False when the thread must end.
    bool runCycle(const std::stop_token& stop);
    State state() const { return state_.load(); }

    // The macro area: header, then the whole area when the header carries the signature.
    // Stops without CMD_END when a read fails or the signature is missing. True when the
    // area was read; it is then handed to the host.
    bool readMacroArea();

    // The full state read inside a transaction, then the mouse's state written into
    // profileFile (settings, and the button block of the active record). Reads the button
    // blocks of all five records; a block whose read fails is marked unknown. Any other read
    // that fails keeps what was known before and writes nothing of its part into the file.
    // Returns whether the identity was read.
    bool readDeviceState(const std::filesystem::path& profileFile);
    // The synchronisation the mouse asks for: identity and the active record again, written
    // into profileFile (LED keys only). False when the active record could not be read.
    bool syncFromDevice(const std::filesystem::path& profileFile);
    // Makes record n (0..5) the mouse's active record and loads it into CurrentSettings;
    // its button block is read when it is not known yet. False (nothing done) for another n, when n is already active or when the switch failed.
    bool selectOnboardRecord(int n);
    // CMD_GET_INFO into DeviceInfo (kept when it fails). Returns the result.
    int refreshIdentity();

private:
    bool pause(Clock::duration d, const std::stop_token& stop);
    bool readActiveRecord(std::uint8_t& n);

    DeviceChannel& channel_;
    DeviceState& state_data_;
    ConnectionHost& host_;
    Clock& clock_;
    std::atomic<State> state_{State::Absent};
    bool refusedReported_ = false;
};

}  // namespace corv
