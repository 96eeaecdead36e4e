// The program's only window: title, description, status line and the two buttons.
#pragma once

#include "ui/message_box_warnings.h"
#include "ui/qt_batch_prompts.h"
#include "ui/qt_file_dialog.h"
#include "ui/qt_window_thread.h"
#include "workflow/batch_run.h"
#include "workflow/conversion_run.h"

#include <QWidget>

#include <functional>

class QLabel;
class QMimeData;
class QPushButton;

namespace ui {

// Command1 runs one conversion through the dialogs; Command2 closes the window, which ends the program.
// Files and folders dropped on the window from a file manager are converted too. The runs are the
// workflow's: the window shows what they show and hands them the clicks and drops.
class FileConverter : public QWidget, private workflow::RunView {
    Q_OBJECT

public:
    // applicationFolder is the program's folder: a portable copy keeps its profile file and its
    // default measurement folder there.
    FileConverter(engine::ConversionPipeline& pipeline, const QString& applicationFolder, QWidget* parent = nullptr);

    QLabel* Label1;
    QLabel* Label3;
    QLabel* Label2;
    QPushButton* Command1;
    QPushButton* Command2;

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void showStatus(const std::string& text) override;
    void setCommand1Enabled(bool enabled) override;
    // Local files and folders only, and none while a run is in progress.
    bool takes(const QMimeData* data) const;
    // Runs the one run the click or drop starts, the window taking no drop until it is over.
    void runAlone(const std::function<void()>& run);

    QtFileDialog CMDialogDatei;
    MessageBoxWarnings warnings_;
    workflow::ConversionRun run_;
    QtBatchPrompts batchPrompts_;
    QtWindowThread windowThread_;
    workflow::BatchRun batchRun_;
    bool running_ = false;  // from a click or drop to the end of the run it starts
};

}  // namespace ui
