// Qt's WindowThread: work runs off the window's thread while its events go on; should the program
// quit meanwhile, the work is asked to stop and awaited, and the run is told that the program ends.
#include "ui/qt_window_thread.h"
#include "modal_script.h"

#include <QTimer>

#include <atomic>
#include <thread>

namespace {

TEST(QtWindowThread, AQuitDuringTheWorkStopsItAndTellsTheRun)
{
    uitest::ensureApplication();
    for (const bool quit : {false, true}) {
        ui::QtWindowThread windowThread;
        std::atomic<bool> stopped = false, ran = false;
        bool done = !quit;
        // In the program's own loop, as a drop's run is: a quit ends every loop of the program.
        QTimer::singleShot(0, [&] {
            if (quit) windowThread.post([] { QCoreApplication::quit(); }, {});
            done = windowThread.runOff(
                [&] {
                    while (quit && !stopped) std::this_thread::sleep_for(std::chrono::milliseconds(1));
                    ran = true;
                },
                [&] { stopped = true; });
            if (!quit) QCoreApplication::quit();
        });
        QCoreApplication::exec();
        EXPECT_TRUE(ran) << quit;
        EXPECT_EQ(stopped, quit);
        EXPECT_EQ(done, !quit);
    }
}

}  // namespace
