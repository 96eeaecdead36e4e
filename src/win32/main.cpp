// FileConverter on Windows: the window that converts old measurement files, a shell over the workflow.
#include "engine/conversion_pipeline.h"
#include "workflow/user_folders.h"
#include "win32/main_window.h"
#include "win32/ole_apartment.h"
#include "win32/warning_box.h"
#include "win32/win32_batch_prompts.h"
#include "win32/win32_file_dialog.h"
#include "win32/win32_window_thread.h"
#include "workflow/batch_run.h"
#include "workflow/conversion_run.h"

#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand)
{
    // Before any window or dialog, for the program's life.
    const win32::OleApartment apartment;
    // The manifest asks for common controls 6; they are registered before the first control is made.
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    if (!win32::MainWindow::registerClass(instance))
        return 1;

    win32::MainWindow window;
    if (!window.create(instance))
        return 1;
    win32::Win32FileDialog dialog(window.handle(), apartment);
    win32::Win32WarningBox warnings(window.handle());
    engine::ConversionPipeline pipeline;
    // The run is the workflow's; the window only shows it. Its dialogs are modal, so it runs on
    // the window's thread, and Command1 stays disabled until it ends.
    workflow::ConversionRun run(pipeline, dialog, warnings, [] { MessageBeep(MB_OK); },
                                workflow::profileMeasurementFolder(workflow::programFileFolder()));
    window.onCommand1([&run, &window] { run.convertOneFile(window); });
    // Dropped files are converted off the window's thread, each run through a pipeline of its own.
    win32::Win32WindowThread windowThread;
    win32::Win32BatchPrompts batchPrompts(window.handle(), apartment);
    workflow::BatchRun batchRun(run, batchPrompts, windowThread, workflow::profileMeasurementFolder(workflow::programFileFolder()),
                                [] { return std::make_unique<engine::ConversionPipeline>(); });
    window.onDrop([&batchRun, &window](const std::vector<std::string>& paths) { batchRun.convertDropped(window, paths); });
    window.show(showCommand);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        // Tab, Shift+Tab, Space and Enter among the buttons, as in a dialog.
        if (IsDialogMessageW(window.handle(), &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
