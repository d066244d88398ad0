#pragma once
// Runs a KeyboardSource on the Qt event loop: a socket notifier on its descriptor calls
// readable(), and a single-shot timer calls deadline() when the source holds an event back.
// The timer is armed from pendingMs() after each call into the source; an owner that
// changes how the source listens calls rearm() afterwards. An idle source costs no wake-up.
// The pump must be destroyed before its source.
#include <QObject>
#include <QTimer>
#include <memory>

class QSocketNotifier;

namespace corv {
class KeyboardSource;
}

namespace corv::ui {

class KeyboardPump final : public QObject {
    Q_OBJECT
public:
    explicit KeyboardPump(KeyboardSource& source, QObject* parent = nullptr);
    ~KeyboardPump() override;

    // Arms (or stops) the timer as the source's pendingMs() says.
    void rearm();
    bool timerActive() const { return timer_.isActive(); }

private:
    void onReadable();
    void onDeadline();

    KeyboardSource& source_;
    std::unique_ptr<QSocketNotifier> notifier_;  // none for a source without a descriptor
    QTimer timer_;
};

}  // namespace corv::ui
