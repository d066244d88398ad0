#pragma once
// The UI thread and the synchronous call onto it (what worker threads use instead of
// sending a window message).
//
// RULE: never call sendToUiThread while holding the device channel's lock (or any lock the
// UI thread may take). The UI thread may itself be waiting for that lock, and both threads
// would then wait for ever.
#include <functional>

class QObject;

namespace corv::ui {

// Whether the calling thread is the UI thread (the thread of the QApplication).
bool onUiThread();

// Runs fn on the UI thread and waits until it has run. On the UI thread it runs at once.
// Returns false, without running fn, when the call was shut down (program exit) before fn
// could run, or when there is no application.
bool sendToUiThread(const std::function<void()>& fn);

// Runs fn on the UI thread later, without waiting for it: from any thread, the hand-over
// seen by race detectors (Qt's own queue is not). fn is dropped, not run, when context is
// gone by then; context must be alive during this call.
void postToUiThread(QObject* context, std::function<void()> fn);

// Ends the synchronous call for good: waiting callers return false at once, and later calls
// return false without waiting. Called on the UI thread at shutdown, before worker threads
// are joined. resetUiThreadCall re-enables it (tests).
void shutdownUiThreadCall();
void resetUiThreadCall();

// How many callers are waiting in sendToUiThread right now (tests that act while one waits).
int waitingUiThreadCalls();

}  // namespace corv::ui
