// One conversion run on a click of Command1: open dialog and load, convert, save dialog and save.
#include "win32/single_run.h"

#include "support/engine/file_names.h"
#include "support/engine/windows1252.h"
#include "support/window/path_split.h"
#include "support/window/profile.h"
#include "win32/warning_box.h"

namespace win32 {
namespace {

constexpr char OpenFilter[] = "Geradheit(*.G)|*.G";
// Followed by the name the old record was saved under, so that the target dialog lists only that name.
constexpr char SaveFilterHead[] = "Straightness (*.G)|";

// A number the way the warning titles show it: a blank where a minus sign would stand.
std::string signedNumber(int number)
{
    return number < 0 ? std::to_string(number) : " " + std::to_string(number);
}

}  // namespace

SingleRun::SingleRun(MainWindow& window, Win32FileDialog& dialog, engine::ConversionPipeline& pipeline,
                     std::string applicationFolder)
    : window_(window), dialog_(dialog), pipeline_(pipeline), applicationFolder_(std::move(applicationFolder))
{
}

std::string SingleRun::measurementFolder() const
{
    // Asked afresh at every dialog: a profile edited while the program runs counts at the next one.
    return support::measurementFolder(support::programFolders(applicationFolder_));
}

void SingleRun::warn(const engine::Failure& failure)
{
    const std::string number = signedNumber(failure.error.code());
    const std::string description(failure.error.description());
    if (failure.operation == engine::Operation::Loading)
        showWarning(window_.handle(), "Error:  (g_DateiLaden): " + number, "...at loading\r\n" + description);
    else
        showWarning(window_.handle(), "Error: (g_DateiSpeichern): " + number, "...at saving \r\n" + description);
}

bool SingleRun::openAndLoad()
{
    MessageBeep(MB_OK);
    const std::string chosen = support::DateiDialog(dialog_, measurementFolder(), OpenFilter, "Open File", 1);
    if (chosen.empty())
        return false;
    if (const std::optional<engine::Failure> failure = pipeline_.load(chosen)) {
        warn(*failure);
        return false;
    }
    return true;
}

bool SingleRun::saveAs()
{
    const records::Text<75>& stored = pipeline_.converted().Info.FileInfo.FileName;
    const std::string path = support::fromWindows1252(
        support::withoutTrailingBlanks(std::string_view(stored.bytes.data(), stored.bytes.size())));
    const std::string namePart = support::PfadZerlegen(path).value_or(support::PathParts{}).fileName;
    const std::string chosen =
        support::DateiDialog(dialog_, measurementFolder(), SaveFilterHead + namePart, "Save File", 0);
    if (chosen.empty())
        return false;
    const engine::ConversionResult saved = pipeline_.save(chosen);
    if (saved.failure)
        warn(*saved.failure);
    return saved.status == engine::ConversionResult::Converted;
}

void SingleRun::run()
{
    window_.showStatus("Start converting");
    window_.setCommand1Enabled(false);
    const bool converted = openAndLoad() && saveAs();
    window_.showStatus(converted ? "File succesfully converted!" : "ERROR: File NOT converted!");
    window_.setCommand1Enabled(true);
}

}  // namespace win32
