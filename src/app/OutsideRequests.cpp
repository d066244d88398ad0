#include "app/OutsideRequests.h"

#include <QCoreApplication>
#include <QEvent>

#include "app/MainWindow.h"
#include "feature/ProfileApplication.h"

namespace corv {

namespace {

// Posted to the UI thread for each request handed over.
constexpr int kRequestsWaiting = QEvent::User + 72;

}  // namespace

OutsideRequests::OutsideRequests(MainWindow& wnd, OutsideMessageService& service) : wnd_(wnd), service_(service) { }

OutsideRequests::~OutsideRequests() { stop(); }

bool OutsideRequests::start()
{
    return service_.start([this](OutsideCall call, OutsideReply reply) { receive(std::move(call), std::move(reply)); });
}

void OutsideRequests::stop()
{
    service_.stop();  // nothing is handed over after this
    std::deque<std::pair<OutsideCall, OutsideReply>> dropped;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        dropped.swap(waiting_);
    }
    // dropped goes here: each reply answers "closing".
}

void OutsideRequests::receive(OutsideCall call, OutsideReply reply)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        waiting_.emplace_back(std::move(call), std::move(reply));
    }
    auto* nudge = new QEvent(static_cast<QEvent::Type>(kRequestsWaiting));
    // Published through our lock before Qt's queue (whose locks race detectors cannot see)
    // hands the event over; event() takes the lock first.
    {
        std::lock_guard<std::mutex> publish(mutex_);
    }
    QCoreApplication::postEvent(this, nudge);
}

bool OutsideRequests::event(QEvent* e)
{
    if (e->type() != static_cast<QEvent::Type>(kRequestsWaiting))
        return QObject::event(e);
    {
        std::lock_guard<std::mutex> lock(mutex_);
    }
    carryOutWaiting();
    return true;
}

void OutsideRequests::carryOutWaiting()
{
    // One at a time: a request may open a nested event loop (a message box), in which the
    // next ones are carried out.
    for (;;) {
        std::pair<OutsideCall, OutsideReply> next;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (waiting_.empty())
                return;
            next = std::move(waiting_.front());
            waiting_.pop_front();
        }
        next.second.answer(carryOut(next.first));
    }
}

std::string OutsideRequests::unknownProfileText(const std::string& name)
{
    return "no profile is named \"" + name + "\"";
}

OutsideAnswer OutsideRequests::carryOut(const OutsideCall& call)
{
    OutsideAnswer answer;
    if (wnd_.isShuttingDown()) {
        answer.status = OutsideStatus::Closing;
        answer.message = "the program is closing";
        return answer;
    }
    switch (call.request) {
    case OutsideRequest::ShowWindow:
        if (wnd_.isMinimized())
            wnd_.showNormal();
        wnd_.showWindow(true, true);
        answer.flag = true;
        break;
    case OutsideRequest::ApplyDpiProfile:
        answer.flag = wnd_.presenter().applyProfileFromOutside(kFromDpiList);
        break;
    case OutsideRequest::ApplyKeyProfile:
        answer.flag = wnd_.presenter().applyProfileFromOutside(kFromKeyList);
        break;
    case OutsideRequest::ApplyRegProfile:
        answer.flag = wnd_.presenter().applyProfileFromOutside(kFromRegList);
        break;
    case OutsideRequest::DeviceArrived:
        answer.flag = wnd_.presenter().deviceArrived(0, 0);
        break;
    case OutsideRequest::SelectProfile: {
        if (!wnd_.registry().request(kSelectProfileRequest, call.profileName).value_or(false)) {
            answer.status = OutsideStatus::UnknownProfile;
            answer.message = unknownProfileText(call.profileName);
        }
        break;
    }
    case OutsideRequest::GetState:
        answer.flag = wnd_.isVisible();
        answer.connected = wnd_.isPresented();
        break;
    }
    return answer;
}

}  // namespace corv
