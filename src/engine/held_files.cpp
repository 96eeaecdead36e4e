// How long and how often a file that another program holds for a moment is tried again.
#include "engine/held_files.h"

#include <algorithm>
#include <thread>

namespace engine {

RetryClock::Time RetryClock::now() { return std::chrono::steady_clock::now(); }

void RetryClock::sleepUntil(Time time) { std::this_thread::sleep_until(time); }

RetryClock& systemRetryClock()
{
    static RetryClock clock;
    return clock;
}

void HeldTries::tried(RetryClock::Time now)
{
    constexpr std::chrono::milliseconds LongestPause{500};
    pause_ = std::min(pause_ * 2, LongestPause);
    next_ = std::min(now + pause_, giveUpAt_);
}

}  // namespace engine
