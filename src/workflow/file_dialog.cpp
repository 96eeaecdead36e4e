// Asks the user for a file name through a preset dialog until the name carries the filter's extension.
#include "workflow/file_dialog.h"

#include "workflow/path_split.h"
#include "workflow/text_positions.h"

namespace workflow {
namespace {

constexpr std::uint32_t OpenFlags =
    dialog_flags::HideReadOnly | dialog_flags::PathMustExist | dialog_flags::FileMustExist;
// No FileMustExist: the converted file is saved under a name that does not exist yet.
constexpr std::uint32_t SaveFlags =
    dialog_flags::OverwritePrompt | dialog_flags::HideReadOnly | dialog_flags::PathMustExist;

// Names lose the blanks at their end, as the engine takes them (spaces only).
std::string_view withoutTrailingBlanks(std::string_view name)
{
    while (name.ends_with(' ')) name.remove_suffix(1);
    return name;
}

std::string_view fileNamePart(std::string_view path)
{
    const std::size_t separator = path.find_last_of("\\/");
    return separator == std::string_view::npos ? path : path.substr(separator + 1);
}

// The extension position before it is held in 16 bits; -1 when the extension does not occur, so
// that a name without it is refused rather than accepted when it happens to be one character long.
long long unboundedExtensionPosition(std::string_view chosenPath, const std::string& defaultExtension)
{
    // The name part only: a folder such as "Data.Gx" must not decide the test.
    const std::string_view name = withoutTrailingBlanks(fileNamePart(chosenPath));
    const std::string extension = "." + defaultExtension;
    const std::size_t found = findWhole(name, withoutTrailingBlanks(extension));
    if (found == std::string_view::npos)
        return -1;
    return static_cast<long long>(unitCount(name)) - static_cast<long long>(unitCount(name.substr(0, found)) + 1);
}

}  // namespace

std::optional<std::string> FilterExtension(std::string_view filter)
{
    const std::size_t length = unitCount(filter);
    if (length > LastPosition)
        return std::nullopt;
    // '.' is one byte, never part of a longer character.
    const std::size_t dotByte = filter.find('.');
    const std::size_t dot = dotByte == std::string_view::npos ? 0 : unitCount(filter.substr(0, dotByte)) + 1;
    // The scan counts positions in 16 bits: ending it at or after position 32767 overflows.
    if ((dot == 0 && length == LastPosition) || dot == LastPosition)
        return std::nullopt;
    if (dot == 0)
        return "?";
    const std::string_view rest = filter.substr(dotByte + 1);
    return std::string(rest.substr(0, firstCharacter(rest).bytes));
}

std::string DateiDialog(FileDialogControl& dialog, const std::string& startPath, std::string filter, std::string title,
                        std::int16_t openFlag)
{
    const bool opening = openFlag != 0;
    // A failing step does not stop its pass (the dialog is still shown), but it ends the loop with "".
    bool failed = false;
    bool accepted = false;
    do {
        const std::optional<PathParts> start = PfadZerlegen(startPath);
        if (filter.empty())
            filter = "*.*";
        if (title.empty())
            title = "Dateiauswahl";
        const std::optional<std::string> filterExtension = FilterExtension(filter);
        failed = failed || !start || !filterExtension;
        // Overflowed values preset nothing; the pass still shows the dialog before it ends the loop.
        const PathParts presets = start.value_or(PathParts{});
        std::string defaultExtension = filterExtension.value_or(std::string());

        // Every pass presets everything again, so a refused choice is not carried over.
        dialog.setDialogTitle(title);
        dialog.setFileName(presets.fileName);
        dialog.setInitialDirectory(presets.drive + presets.directory);
        dialog.setDefaultExtension(defaultExtension);
        dialog.setFilter(filter);
        dialog.setFlags(opening ? OpenFlags : SaveFlags);
        const bool shown = opening ? dialog.showOpen() : dialog.showSave();
        failed = failed || !shown;

        const std::string chosen = dialog.fileName();
        if (defaultExtension == "?") {
            // A filter without an extension takes the last character of the choice as its extension.
            const std::string_view chosenName = withoutTrailingBlanks(chosen);
            if (chosenName.empty())
                failed = true;  // a blank choice has no character to take
            else
                defaultExtension = lastCharacter(chosenName);
        }
        const long long position = unboundedExtensionPosition(chosen, defaultExtension);
        failed = failed || position > static_cast<long long>(LastPosition);
        accepted = position == 1;
    } while (!failed && !accepted);
    return failed ? std::string() : dialog.fileName();
}

}  // namespace workflow
