#pragma once
// The sensor and performance settings besides the DPI stages: report rate, lift-off
// distance, pointer speed, wheel scroll lines and the factory reset; the surface
// calibration with its result display and the straight-line correction. The page owns the
// workers that hand the pointer speed and scroll lines to the desktop.
#include <QString>

#include "feature/Feature.h"
#include "feature/FeatureRegistry.h"
#include "feature/FeatureTimer.h"
#include "sensor/SystemSettingWorkers.h"

namespace corv {

class DesktopSettings;
class FeatureHost;

class SensorPage : public Feature {
public:
    // Its steps of the settings refresh and of a profile's application.
    static constexpr StepOrder kRefreshReportRate = 10;
    static constexpr StepOrder kRefreshLineCorrection = 40;
    static constexpr StepOrder kRefreshLiftOff = 70;
    static constexpr StepOrder kApplySystemSettings = 60;  // pointer speed and scroll lines
    static constexpr int kResultWaitMs = 3000;             // the result stays on show
    static constexpr int kReturnMs = 3000;                 // then the start page comes back
    static constexpr int kCalibrationStartPage = 5;
    static constexpr int kCalibrationRunningPage = 7;

    SensorPage(FeatureHost& host, DesktopSettings& desktop);

    std::string_view name() const override { return "sensor"; }
    void declare(FeatureRegistry& registry) override;
    std::span<const ui::ControlRef> controls() const override;
    void shutdown() override;

    // "ms_deng_combo_USBreportSelect" changed: the entry's index is stored and sent.
    void onReportRate();
    // The lift-off distance in millimetres, limited to 2..3.
    void setLiftOff(int millimetres);
    // "height2mm" / "height3mm" clicked.
    void onLiftOffOption(int millimetres);
    // The mouse's state was read again after a calibration: its lift-off distance is shown and
    // written (not sent).
    void onCalibrationEnd();
    // "ms_DPI_speed" moved by the user.
    void onPointerSpeed();
    // "ms_gunlun_speed_up_btn" / "ms_gunlun_speed_down_btn".
    void stepScrollLines(bool up);
    // "ms_k_reset", after the user confirms.
    void factoryReset();

    // "ms_reg_display" selected: the calibration starts.
    void startCalibration();
    // The mouse reported the outcome.
    void onCalibrationResult(bool ok);
    // "ms_linereg_display" changed.
    void onLineCorrection();

    // Refresh steps.
    void redrawReportRate();
    void redrawLineCorrection();
    void refreshLiftOff();  // the lift-off options from CurrentSettings, re-sent

    SystemSettingWorkers& systemSettings() { return systemSettings_; }
    // The calibration display's timers: the result pause, then the return to the start page.
    FeatureTimer& resultWaitTimer() { return resultWait_; }
    FeatureTimer& returnTimer() { return return_; }

    static const QString kFactoryResetQuestion;

private:
    void onResultWaitTimer();
    void onReturnTimer();
    void setCalibrationTexts(const char* status, const char* hint);
    FeatureHost& host_;
    SystemSettingWorkers systemSettings_;
    FeatureTimer resultWait_;
    FeatureTimer return_;
};

}  // namespace corv
