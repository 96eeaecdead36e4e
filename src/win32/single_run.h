// One conversion run on a click of Command1: open dialog and load, convert, save dialog and save.
#pragma once

#include "engine/conversion_pipeline.h"
#include "win32/main_window.h"
#include "win32/win32_file_dialog.h"

#include <string>

namespace win32 {

// The run's steps over the dialog routine and the pipeline, with the status line and Command1 of
// the window it is given.
class SingleRun {
public:
    SingleRun(MainWindow& window, Win32FileDialog& dialog, engine::ConversionPipeline& pipeline,
              std::string applicationFolder);
    void run();

private:
    bool openAndLoad();
    bool saveAs();
    std::string measurementFolder() const;
    void warn(const engine::Failure& failure);

    MainWindow& window_;
    Win32FileDialog& dialog_;
    engine::ConversionPipeline& pipeline_;
    std::string applicationFolder_;
};

}  // namespace win32
