// One conversion run of the window: open dialog and load, convert, save dialog and save, status line.
#pragma once

#include "engine/conversion_pipeline.h"
#include "workflow/file_dialog.h"
#include "workflow/warning_text.h"

#include <functional>
#include <string>

namespace workflow {

inline constexpr char StatusRunning[] = "Start converting";
inline constexpr char StatusConverted[] = "File succesfully converted!";
inline constexpr char StatusNotConverted[] = "ERROR: File NOT converted!";

// What a run changes in the window.
class RunView {
public:
    virtual ~RunView() = default;
    // UTF-8.
    virtual void showStatus(const std::string& text) = 0;
    virtual void setCommand1Enabled(bool enabled) = 0;
};

// Tells the user why a file could not be loaded or saved: a beep and a modal warning box with the
// text's title and prompt; returns when the user has closed it.
class WarningBox {
public:
    virtual ~WarningBox() = default;
    virtual void warn(const WarningText& text) = 0;
};

// The folder the file dialogs start in, UTF-8 as the dialog routine takes it; asked afresh before
// every dialog, so that a profile edited while the program runs takes effect at the next dialog.
using FolderLookup = std::function<std::string()>;

// PfadMessFile of the profile file, or the VelFiles folder made where it goes: both beside the
// program in applicationFolder for a portable copy, in the user's folders for an installed program.
FolderLookup profileMeasurementFolder(const std::string& applicationFolder);

// The dialog steps of a run around the conversion pipeline; everything it shows goes through the
// interfaces it is given, so that it runs without a screen.
class ConversionRun {
public:
    ConversionRun(engine::ConversionPipeline& pipeline, workflow::FileDialogControl& dialog, WarningBox& warnings,
                  std::function<void()> beep, FolderLookup measurementFolder);

    // Asks for the old file, loads and converts it; false after a cancel or a failed load.
    bool DateiOeffnen();

    // Asks for the target name and saves the converted record there; false after a cancel, for a
    // record marked not to be saved, and after a failed save.
    bool DateiSpeichernUnter();

    // The click on Command1: the whole run from the open dialog to the outcome in the status line.
    void convertOneFile(RunView& view);

    // The same run for a file chosen before it starts (the system's name), such as one dropped on
    // the window: no open dialog.
    void convertOneFile(RunView& view, const std::string& source);

private:
    // Loads and converts source (the system's name for it); a failure goes to the warning box.
    bool load(const std::string& source);
    void run(RunView& view, const std::function<bool()>& open);

    engine::ConversionPipeline& pipeline_;
    workflow::FileDialogControl& dialog_;
    WarningBox& warnings_;
    std::function<void()> beep_;
    FolderLookup measurementFolder_;
};

}  // namespace workflow
