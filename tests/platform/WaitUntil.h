#pragma once
// Waits, up to 30 s, for a condition that nothing signals (a count kept by another process
// or thread without a notification): it is looked at every 10 ms. True when it held.
#include <chrono>
#include <thread>

namespace corv::test {

template <typename Pred> bool waitUntil(Pred pred)
{
    using namespace std::chrono_literals;
    for (const auto until = std::chrono::steady_clock::now() + 30s; std::chrono::steady_clock::now() < until;) {
        if (pred())
            return true;
        std::this_thread::sleep_for(10ms);
    }
    return false;
}

}  // namespace corv::test
