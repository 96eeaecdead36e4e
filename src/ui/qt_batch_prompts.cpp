// The dialogs and boxes of a run over many files, as Qt's widgets show them.
#include "ui/qt_batch_prompts.h"

#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>

namespace ui {

QtBatchPrompts::QtBatchPrompts(QWidget* parent) : parent_(parent) {}

QtBatchPrompts::~QtBatchPrompts() = default;

std::string QtBatchPrompts::targetFolder(const std::string& startFolder)
{
    QFileDialog dialog(parent_, QStringLiteral("Save Files To"));
    // Qt's own widget, as for the file dialogs; it has a button that makes a new folder.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setDirectory(QString::fromStdString(startFolder));
    // The system's name for the folder, as the engine takes it.
    return dialog.exec() == QDialog::Accepted ? QFile::encodeName(dialog.selectedFiles().value(0)).toStdString() : std::string();
}

workflow::BatchPrompts::Existing QtBatchPrompts::existingTargets(std::size_t existing, std::size_t count)
{
    QMessageBox box(
        QMessageBox::Question, QStringLiteral("Save Files To"),
        QStringLiteral("%1 of the %2 converted files exist already in this folder.").arg(existing).arg(count),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent_);
    box.setInformativeText(QStringLiteral("Replace them, skip them, or cancel the whole run?"));
    box.button(QMessageBox::Yes)->setText(QStringLiteral("Replace"));
    box.button(QMessageBox::No)->setText(QStringLiteral("Skip"));
    // Replacing cannot be undone: Enter skips the existing targets, Escape cancels the run; both keep
    // every file as it is.
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::Cancel);
    const int answer = box.exec();
    return answer == QMessageBox::Yes  ? Existing::Replace
           : answer == QMessageBox::No ? Existing::Skip
                                       : Existing::Cancel;
}

void QtBatchPrompts::progressStarted(std::size_t count, std::function<void()> cancel)
{
    progress_ =
        std::make_unique<QProgressDialog>(QString(), QStringLiteral("Cancel"), 0, static_cast<int>(count), parent_);
    progress_->setWindowTitle(QStringLiteral("Converting"));
    // Modal to the window, so that nothing else is started or ended while the files are converted.
    progress_->setWindowModality(Qt::WindowModal);
    progress_->setAutoClose(false);
    progress_->setAutoReset(false);
    progress_->setMinimumDuration(0);
    progress_->setMinimumWidth(360);
    // The dialog stays up until the run has stopped after the file at hand: its own cancel would hide it.
    QObject::disconnect(progress_.get(), &QProgressDialog::canceled, progress_.get(), nullptr);
    QObject::connect(progress_.get(), &QProgressDialog::canceled, progress_.get(), [this, cancel = std::move(cancel)] {
        cancel();
        stopping_ = true;
        progress_->setLabelText(QStringLiteral("Stopping after the file at hand"));
    });
    stopping_ = false;
    progress_->show();
}

void QtBatchPrompts::progress(std::size_t index, std::size_t count, const std::string& file)
{
    if (!progress_ || stopping_) return;
    progress_->setLabelText(QStringLiteral("%1 of %2\n%3").arg(index + 1).arg(count).arg(QString::fromStdString(file)));
    progress_->setValue(static_cast<int>(index));
}

void QtBatchPrompts::progressEnded() { progress_.reset(); }

void QtBatchPrompts::summary(const workflow::BatchSummary& summary)
{
    QString text = QStringLiteral("Converted: %1\nSkipped, the target exists already: %2\nNot converted: %3")
                       .arg(summary.converted).arg(summary.skipped).arg(summary.notConverted);
    if (summary.notBegun > 0) text += QStringLiteral("\nNot begun, the run was cancelled: %1").arg(summary.notBegun);
    const bool allConverted = summary.skipped + summary.notConverted + summary.notBegun == 0;
    QMessageBox box(allConverted ? QMessageBox::Information : QMessageBox::Warning, QStringLiteral("FileConverter"),
                    text, QMessageBox::Ok, parent_);
    // Plain text: a '<' in a file name must not turn the box into markup.
    box.setTextFormat(Qt::PlainText);
    QStringList problems;
    for (const std::string& problem : summary.problems) problems.append(QString::fromStdString(problem));
    box.setDetailedText(problems.join(u'\n'));
    box.exec();
}

}  // namespace ui
