#pragma once
// The window's side of the messages from outside (platform/OutsideMessages.h): the service
// receives each request on its own thread and hands it over here; the requests are carried
// out on the UI thread in the order they came and each is answered when done. Nothing waits
// for the UI thread: a request that comes while the window is busy (a message box open, a
// profile being applied) waits in the queue, and its caller waits for the answer.
#include <QObject>
#include <deque>
#include <mutex>
#include <utility>

#include "platform/OutsideMessages.h"

namespace corv {

class MainWindow;

class OutsideRequests : public QObject {
public:
    OutsideRequests(MainWindow& wnd, OutsideMessageService& service);
    // Stops the service; the requests not carried out yet are answered "closing".
    ~OutsideRequests() override;
    OutsideRequests(const OutsideRequests&) = delete;
    OutsideRequests& operator=(const OutsideRequests&) = delete;

    // Starts the service (false without a session bus, or when another process serves).
    bool start();
    void stop();

    // Carries out one request. UI thread.
    OutsideAnswer carryOut(const OutsideCall& call);

    // The text shown for a profile name that is not listed.
    static std::string unknownProfileText(const std::string& name);

protected:
    bool event(QEvent* e) override;

private:
    void receive(OutsideCall call, OutsideReply reply);  // the service's thread
    void carryOutWaiting();                              // UI thread

    MainWindow& wnd_;
    OutsideMessageService& service_;
    std::mutex mutex_;
    std::deque<std::pair<OutsideCall, OutsideReply>> waiting_;
};

}  // namespace corv
