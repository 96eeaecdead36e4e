// Work kept off the window's thread the Qt way: a QThread while a local event loop keeps the window answering.
#pragma once

#include "workflow/window_thread.h"

#include <QObject>

namespace ui {

// Made on the window's thread; tasks posted to it are dropped when it goes.
class QtWindowThread : public workflow::WindowThread {
public:
    bool runOff(const std::function<void()>& work, const std::function<void()>& stop) override;
    void post(std::function<void()> task, std::chrono::milliseconds delay) override;

private:
    QObject windowThread_;  // the receiver of the posted tasks, on the window's thread
};

}  // namespace ui
