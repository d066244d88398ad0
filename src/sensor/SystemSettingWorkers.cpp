#include "sensor/SystemSettingWorkers.h"

#include <algorithm>
#include <system_error>

#include "platform/DesktopSettings.h"

namespace corv {

SystemSettingWorkers::SystemSettingWorkers(DesktopSettings& desktop) : desktop_(desktop) { }

SystemSettingWorkers::~SystemSettingWorkers() { waitIdle(); }

void SystemSettingWorkers::waitIdle()
{
    std::vector<Worker> joining;
    {
        std::lock_guard<std::mutex> guard(threadsMutex_);
        joining.swap(threads_);
    }
    for (Worker& w : joining) {
        if (w.thread.joinable())
            w.thread.join();
    }
}

void SystemSettingWorkers::launch(std::atomic<bool>& busy, const std::atomic<int>& request,
                                  int (SystemSettingWorkers::*body)())
{
    // The busy flag is taken here, so that two quick starts cannot both run a worker.
    bool expected = false;
    if (!busy.compare_exchange_strong(expected, true))
        return;
    std::lock_guard<std::mutex> guard(threadsMutex_);
    // Workers that have ended are joined as new ones start, so the list stays short.
    std::erase_if(threads_, [](Worker& w) {
        if (!w.done->load())
            return false;
        w.thread.join();
        return true;
    });
    auto done = std::make_shared<std::atomic<bool>>(false);
    try {
        threads_.push_back(Worker{std::thread([this, &busy, &request, body, done] {
                                      for (;;) {
                                          const int applied = (this->*body)();
                                          busy.store(false);
                                          // A start that came between the last look at the
                                          // request and the flag's release found the worker
                                          // busy and did nothing: its request is ours.
                                          if (request.load() == applied)
                                              break;
                                          bool idle = false;
                                          if (!busy.compare_exchange_strong(idle, true))
                                              break;  // a newer worker has it
                                      }
                                      done->store(true);
                                  }),
                                  done});
    } catch (const std::system_error&) {
        busy.store(false);  // no thread: the request waits for the next start
    }
}

void SystemSettingWorkers::startPointerSpeedWorker()
{
    launch(pointerBusy_, pointerRequest_, &SystemSettingWorkers::applyPointerSpeed);
}

void SystemSettingWorkers::startScrollLinesWorker()
{
    launch(scrollBusy_, scrollRequest_, &SystemSettingWorkers::applyScrollLines);
}

// Each worker applies the request and, when a newer one arrived meanwhile (its start found
// the worker busy), applies that too, so the desktop ends with the last value asked for. Each returns the value it applied last.
int SystemSettingWorkers::applyPointerSpeed()
{
    int want = pointerRequest_.load();
    for (;;) {
        const int speed = std::clamp(want, 1, 20);
        if (!pointerRequest_.compare_exchange_strong(want, speed))
            continue;  // a newer request came in: limit that one
        desktop_.setPointerSpeed(speed);
        want = pointerRequest_.load();
        if (want == speed)
            return speed;
    }
}

int SystemSettingWorkers::applyScrollLines()
{
    int lines = scrollRequest_.load();
    for (;;) {
        desktop_.setWheelScrollLines(lines);
        const int now = scrollRequest_.load();
        if (now == lines)
            return lines;
        lines = now;
    }
}

}  // namespace corv
