// The window's run over dropped files and folders: many files converted into one folder off the window's thread.
#include "workflow/batch_run.h"

#include "batch/batch_session.h"
#include "batch/conversion_plan.h"
#include "batch/problem_text.h"

#include <atomic>
#include <mutex>

namespace workflow {
namespace {

// Often enough for a count to look alive, seldom enough that showing it costs nothing against the run.
constexpr std::chrono::milliseconds ProgressInterval{50};

// How much of path is its folder, the last separator with it ('/', and '\' on Windows); 0 for a bare name.
std::size_t folderLength(std::string_view path)
{
    std::size_t length = path.size();
    while (length > 0 && !engine::isPathSeparator(path[length - 1])) --length;
    return length;
}

// The deepest folder that holds every dropped path, ending in its separator. Files are named from
// there down, as the file manager they were dropped from shows them: "in/big.G" for big.G in a folder in.
std::string commonFolder(const std::vector<std::string>& paths)
{
    std::string common = paths.empty() ? "" : paths.front().substr(0, folderLength(paths.front()));
    for (const std::string& path : paths) {
        const std::string_view folder(path.data(), folderLength(path));
        while (!folder.starts_with(common)) common.resize(folderLength(std::string_view(common).substr(0, common.size() - 1)));
    }
    return common;
}

std::string shownBelow(const std::string& path, const std::string& folder)
{
    return batch::shownPath(path.starts_with(folder) ? path.substr(folder.size()) : path);
}

// Notes what becomes of each file on the worker thread and shows the search's count or the file at
// hand on the window's thread. At most one report waits on the window's thread at a time and the
// window changes at most every ProgressInterval, so that a run of small files neither floods nor
// busies the window.
class ProgressRelay : public batch::SessionListener {
public:
    ProgressRelay(BatchPrompts& prompts, WindowThread& windowThread, std::string shownFrom, BatchSummary& summary)
        : prompts_(prompts), windowThread_(windowThread), shownFrom_(std::move(shownFrom)), summary_(summary)
    {
    }

    // On the window's thread, as the reports are: those still waiting after the run do nothing.
    ~ProgressRelay() override { *alive_ = false; }

    void planning(std::size_t jobs) override { report(searchingText(jobs)); }

    void starting(std::size_t index, std::size_t count, const batch::Job& job) override
    {
        report(convertingText(index, count, shownBelow(job.source, shownFrom_)));
    }

    // The summary is the worker's until it ends.
    void finished(const batch::Job& job, const batch::FileOutcome& outcome) override
    {
        if (outcome.result == batch::FileOutcome::Converted) {
            ++summary_.converted;
        } else if (outcome.result == batch::FileOutcome::Skipped) {
            ++summary_.skipped;
        } else {
            refused(job.source, batch::problemText(job, outcome));
        }
    }

    void refused(const std::string& subject, const std::string& problem) override
    {
        ++summary_.notConverted;
        summary_.problems.push_back(shownBelow(subject, shownFrom_) + ": " + problem);
    }

    void interrupted(std::size_t notBegun, std::size_t /*count*/) override { summary_.notBegun = notBegun; }

    // On the window's thread, once the user has cancelled: the window says so until the run stops.
    void cancelled()
    {
        cancelled_ = true;
        prompts_.progress({StoppingText, "", 0, 0});
    }

private:
    void report(ProgressText text)
    {
        {
            const std::lock_guard lock(mutex_);
            latest_ = std::move(text);
        }
        if (!reportWaiting_.exchange(true)) post([this] { show(); }, {});
    }

    void post(std::function<void()> task, std::chrono::milliseconds delay)
    {
        windowThread_.post([alive = alive_, task = std::move(task)] { if (*alive) task(); }, delay);
    }

    // On the window's thread. Cleared before the text is read, so that a report the worker makes
    // meanwhile either is read here or sends a report of its own.
    void show()
    {
        reportWaiting_ = false;
        if (cancelled_) return;
        const auto now = std::chrono::steady_clock::now();
        if (shownOnce_ && now - shownAt_ < ProgressInterval) {
            if (!showLater_) {
                showLater_ = true;
                post([this] { showLater_ = false; show(); },
                     std::chrono::ceil<std::chrono::milliseconds>(ProgressInterval - (now - shownAt_)));
            }
            return;
        }
        ProgressText text;
        {
            const std::lock_guard lock(mutex_);
            text = latest_;
        }
        shownOnce_ = true;
        shownAt_ = now;
        prompts_.progress(text);
    }

