// How long and how often a file that another program holds for a moment is tried again, on a clock
// that tests replace so that they need not wait.
#pragma once

#include <chrono>

namespace engine {

// The time the waits for held files are measured on and spent in.
class RetryClock {
public:
    using Time = std::chrono::steady_clock::time_point;
    virtual ~RetryClock() = default;
    virtual Time now();
    virtual void sleepUntil(Time time);
};

// The real clock, for everyone who needs no other.
RetryClock& systemRetryClock();

// Five seconds: a virus scanner, the search indexer or a backup or sync agent opens a file it has
// just seen for well under a second, rarely for more than one or two; a file still held after five is
// open in a program that works with it (a viewer, an editor), which no wait would outlast, and a run
// whose files are all held must not stall much longer than that.
inline constexpr std::chrono::milliseconds HeldFileGrace{5000};

// The tries of one file another program holds, from the moment it was first found held: the pauses
// between them grow from 20 ms to half a second, and the last try comes at the end of the grace.
class HeldTries {
public:
    explicit HeldTries(RetryClock::Time firstHeld) : giveUpAt_(firstHeld + HeldFileGrace), next_(firstHeld) { tried(firstHeld); }

    RetryClock::Time next() const { return next_; }
    bool due(RetryClock::Time now) const { return now >= next_; }
    // Whether a try made at now was the last one.
    bool over(RetryClock::Time now) const { return now >= giveUpAt_; }
    // A try made at now found the file still held.
    void tried(RetryClock::Time now);

private:
    RetryClock::Time giveUpAt_, next_;
    std::chrono::milliseconds pause_{10};
};

}  // namespace engine
