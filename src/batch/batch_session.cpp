// One run over many files for both front ends: the sources it refuses, its jobs, the targets there already, the run.
#include "batch/batch_session.h"

#include "batch/conversion_plan.h"
#include "batch/problem_text.h"
#include "engine/file_names.h"

#include <algorithm>

namespace batch {
namespace {

// The name a file goes by in its folder; a file's path ends in no separator.
std::string lastPart(const std::string& path) { return engine::splitPath(path).name; }

}  // namespace

BatchSession::BatchSession(std::vector<std::string> sources, SessionSettings settings, SessionListener& listener,
                           engine::FileSystem& files)
    : files_(files), settings_(std::move(settings)), listener_(listener)
{
    // A folder named is followed even through a link, as planning follows it: the user named it.
    const auto isFolder = [&](const std::string& path) { return files_.status(path).kind == engine::FileStatus::Folder; };
    for (std::size_t index = 0; index < sources.size(); ++index) {
        std::string& source = sources[index];
        if (source.empty() && settings_.nameList) {
            // A name the list left empty cannot be converted, but is no reason to stop the others.
            refuse(*settings_.nameList, "name " + std::to_string(index + 1) + ": empty file name");
        } else if (!isFolder(source)) {
            // A file the user named by itself, unlike the other files of a folder, is not passed over in silence.
            if (!settings_.measurementFilesOnly || isMeasurementFileName(lastPart(source)))
                sources_.push_back(std::move(source));
            else refuse(source, "not converted: not a measurement file");
        } else if (settings_.recursive) {
            sources_.push_back(std::move(source));
        } else {
            refuse(source, "not converted: a folder (-r converts folders)");
        }
    }
}

BatchSession::BatchSession(std::vector<Job> jobs, SessionListener& listener, engine::FileSystem& files)
    : files_(files), listener_(listener), jobs_(std::move(jobs))
{
}

bool BatchSession::planInto(const std::string& destination, const std::function<bool()>& stopRequested)
{
    const PlanNotes notes{
        .passedOver = [this](const std::string& path) { listener_.passedOver(path); },
        .folderNotAsked = [](const std::string&) {},  // refused already
        .folderUnreadable =
            [this](const std::string& folder, engine::FileError error) {
                refuse(folder, "not converted: cannot read the folder: " + errorText(error));
            },
        .found = [this](std::size_t jobs) { listener_.planning(jobs); },
        .stopRequested = stopRequested,
    };
    jobs_ = batch::planInto(files_, sources_, destination, settings_.recursive, notes);
    if (!stopRequested || !stopRequested()) return true;
    jobs_.clear();
    return false;
}

std::size_t BatchSession::existingTargets() const
{
    // The run looks at the target the save writes, without the trailing blanks a name may have.
    return static_cast<std::size_t>(std::ranges::count_if(
        jobs_, [this](const Job& job) {
            return files_.status(engine::withoutTrailingBlanks(job.target)).kind != engine::FileStatus::Missing;
        }));
}

RunTotals BatchSession::run(engine::ConversionPipeline& pipeline, bool replaceExisting, bool dryRun,
                            const std::function<bool()>& stopRequested)
{
    RunTotals totals = runBatch(
        pipeline, jobs_, {.replaceExisting = replaceExisting, .dryRun = dryRun, .makeFolders = settings_.recursive},
        listener_, stopRequested);
    totals.failed += refused_;
    return totals;
}

void BatchSession::refuse(const std::string& subject, const std::string& problem)
{
    ++refused_;
    listener_.refused(subject, problem);
}

}  // namespace batch