    BatchPrompts& prompts_;
    WindowThread& windowThread_;
    const std::string shownFrom_;
    BatchSummary& summary_;
    // The window's thread's alone: whether the relay is still there for the reports that reach it.
    const std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    bool cancelled_ = false;
    bool showLater_ = false;
    bool shownOnce_ = false;
    std::chrono::steady_clock::time_point shownAt_;
    std::atomic<bool> reportWaiting_ = false;
    std::mutex mutex_;
    ProgressText latest_;
};

}  // namespace

BatchRun::BatchRun(ConversionRun& single, BatchPrompts& prompts, WindowThread& windowThread,
                   FolderLookup measurementFolder, PipelineMaker makePipeline, engine::FileSystem& files)
    : single_(single),
      prompts_(prompts),
      windowThread_(windowThread),
      measurementFolder_(std::move(measurementFolder)),
      makePipeline_(std::move(makePipeline)),
      files_(files)
{
}

void BatchRun::convertDropped(RunView& view, const std::vector<std::string>& paths)
{
    if (paths.size() == 1 && files_.status(paths.front()).kind != engine::FileStatus::Folder
        && batch::isMeasurementFileName(engine::splitPath(paths.front()).name))
        return single_.convertOneFile(view, paths.front());
    view.showStatus(StatusRunning);
    view.setCommand1Enabled(false);
    const Outcome outcome = convertMany(paths);
    // A quitting program's window is gone.
    if (outcome == Outcome::Quit) return;
    view.showStatus(outcome == Outcome::EveryFileConverted ? StatusConverted : StatusNotConverted);
    view.setCommand1Enabled(true);
}

BatchRun::Outcome BatchRun::convertMany(const std::vector<std::string>& paths)
{
    BatchSummary summary;
    ProgressRelay relay(prompts_, windowThread_, commonFolder(paths), summary);
    batch::BatchSession session(paths, {.recursive = true, .measurementFilesOnly = true, .nameList = std::nullopt},
                                relay, files_);
    if (session.anySource()) {
        const std::string folder = prompts_.targetFolder(measurementFolder_());
        if (folder.empty()) return Outcome::NotEveryFile;
        std::atomic<bool> stop = false;
        const auto stopRun = [&stop] { stop = true; };
        const auto cancel = [&stop, &relay] {
            stop = true;
            relay.cancelled();
        };
        // Walking a large tree and looking at each target take a while, on a network folder above all.
        bool planned = false;
        std::size_t existing = 0;
        prompts_.progressStarted(0, cancel);
        prompts_.progress(searchingText(0));
        const bool searched = windowThread_.runOff(
            [&] {
                planned = session.planInto(folder, [&stop] { return stop.load(); });
                if (planned) existing = session.existingTargets();
            },
            stopRun);
        prompts_.progressEnded();
        if (!searched) return Outcome::Quit;
        if (!planned) return Outcome::NotEveryFile;
        bool replace = false;
        if (existing > 0) {
            const BatchPrompts::Existing answer = prompts_.existingTargets(existingTargetsQuestion(existing, session.jobCount()));
            if (answer == BatchPrompts::Existing::Cancel) return Outcome::NotEveryFile;
            replace = answer == BatchPrompts::Existing::Replace;
        }
        prompts_.progressStarted(session.jobCount(), cancel);
        const bool converted = windowThread_.runOff(
            [&] {
                const std::unique_ptr<engine::ConversionPipeline> pipeline = makePipeline_();
                session.run(*pipeline, replace, false, [&stop] { return stop.load(); });
            },
            stopRun);
        prompts_.progressEnded();
        // The files converted so far are in place; a program that quits asks and shows nothing more.
        if (!converted) return Outcome::Quit;
    }
    prompts_.summary(summaryText(summary));
    return everyFileConverted(summary) ? Outcome::EveryFileConverted : Outcome::NotEveryFile;
}

}  // namespace workflow
