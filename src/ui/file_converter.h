// The program's only window: title, description, status line and the two buttons.
#pragma once

#include "ui/conversion_run.h"
#include "ui/message_box_warnings.h"
#include "ui/qt_file_dialog.h"

#include <QWidget>

class QLabel;
class QPushButton;

namespace ui {

// Command1 runs one conversion through the dialogs; Command2 closes the window, which ends the program.
class FileConverter : public QWidget, private RunView {
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

private:
    void showStatus(const QString& text) override;
    void setCommand1Enabled(bool enabled) override;

    QtFileDialog CMDialogDatei;
    MessageBoxWarnings warnings_;
    ConversionRun run_;
};

}  // namespace ui
