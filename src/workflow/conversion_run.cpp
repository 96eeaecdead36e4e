// One conversion run of the window: open dialog and load, convert, save dialog and save, status line.
#include "workflow/conversion_run.h"

#include "engine/file_names.h"
#include "encoding/windows1252.h"
#include "workflow/path_split.h"
#include "workflow/profile.h"

namespace workflow {
namespace {

// The old file's filter shows "Geradheit(*.G)" and lists only *.G files.
constexpr char OpenFilter[] = "Geradheit(*.G)|*.G";
// Followed by the name the old record was saved under, so that the target dialog lists only
// files of that name.
constexpr char SaveFilterHead[] = "Straightness (*.G)|";
constexpr std::int16_t OpenDialog = 1;
constexpr std::int16_t SaveDialog = 0;

// The name part of the path the old record stored, which may be a Windows path.
std::string storedFileNamePart(const records::Text<75>& storedName)
{
    const std::string_view bytes(storedName.bytes.data(), storedName.bytes.size());
    const std::string path = encoding::fromWindows1252(engine::withoutTrailingBlanks(bytes));
    // 75 characters never overflow a 16-bit position.
    return workflow::PfadZerlegen(path).value_or(workflow::PathParts{}).fileName;
}

}  // namespace

FolderLookup profileMeasurementFolder(const std::string& applicationFolder)
{
    // The folders are looked at afresh too: a profile put beside the program while it runs counts.
    return [applicationFolder] { return workflow::measurementFolder(workflow::programFolders(applicationFolder)); };
}

ConversionRun::ConversionRun(engine::ConversionPipeline& pipeline, workflow::FileDialogControl& dialog,
                             WarningBox& warnings, std::function<void()> beep, FolderLookup measurementFolder)
    : pipeline_(pipeline), dialog_(dialog), warnings_(warnings), beep_(std::move(beep)),
      measurementFolder_(std::move(measurementFolder))
{
}

bool ConversionRun::DateiOeffnen()
{
    beep_();
    // The dialog's UTF-8 name is the system's name for the file, as the engine takes it.
    const std::string chosen = workflow::DateiDialog(dialog_, measurementFolder_(), OpenFilter, "Open File", OpenDialog);
    return !chosen.empty() && load(chosen);
}

bool ConversionRun::load(const std::string& source)
{
    if (const std::optional<engine::Failure> failure = pipeline_.load(source)) {
        warnings_.warn(warningText(*failure));
        return false;
    }
    return true;
}

bool ConversionRun::DateiSpeichernUnter()
{
    const std::string folder = measurementFolder_();
    const std::string filter = SaveFilterHead + storedFileNamePart(pipeline_.converted().Info.FileInfo.FileName);
    const std::string chosen = workflow::DateiDialog(dialog_, folder, filter, "Save File", SaveDialog);
    if (chosen.empty())
        return false;
    const engine::ConversionResult saved = pipeline_.save(chosen);
    if (saved.failure)
        warnings_.warn(warningText(*saved.failure));
    return saved.status == engine::ConversionResult::Converted;
}

void ConversionRun::convertOneFile(RunView& view)
{
    run(view, [this] { return DateiOeffnen(); });
}

void ConversionRun::convertOneFile(RunView& view, const std::string& source)
{
    run(view, [this, &source] { return load(source); });
}

void ConversionRun::run(RunView& view, const std::function<bool()>& open)
{
    view.showStatus(StatusRunning);
    // Stays disabled through every dialog and box of the run, so that no second run can start inside it.
    view.setCommand1Enabled(false);
    bool converted = false;
    // The conversion itself runs as the file is loaded, before the save dialog that needs its record.
    if (open())
        converted = DateiSpeichernUnter();
    view.showStatus(converted ? StatusConverted : StatusNotConverted);
    view.setCommand1Enabled(true);
}

}  // namespace workflow
