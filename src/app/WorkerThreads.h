#pragma once
// The main window's worker threads (input listener, device connection, foreground
// watcher). Each gets a stop token; shutdown asks every worker to stop, lets the caller
// wake the ones that block (the device channel's cancel, the UI call's shutdown), then joins
// them all before the objects they use are destroyed.
#include <functional>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

namespace corv {

class WorkerThreads {
public:
    using Body = std::function<void(std::stop_token)>;

    WorkerThreads() = default;
    ~WorkerThreads();
    WorkerThreads(const WorkerThreads&) = delete;
    WorkerThreads& operator=(const WorkerThreads&) = delete;

    // Starts a named worker. False when body is empty, the set is stopping, or the thread
    // cannot be created.
    bool start(const std::string& name, Body body);
    bool isRunning(const std::string& name) const;
    std::size_t count() const;

    // Asks every worker to stop (their stop tokens fire) without waiting.
    void requestStop();
    // Joins every worker; requestStop first. Safe to call twice.
    void stopAndJoin();

private:
    struct Worker {
        std::string name;
        std::jthread thread;
    };
    mutable std::mutex mutex_;
    std::vector<Worker> workers_;
    bool stopping_ = false;
};

}  // namespace corv
