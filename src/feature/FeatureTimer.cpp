#include "feature/FeatureTimer.h"

#include <QTimer>

namespace corv {

FeatureTimer::FeatureTimer(std::function<void()> onTimeout)
    : onTimeout_(std::move(onTimeout)), timer_(std::make_unique<QTimer>())
{
    QObject::connect(timer_.get(), &QTimer::timeout, [this] { fire(); });
}

FeatureTimer::~FeatureTimer() = default;

void FeatureTimer::start(int milliseconds) { timer_->start(milliseconds); }

void FeatureTimer::stop() { timer_->stop(); }

bool FeatureTimer::isActive() const { return timer_->isActive(); }

void FeatureTimer::fire()
{
    if (onTimeout_)
        onTimeout_();
}

}  // namespace corv
