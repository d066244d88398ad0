#include "ui/KeyboardPump.h"

#include <QSocketNotifier>

#include "platform/KeyboardSource.h"

namespace corv::ui {

KeyboardPump::KeyboardPump(KeyboardSource& source, QObject* parent) : QObject(parent), source_(source)
{
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &KeyboardPump::onDeadline);
    if (source_.descriptor() >= 0) {
        notifier_ = std::make_unique<QSocketNotifier>(source_.descriptor(), QSocketNotifier::Read);
        connect(notifier_.get(), &QSocketNotifier::activated, this, &KeyboardPump::onReadable);
    }
    rearm();
}

KeyboardPump::~KeyboardPump() = default;

void KeyboardPump::rearm()
{
    const int wait = source_.pendingMs();
    if (wait < 0)
        timer_.stop();
    else
        timer_.start(wait);
}

void KeyboardPump::onReadable()
{
    source_.readable();
    rearm();
}

void KeyboardPump::onDeadline()
{
    source_.deadline();
    rearm();
}

}  // namespace corv::ui
