#pragma once
// The window's side of the mouse's connection: what the device connection thread hands to
// the window (the state read into the stored profile, the end of the connect sequence, the
// mouse lost or refused), the presentation of the connected model, the messages of the
// mouse's own events (reset, sync, calibration end) and of a device arrival, and the switch
// of the onboard settings record.
#include <atomic>
#include <filesystem>
#include <mutex>
#include <optional>
#include <vector>

#include "device/DeviceConnection.h"
#include "device/InputListener.h"
#include "feature/FeatureRegistry.h"
#include "macros/MacroTransfer.h"

namespace corv {

class MainWindow;

class ConnectionPresenter : public ConnectionHost {
public:
    explicit ConnectionPresenter(MainWindow& wnd) : wnd_(wnd) { }

    // The messages and routes it handles, declared by the shell before any feature.
    void declare(FeatureRegistry& registry);

    bool isConnected() const { return connected_.load(); }
    // Connected, and the model shown with the stored profile applied. UI thread only.
    bool isPresented() const { return isConnected() && presented_; }

    // The connect sequence's end on the UI thread: the model shown, the stored profile
    // selected (and so applied), the first page shown.
    void presentModel();
    // Logo, title and tooltip of the model, then every feature's part.
    void showModel(ModelShown why);
    // The messages from outside (kApplyDpiProfile .. kDeviceArrived, also received over
    // the session bus). Applies the profile selected in the list of source (0 DPI, 1 KEY,
    // 2 REG) and refreshes the pages; whether it was applied (not without a mouse).
    bool applyProfileFromOutside(int source);
    // A device arrival notice: presents the mouse when the channel is open, else forgets the
    // mouse's DPI level count and hides the window. Whether the channel was open.
    bool deviceArrived(std::uintptr_t wParam, std::intptr_t lParam);
    // "ms_profile_n" clicked: the mouse's active settings record becomes n.
    void selectOnboardRecord(int n);
    // Hands the macro library's rebuild, if one happened since the last hand-over, to the
    // features. UI thread.
    void deliverMacroRebuild();

    // The window message an event of the mouse is delivered as (0 for none).
    static unsigned messageFor(MouseEvent event);

    // ConnectionHost (called by the device connection thread).
    bool windowAlive() override;
    bool restoreMacroArea() override;
    void macroAreaRead(const std::vector<std::uint8_t>& area) override;
    std::filesystem::path connectProfilePath() override;
    void storeCapture(const DeviceCapture& capture) override;
    void setConnected(bool connected) override { connected_.store(connected); }
    void connectSequenceDone() override;
    void mouseLost() override;
    void openRefused() override;

private:
    // Says once that the connection wrote this computer's macros into the mouse again.
    void tellMacrosRestored();

    MainWindow& wnd_;
    std::atomic<bool> connected_{false};
    bool presented_ = false;  // UI thread
    // The rebuilds of the macro library done on the connection thread and not yet handed to
    // the features (outcomes of connections that did not finish are merged into the next).
    std::mutex rebuildMutex_;
    std::optional<MacroRebuildOutcome> pendingRebuild_;
    // A connection wrote the library into a mouse whose last macro write had been cut off;
    // the user has not been told yet. Under rebuildMutex_.
    bool macrosRestored_ = false;
};

}  // namespace corv
