#include "app/WorkerThreads.h"

#include <system_error>

namespace corv {

WorkerThreads::~WorkerThreads() { stopAndJoin(); }

bool WorkerThreads::start(const std::string& name, Body body)
{
    if (!body)
        return false;
    std::lock_guard lock(mutex_);
    if (stopping_)
        return false;
    try {
        workers_.push_back(Worker{name, std::jthread(std::move(body))});
    } catch (const std::system_error&) {
        return false;  // the thread could not be created
    }
    return true;
}

bool WorkerThreads::isRunning(const std::string& name) const
{
    std::lock_guard lock(mutex_);
    for (const Worker& w : workers_) {
        if (w.name == name && w.thread.joinable())
            return true;
    }
    return false;
}

std::size_t WorkerThreads::count() const
{
    std::lock_guard lock(mutex_);
    return workers_.size();
}

void WorkerThreads::requestStop()
{
    std::lock_guard lock(mutex_);
    stopping_ = true;
    for (Worker& w : workers_)
        w.thread.request_stop();
}

void WorkerThreads::stopAndJoin()
{
    requestStop();
    std::vector<Worker> joining;
    {
        std::lock_guard lock(mutex_);
        joining.swap(workers_);
    }
    for (Worker& w : joining) {
        if (w.thread.joinable())
            w.thread.join();
    }
}

}  // namespace corv
