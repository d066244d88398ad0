// Runs the foreground watcher of this session (makeForegroundWatcher(), chosen from the
// environment as the program chooses it) and prints one line per report until SIGINT or
// SIGTERM:
//   <wall clock in µs> pid=<pid> app=<app id> exe=<executable>
// The wall clock lets a script set each report against the time a bus monitor saw the
// desktop's message. Exit 2 when this session has no watcher or it cannot start.
#include <signal.h>
#include <time.h>

#include <cstdio>
#include <string>

#include "platform/ForegroundWatcher.h"

int main()
{
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);  // the watcher's thread inherits the mask

    const std::unique_ptr<corv::ForegroundWatcher> watcher = corv::makeForegroundWatcher();
    if (!watcher) {
        std::fputs("no foreground watcher for this session\n", stderr);
        return 2;
    }
    const bool started = watcher->start([](const corv::ForegroundProgram& program) {
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        const long long micros = static_cast<long long>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
        std::printf("%lld pid=%u app=%s exe=%s\n", micros, program.pid, program.appId.c_str(),
                    program.executable.c_str());
        std::fflush(stdout);
    });
    if (!started) {
        std::fputs("the foreground watcher did not start\n", stderr);
        return 2;
    }
    int signal = 0;
    sigwait(&stopSignals, &signal);
    watcher->stop();
    const std::string missing = watcher->missingExtension();
    if (!missing.empty())
        std::printf("missing extension: %s\n", missing.c_str());
    return 0;
}
