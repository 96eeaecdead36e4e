// Work kept off the window's thread the Qt way: a QThread while a local event loop keeps the window answering.
#include "ui/qt_window_thread.h"

#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <memory>

namespace ui {

bool QtWindowThread::runOff(const std::function<void()>& work, const std::function<void()>& stop)
{
    QEventLoop untilDone;
    const std::unique_ptr<QThread> worker(QThread::create(work));
    bool done = false;
    QObject::connect(worker.get(), &QThread::finished, &untilDone, [&] {
        done = true;
        untilDone.quit();
    });
    worker->start();
    // Ends early when the program quits.
    untilDone.exec();
    if (!done) stop();
    worker->wait();
    return done;
}

void QtWindowThread::post(std::function<void()> task, std::chrono::milliseconds delay)
{
    // Queued first in any case: a timer may only be started on the thread it belongs to.
    QMetaObject::invokeMethod(
        &windowThread_,
        [this, task = std::move(task), delay] {
            if (delay.count() > 0)
                QTimer::singleShot(delay, &windowThread_, task);
            else
                task();
        },
        Qt::QueuedConnection);
}

}  // namespace ui
