// Work kept off the window's thread the Win32 way: a std::thread while a nested message loop keeps the window answering.
#include "win32/win32_window_thread.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

namespace win32 {
namespace {

// Private messages of the receiver window: tasks are waiting, a piece of work is done.
constexpr UINT TasksWaiting = WM_APP + 1;
constexpr UINT WorkDone = WM_APP + 2;
constexpr UINT_PTR DelayTimer = 1;
constexpr wchar_t ReceiverClass[] = L"FileConverterWindowThread";

}  // namespace

struct Win32WindowThread::Queue {
    struct Task {
        std::chrono::steady_clock::time_point due;
        std::function<void()> run;
    };
    std::mutex mutex;
    HWND receiver = nullptr;  // null once the window thread object is gone
    std::vector<Task> tasks;

    // On the window's thread: runs the tasks that are due, in the order they came, and sets the
    // timer for the next one. Each runs without the lock, since it may post again.
    void runDue()
    {
        for (;;) {
            std::function<void()> task;
            {
                const std::lock_guard lock(mutex);
                if (receiver == nullptr) return;
                const auto now = std::chrono::steady_clock::now();
                const auto due = std::ranges::find_if(tasks, [now](const Task& waiting) { return waiting.due <= now; });
                if (due == tasks.end()) {
                    if (tasks.empty()) {
                        KillTimer(receiver, DelayTimer);
                        return;
                    }
                    const auto next = std::ranges::min_element(tasks, {}, &Task::due)->due;
                    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(next - now).count();
                    SetTimer(receiver, DelayTimer, static_cast<UINT>(std::max<long long>(wait, USER_TIMER_MINIMUM)), nullptr);
                    return;
                }
                task = std::move(due->run);
                tasks.erase(due);
            }
            task();
        }
    }

    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* queue = reinterpret_cast<Queue*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (queue != nullptr && (message == TasksWaiting || (message == WM_TIMER && wParam == DelayTimer))) {
            queue->runDue();
            return 0;
        }
        // WorkDone only wakes the loop that waits for it.
        return DefWindowProcW(window, message, wParam, lParam);
    }
};

Win32WindowThread::Win32WindowThread() : queue_(std::make_shared<Queue>())
{
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &Queue::procedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = ReceiverClass;
    RegisterClassExW(&windowClass);  // fails harmlessly when a second one registers it again
    // A message-only window: never shown, it only receives what is posted to this thread.
    queue_->receiver = CreateWindowExW(0, ReceiverClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
    SetWindowLongPtrW(queue_->receiver, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(queue_.get()));
}

Win32WindowThread::~Win32WindowThread()
{
    HWND receiver = nullptr;
    std::vector<Queue::Task> dropped;
    {
        const std::lock_guard lock(queue_->mutex);
        std::swap(receiver, queue_->receiver);
        dropped.swap(queue_->tasks);
    }
    DestroyWindow(receiver);
}

void Win32WindowThread::post(std::function<void()> task, std::chrono::milliseconds delay)
{
    const std::lock_guard lock(queue_->mutex);
    if (queue_->receiver == nullptr) return;
    queue_->tasks.push_back({std::chrono::steady_clock::now() + delay, std::move(task)});
    PostMessageW(queue_->receiver, TasksWaiting, 0, 0);
}

bool Win32WindowThread::runOff(const std::function<void()>& work, const std::function<void()>& stop)
{
    std::atomic<bool> done = false;
    HWND receiver = queue_->receiver;
    std::thread worker([&] {
        work();
        done = true;
        PostMessageW(receiver, WorkDone, 0, 0);
    });
    bool quit = false;
    WPARAM quitCode = 0;
    MSG message;
    while (!done) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0 || got == -1) {
            // The program quits: the work is asked to end soon, and the quit goes on to the outer loop.
            quit = true;
            quitCode = got == 0 ? message.wParam : 0;
            stop();
            break;
        }
        // Tab, Enter and Escape in the window and the dialogs it owns, as in the program's own loop.
        HWND root = message.hwnd != nullptr ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
        if (root != nullptr && IsDialogMessageW(root, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    worker.join();
    if (quit) PostQuitMessage(static_cast<int>(quitCode));
    return !quit;
}

}  // namespace win32
