#include "platform/OutsideMessages.h"

namespace corv {

void OutsideReply::answer(const OutsideAnswer& a)
{
    if (!state_)
        return;
    std::shared_ptr<Sink> sink;
    {
        std::lock_guard<std::mutex> guard(state_->mutex);
        sink.swap(state_->sink);
    }
    if (sink)
        sink->send(a);
}

const char* outsideRequestName(OutsideRequest request)
{
    switch (request) {
    case OutsideRequest::ShowWindow:
        return "show";
    case OutsideRequest::ApplyDpiProfile:
        return "apply-profile dpi";
    case OutsideRequest::ApplyKeyProfile:
        return "apply-profile key";
    case OutsideRequest::ApplyRegProfile:
        return "apply-profile reg";
    case OutsideRequest::DeviceArrived:
        return "device-arrived";
    case OutsideRequest::SelectProfile:
        return "select-profile";
    case OutsideRequest::GetState:
        return "status";
    }
    return "?";
}

}  // namespace corv
