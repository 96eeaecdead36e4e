// One run over many files for both front ends: the sources it refuses, its jobs, the targets there already, the run.
#include "batch/batch_session.h"

#include "batch/conversion_plan.h"
#include "batch/existing_target.h"
#include "batch/problem_text.h"
#include "support/engine/file_names.h"

#include <sys/stat.h>

#include <algorithm>

namespace batch {
namespace {

bool isFolder(const std::string& path)
{
    // A folder named is followed even through a link, as planning follows it: the user named it.
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

// The name a file goes by in its folder; a file's path ends in no '/'.
std::string lastPart(const std::string& path) { return path.substr(path.rfind('/') + 1); }

}  // namespace

BatchSession::BatchSession(std::vector<std::string> sources, SessionSettings settings, SessionListener& listener)
    : settings_(std::move(settings)), listener_(listener)
{
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

BatchSession::BatchSession(std::vector<Job> jobs, SessionListener& listener) : listener_(listener), jobs_(std::move(jobs))
{
}

void BatchSession::planInto(const std::string& destination)
{
    const PlanNotes notes{
        .passedOver = [this](const std::string& path) { listener_.passedOver(path); },
        .folderNotAsked = [](const std::string&) {},  // refused already
        .folderUnreadable =
            [this](const std::string& folder, engine::FileError error) {
                refuse(folder, "not converted: cannot read the folder: " + errorText(error));
            },
    };
    jobs_ = batch::planInto(sources_, destination, settings_.recursive, notes);
}

std::size_t BatchSession::existingTargets() const
{
    // The run looks at the target the save writes, without the trailing blanks a name may have.
    return static_cast<std::size_t>(std::ranges::count_if(
        jobs_, [](const Job& job) { return standingAt(support::withoutTrailingBlanks(job.target)).has_value(); }));
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
