// Work kept off the window's thread: the window shell runs it on a thread of its own and hands
// tasks back to the window's thread, so that the window repaints and answers meanwhile.
#pragma once

#include <chrono>
#include <functional>

namespace workflow {

class WindowThread {
public:
    virtual ~WindowThread() = default;
    // Called on the window's thread: runs work on a thread of its own and returns when it is done,
    // the window's events handled meanwhile. Should the window's loop end first (the program quits:
    // End or the close box), calls stop, which asks the work to end soon, still waits for it, and
    // returns false, so that the caller shows nothing more and returns too.
    virtual bool runOff(const std::function<void()>& work, const std::function<void()>& stop) = 0;
    // From any thread: has task run on the window's thread, not before delay has passed. Tasks still
    // waiting when the window is gone are dropped.
    virtual void post(std::function<void()> task, std::chrono::milliseconds delay = {}) = 0;
};

}  // namespace workflow
