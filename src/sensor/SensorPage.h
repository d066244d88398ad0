#pragma once
// The sensor and performance settings besides the DPI stages: report rate, lift-off
// distance, pointer speed, wheel scroll lines and the factory reset; and the surface
// calibration with its result display and the straight-line correction.
#include <QString>

namespace corv {

class FeatureHost;

class SensorPage {
public:
    // Timer ids of the main window used by the calibration display.
    static constexpr int kReturnTimer = 1;      // back to the calibration start page
    static constexpr int kResultWaitTimer = 2;  // the pause while the result is shown
    static constexpr int kResultWaitMs = 3000;
    static constexpr int kReturnMs = 3000;
    static constexpr int kCalibrationStartPage = 5;
    static constexpr int kCalibrationRunningPage = 7;

    explicit SensorPage(FeatureHost& host) : host_(host) { }

    // "ms_deng_combo_USBreportSelect" changed: the entry's index is stored and sent.
    void onReportRate();
    // The lift-off distance in millimetres, limited to 2..3.
    void setLiftOff(int millimetres);
    // "height2mm" / "height3mm" clicked.
    void onLiftOffOption(int millimetres);
    // The page refresh's part: the lift-off options from CurrentSettings, re-sent.
    void refreshLiftOff();
    // After a calibration the mouse's lift-off distance is shown and written (not sent).
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
    // Timer handlers: the result pause ends, then the return to the start page.
    void onResultWaitTimer();
    void onReturnTimer();
    // "ms_linereg_display" changed.
    void onLineCorrection();

    static const QString kFactoryResetQuestion;

private:
    void setCalibrationTexts(const char* status, const char* hint);
    FeatureHost& host_;
};

}  // namespace corv
