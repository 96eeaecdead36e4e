// The dialogs and boxes of a run over many files, as Qt's widgets show them.
#include "ui/qt_batch_prompts.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
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

workflow::BatchPrompts::Existing QtBatchPrompts::existingTargets(const workflow::ExistingTargetsQuestion& question)
{
    QMessageBox box(QMessageBox::Question, QString::fromStdString(question.title), QString::fromStdString(question.instruction),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent_);
    box.setInformativeText(QString::fromStdString(question.content));
    box.button(QMessageBox::Yes)->setText(QString::fromStdString(question.replace));
    box.button(QMessageBox::No)->setText(QString::fromStdString(question.skip));
    // Replacing cannot be undone: Enter skips the existing targets, Escape cancels the run; both keep
    // every file as it is.
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::Cancel);
    const int answer = box.exec();
    return answer == QMessageBox::Yes  ? Existing::Replace
           : answer == QMessageBox::No ? Existing::Skip
                                       : Existing::Cancel;
}

void QtBatchPrompts::progressStarted(std::size_t total, std::function<void()> cancel)
{
    // A range of 0 to 0 moves to and fro: the search does not know how much is left.
    progress_ =
        std::make_unique<QProgressDialog>(QString(), QStringLiteral("Cancel"), 0, static_cast<int>(total), parent_);
    progress_->setWindowTitle(QString::fromLatin1(workflow::ProgressTitle));
    // Modal to the window, so that nothing else is started or ended while the files are converted.
    progress_->setWindowModality(Qt::WindowModal);
    progress_->setAutoClose(false);
    progress_->setAutoReset(false);
    progress_->setMinimumDuration(0);
    progress_->setMinimumWidth(360);
    // The dialog stays up until the run has stopped after the file at hand: its own cancel would hide it.
    QObject::disconnect(progress_.get(), &QProgressDialog::canceled, progress_.get(), nullptr);
    QObject::connect(progress_.get(), &QProgressDialog::canceled, progress_.get(), std::move(cancel));
    progress_->show();
}

void QtBatchPrompts::progress(const workflow::ProgressText& text)
{
    if (!progress_) return;
    progress_->setLabelText(QString::fromStdString(text.file.empty() ? text.count : text.count + "\n" + text.file));
    if (text.total > 0) progress_->setValue(static_cast<int>(text.done));
}

void QtBatchPrompts::progressEnded() { progress_.reset(); }

void QtBatchPrompts::summary(const workflow::SummaryText& text)
{
    QMessageBox box(text.everyFileConverted ? QMessageBox::Information : QMessageBox::Warning,
                    QString::fromStdString(text.title), QString::fromStdString(text.counts), QMessageBox::Ok, parent_);
    // Plain text: a '<' in a file name must not turn the box into markup.
    box.setTextFormat(Qt::PlainText);
    box.setDetailedText(QString::fromStdString(text.details));
    if (!text.copyButton.empty()) {
        // The whole list, however long, goes to the clipboard; the box stays open for OK.
        QPushButton* copy = box.addButton(QString::fromStdString(text.copyButton), QMessageBox::ActionRole);
        QObject::disconnect(copy, &QAbstractButton::clicked, nullptr, nullptr);
        QObject::connect(copy, &QAbstractButton::clicked, &box,
                         [list = QString::fromStdString(text.wholeList)] { QGuiApplication::clipboard()->setText(list); });
    }
    box.exec();
}

}  // namespace ui
