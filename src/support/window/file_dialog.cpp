// Asks the user for a file name through a preset dialog until the name carries the filter's extension.
#include "support/window/file_dialog.h"

#include "support/window/path_split.h"

#include <QStringView>
#include <algorithm>
#include <limits>

namespace support {
namespace {

// Text positions are 1-based 16-bit numbers.
constexpr qsizetype LastPosition = std::numeric_limits<std::int16_t>::max();

constexpr std::uint32_t OpenFlags =
    dialog_flags::HideReadOnly | dialog_flags::PathMustExist | dialog_flags::FileMustExist;
// No FileMustExist: the converted file is saved under a name that does not exist yet.
constexpr std::uint32_t SaveFlags =
    dialog_flags::OverwritePrompt | dialog_flags::HideReadOnly | dialog_flags::PathMustExist;

// Names lose the blanks at their end, as the engine takes them (spaces only).
QStringView withoutTrailingBlanks(QStringView name)
{
    while (name.endsWith(u' ')) name.chop(1);
    return name;
}

QStringView fileNamePart(QStringView path)
{
    return path.sliced(std::max(path.lastIndexOf(u'\\'), path.lastIndexOf(u'/')) + 1);
}

// The extension position before it is held in 16 bits; -1 when the extension does not occur, so
// that a name without it is refused rather than accepted when it happens to be one character long.
qsizetype unboundedExtensionPosition(const QString& chosenPath, const QString& defaultExtension)
{
    // The name part only: a folder such as "Data.Gx" must not decide the test.
    const QStringView name = withoutTrailingBlanks(fileNamePart(chosenPath));
    const QString extension = QStringLiteral(".") + defaultExtension;
    const qsizetype found = name.indexOf(withoutTrailingBlanks(extension));
    return found < 0 ? -1 : name.size() - (found + 1);
}

}  // namespace

std::optional<QString> FilterExtension(const QString& filter)
{
    if (filter.size() > LastPosition)
        return std::nullopt;
    const qsizetype dot = filter.indexOf(u'.') + 1;
    // The scan counts positions in 16 bits: ending it at or after position 32767 overflows.
    if ((dot == 0 && filter.size() == LastPosition) || dot == LastPosition)
        return std::nullopt;
    if (dot == 0)
        return QStringLiteral("?");
    return filter.mid(dot, 1);
}

QString DateiDialog(FileDialogControl& dialog, const QString& startPath, QString filter, QString title,
                    std::int16_t openFlag)
{
    const bool opening = openFlag != 0;
    // A failing step does not stop its pass (the dialog is still shown), but it ends the loop with "".
    bool failed = false;
    bool accepted = false;
    do {
        const std::optional<PathParts> start = PfadZerlegen(startPath);
        if (filter.isEmpty())
            filter = QStringLiteral("*.*");
        if (title.isEmpty())
            title = QStringLiteral("Dateiauswahl");
        const std::optional<QString> filterExtension = FilterExtension(filter);
        failed = failed || !start || !filterExtension;
        // Overflowed values preset nothing; the pass still shows the dialog before it ends the loop.
        const PathParts presets = start.value_or(PathParts{});
        QString defaultExtension = filterExtension.value_or(QString());

        // Every pass presets everything again, so a refused choice is not carried over.
        dialog.setDialogTitle(title);
        dialog.setFileName(presets.fileName);
        dialog.setInitialDirectory(presets.drive + presets.directory);
        dialog.setDefaultExtension(defaultExtension);
        dialog.setFilter(filter);
        dialog.setFlags(opening ? OpenFlags : SaveFlags);
        const bool shown = opening ? dialog.showOpen() : dialog.showSave();
        failed = failed || !shown;

        const QString chosen = dialog.fileName();
        if (defaultExtension == u"?") {
            // A filter without an extension takes the last character of the choice as its extension.
            const QStringView chosenName = withoutTrailingBlanks(chosen);
            if (chosenName.isEmpty())
                failed = true;  // a blank choice has no character to take
            else
                defaultExtension = chosenName.back();
        }
        const qsizetype position = unboundedExtensionPosition(chosen, defaultExtension);
        failed = failed || position > LastPosition;
        accepted = position == 1;
    } while (!failed && !accepted);
    return failed ? QString() : dialog.fileName();
}

}  // namespace support
