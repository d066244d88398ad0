#pragma once
// The two short-lived workers that apply a profile's operating-system settings: the pointer
// speed and the wheel scroll lines. Each worker has its own request and busy flag; a start
// while the previous worker of its kind is still busy does nothing: that worker applies the
// newest request before it ends. Starts return at once.
//
// The pointer speed is limited to 1..20 by its worker (and the limited value stored back as
// the request); the scroll lines go to the desktop as requested (the desktop layer keeps
// them at least 1).
#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace corv {

class DesktopSettings;

class SystemSettingWorkers {
public:
    explicit SystemSettingWorkers(DesktopSettings& desktop);
    ~SystemSettingWorkers();  // joins every worker still running
    SystemSettingWorkers(const SystemSettingWorkers&) = delete;
    SystemSettingWorkers& operator=(const SystemSettingWorkers&) = delete;

    void setPointerSpeedRequest(int speed) { pointerRequest_.store(speed); }
    int pointerSpeedRequest() const { return pointerRequest_.load(); }
    void startPointerSpeedWorker();

    void setScrollLinesRequest(int lines) { scrollRequest_.store(lines); }
    int scrollLinesRequest() const { return scrollRequest_.load(); }
    void startScrollLinesWorker();

    bool pointerSpeedBusy() const { return pointerBusy_.load(); }
    bool scrollLinesBusy() const { return scrollBusy_.load(); }
    // Waits until every worker started so far has ended.
    void waitIdle();

private:
    void launch(std::atomic<bool>& busy, const std::atomic<int>& request, int (SystemSettingWorkers::*body)());
    int applyPointerSpeed();
    int applyScrollLines();

    DesktopSettings& desktop_;
    std::atomic<int> pointerRequest_{0};
    std::atomic<int> scrollRequest_{0};
    std::atomic<bool> pointerBusy_{false};
    std::atomic<bool> scrollBusy_{false};
    struct Worker {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    std::mutex threadsMutex_;
    std::vector<Worker> threads_;
};

}  // namespace corv
