// Win32's WindowThread: tasks handed back to the window's thread, work run off it while messages flow.
#include "win32/win32_window_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TEST(Win32WindowThread, TasksRunOnTheWindowsThreadInTimeWhileTheWorkGoesOn)
{
    win32::Win32WindowThread windowThread;
    const std::thread::id window = std::this_thread::get_id();
    std::vector<int> order;
    std::atomic<bool> delayedRan = false;
    Clock::time_point posted, ran;
    const bool done = windowThread.runOff(
        [&] {
            posted = Clock::now();
            windowThread.post([&] { ran = Clock::now(); order.push_back(2); delayedRan = true; }, 80ms);
            windowThread.post([&] { EXPECT_EQ(std::this_thread::get_id(), window); order.push_back(1); }, 0ms);
            // The work ends only once the window's thread has run the later task.
            for (const auto end = Clock::now() + 10s; !delayedRan && Clock::now() < end;) std::this_thread::sleep_for(1ms);
        },
        [] { ADD_FAILURE() << "stopped without a quit"; });
    EXPECT_TRUE(done);
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
    EXPECT_GE(ran - posted, 80ms);
}

TEST(Win32WindowThread, AQuitStopsTheWorkWaitsForItAndGoesOn)
{
    win32::Win32WindowThread windowThread;
    PostQuitMessage(7);
    std::atomic<bool> stopped = false;
    bool ended = false;
    EXPECT_FALSE(windowThread.runOff([&] { while (!stopped) std::this_thread::sleep_for(1ms); ended = true; }, [&] { stopped = true; }))
        << "the program quits";
    EXPECT_TRUE(ended);
    MSG message;
    ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(message.wParam, 7u);
}

TEST(Win32WindowThread, TasksWaitingWhenItGoesAreDropped)
{
    bool ran = false;
    {
        win32::Win32WindowThread windowThread;
        windowThread.post([&] { ran = true; }, 0ms);
    }
    MSG message;
    for (const auto end = Clock::now() + 100ms; Clock::now() < end; Sleep(5))
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    EXPECT_FALSE(ran);
}

}  // namespace
