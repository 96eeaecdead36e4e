// Work kept off the window's thread the Win32 way: a std::thread while a nested message loop keeps the window answering.
#pragma once

#include "workflow/window_thread.h"

#include <windows.h>

#include <memory>

namespace win32 {

// Made on the window's thread, whose messages carry the posted tasks; tasks still waiting when it
// goes are dropped.
class Win32WindowThread final : public workflow::WindowThread {
public:
    Win32WindowThread();
    ~Win32WindowThread() override;
    Win32WindowThread(const Win32WindowThread&) = delete;
    Win32WindowThread& operator=(const Win32WindowThread&) = delete;

    bool runOff(const std::function<void()>& work, const std::function<void()>& stop) override;
    void post(std::function<void()> task, std::chrono::milliseconds delay) override;

    struct Queue;

private:
    std::shared_ptr<Queue> queue_;  // shared with the tasks' senders, which may outlive this
};

}  // namespace win32
