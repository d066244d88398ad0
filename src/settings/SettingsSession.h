#pragma once
// The owner of the current profile and of the program's copies of the mouse's state.
//
// Every change of a setting goes through here, in one order: the profile's key (several keys
// in one replacement of the file), then the image (CurrentSettings and the rest of the
// DeviceState), then the send, queued for the mouse's command thread. The image has one lock
// (the channel's state lock, which the device layer shares); it is held only for moments,
// never across file I/O, a wait for the mouse or a widget. The window's pages, the shell, the
// connection's window side and the requests from outside read and change the settings only
// through a session; none of them takes the lock.
//
// Knows no widget: the selected profile is told to it by the profile lists, which show the
// selection but do not store it.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <span>
#include <string>
#include <utility>

#include "device/DeviceState.h"
#include "profiles/ProfileApply.h"

namespace corv {

class DeviceChannel;

class SettingsSession {
public:
    using MouseJob = std::function<void(DeviceChannel&)>;
    // Hands a job to the mouse's command thread (after the jobs handed over before it).
    using MouseSender = std::function<void(MouseJob)>;

    // What a change touches; a few settings leave out a part on purpose (the report rate
    // keeps the image as it was until the mouse or the profile is read again; the DPI
    // indicator colour goes to the mouse only).
    enum Part : unsigned { Key = 1, Image = 2, Mouse = 4, All = Key | Image | Mouse };

    SettingsSession(DeviceChannel& channel, DeviceState& state);
    SettingsSession(const SettingsSession&) = delete;
    SettingsSession& operator=(const SettingsSession&) = delete;

    // Without a sender, jobs run at once on the calling thread (tools and tests).
    void setMouseSender(MouseSender sender);

    // --- the selected profile -----------------------------------------------------------
    // The profile the user chose (the index in the profile index and its name); changes of
    // settings are written into its file.
    void select(int index, std::string name);
    void deselect();
    int selectedIndex() const;
    std::string selectedName() const;
    // The selected profile's file; empty when none is selected or its name is unusable.
    std::filesystem::path profilePath() const;

    // --- reading ------------------------------------------------------------------------
    // A copy of the whole image, consistent in itself.
    DeviceState snapshot() const;
    std::uint8_t setting(std::size_t n) const;
    std::uint16_t modelId() const;
    std::uint8_t activeRecord() const;
    // Runs f on the image under the lock: for a few fields read or changed together. f must
    // be quick: no file, no mouse, no widget.
    template <class F> decltype(auto) read(F&& f) const
    {
        std::lock_guard<std::recursive_mutex> guard(lock_);
        return std::forward<F>(f)(static_cast<const DeviceState&>(state_));
    }
    template <class F> decltype(auto) update(F&& f)
    {
        std::lock_guard<std::recursive_mutex> guard(lock_);
        return std::forward<F>(f)(state_);
    }

    // --- changing settings ----------------------------------------------------------------
    // Byte n of the active record (profile key LEDn of [Setting]).
    void set(std::size_t n, std::uint8_t value, unsigned parts = All);
    // Several bytes: their keys in one replacement of the file, then the image, then one
    // send for each run of neighbouring bytes.
    void set(std::initializer_list<std::pair<std::size_t, std::uint8_t>> bytes, unsigned parts = All);
    // DPI stage `stage` (0..4) gets table index `index`: its key goes to the model's stage
    // section, the byte to the image and the mouse.
    void setStage(int stage, std::uint8_t index, unsigned parts = All);
    // A key of the profile that is not a byte of the mouse (PRO0, PRO1, ...).
    bool writeProfileKey(const std::string& key, long value);
    // Several such keys, all or none of them.
    bool writeProfileKeys(std::initializer_list<std::pair<std::string, long>> keys);

    // A command to the mouse that is not a single setting (calibration, reset, palette ...).
    void send(MouseJob job);

    // --- whole images ---------------------------------------------------------------------
    // The first half of applying a profile file (the image for the model known now, the
    // file mended when it has no left click); the second half, sending it, is queued here.
    AppliedProfile applyProfile(const std::filesystem::path& file);
    // The lighting reset of the selected profile from the template; the record is queued.
    void resetToTemplate(const std::filesystem::path& templateFile);
    // The macro capacity the mouse reported at connection, in 128-byte units.
    std::uint8_t macroCapacityUnits() const;

    // For the layers below that take them (profile application, the connection).
    DeviceChannel& channel() { return channel_; }
    DeviceState& state() { return state_; }

private:
    void sendBytes(std::size_t n, std::span<const std::uint8_t> bytes);

    DeviceChannel& channel_;
    DeviceState& state_;
    std::recursive_mutex& lock_;
    MouseSender sender_;

    mutable std::mutex selectionLock_;
    int selectedIndex_ = -1;
    std::string selectedName_;
};

}  // namespace corv
