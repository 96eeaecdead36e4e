// The file dialog routine's operations carried out by Qt's own file dialog widget.
#include "ui/qt_file_dialog.h"

#include <QFileDialog>
#include <QStringList>
#include <QStringTokenizer>

namespace ui {
namespace {

using workflow::dialog_flags::FileMustExist;
using workflow::dialog_flags::OverwritePrompt;

// QFileDialog takes the patterns of a name filter from its closing "(...)" and splits them at
// blanks; a character outside the few it accepts there makes it take the whole filter text, the
// description included, for patterns, and '[' would open a character set. Such characters become
// '?', which still matches them, so that the right files are listed (and rarely a lookalike more).
QChar carriedInPattern(QChar character)
{
    static const QString plainSymbols = QStringLiteral("_.,*?+#-@{}!<>$%&=^~:");
    const bool asciiAlphanumeric = character.unicode() < 128 && character.isLetterOrNumber();
    return asciiAlphanumeric || plainSymbols.contains(character) ? character : QChar(u'?');
}

// Patterns are separated by ';' in a filter text and by blanks in a Qt name filter.
QString qtPatterns(QStringView patterns)
{
    QStringList converted;
    for (QStringView pattern : QStringTokenizer(patterns, u';', Qt::SkipEmptyParts)) {
        QString qtPattern;
        for (QChar character : pattern)
            qtPattern.append(carriedInPattern(character));
        converted.append(qtPattern);
    }
    return converted.join(u' ');
}

// One Qt name filter per "description|pattern" pair of the filter text. The patterns go into a
// closing "(...)" of their own, so that a description such as "Geradheit(*.G)" is shown whole (with
// HideNameFilterDetails) and never read for patterns. A description without a pattern, such as
// "*.*", is its own pattern.
QStringList qtNameFilters(const QString& filter)
{
    const QStringList parts = filter.split(u'|');
    QStringList nameFilters;
    for (qsizetype at = 0; at < parts.size(); at += 2) {
        const QString& description = parts[at];
        const QString& patterns = at + 1 < parts.size() ? parts[at + 1] : description;
        nameFilters.append(description + QStringLiteral(" (") + qtPatterns(patterns) + u')');
    }
    return nameFilters;
}

}  // namespace

QtFileDialog::QtFileDialog(QWidget* parent) : parent_(parent) {}

void QtFileDialog::setDialogTitle(const std::string& title) { title_ = QString::fromStdString(title); }
void QtFileDialog::setFileName(const std::string& name) { fileName_ = QString::fromStdString(name); }
std::string QtFileDialog::fileName() const { return fileName_.toStdString(); }
void QtFileDialog::setInitialDirectory(const std::string& directory) { initialDirectory_ = QString::fromStdString(directory); }
void QtFileDialog::setDefaultExtension(const std::string& extension) { defaultExtension_ = QString::fromStdString(extension); }
void QtFileDialog::setFilter(const std::string& filter) { filter_ = QString::fromStdString(filter); }
void QtFileDialog::setFlags(std::uint32_t flags) { flags_ = flags; }
bool QtFileDialog::showOpen() { return show(false); }
bool QtFileDialog::showSave() { return show(true); }

bool QtFileDialog::show(bool saving)
{
    QFileDialog dialog(parent_, title_);
    // Before anything else: the other options only reach Qt's own widget once it is chosen.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setAcceptMode(saving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode((flags_ & FileMustExist) != 0 ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, (flags_ & OverwritePrompt) == 0);
    // An empty folder leaves the dialog in the current directory.
    if (!initialDirectory_.isEmpty())
        dialog.setDirectory(initialDirectory_);
    dialog.setNameFilters(qtNameFilters(filter_));
    // Set after the filters: in a save dialog choosing a filter replaces the extension of the name.
    dialog.selectFile(fileName_);
    dialog.setDefaultSuffix(defaultExtension_);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    fileName_ = dialog.selectedFiles().value(0);
    return true;
}

}  // namespace ui
