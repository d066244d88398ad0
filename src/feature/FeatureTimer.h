#pragma once
// A single-shot-or-repeating timer that a feature owns (on the UI thread). Firing it by hand
// runs the same handler as its timeout, so tests need not wait for it.
#include <functional>
#include <memory>

class QTimer;

namespace corv {

class FeatureTimer {
public:
    explicit FeatureTimer(std::function<void()> onTimeout);
    ~FeatureTimer();
    FeatureTimer(const FeatureTimer&) = delete;
    FeatureTimer& operator=(const FeatureTimer&) = delete;

    // (Re)starts the timer: it fires every milliseconds until stopped.
    void start(int milliseconds);
    void stop();
    bool isActive() const;
    // Runs the timeout handler now (the timer's state is left as the handler leaves it).
    void fire();

private:
    std::function<void()> onTimeout_;
    std::unique_ptr<QTimer> timer_;
};

}  // namespace corv
