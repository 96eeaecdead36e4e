// Converts the jobs of a plan one after another through the one pipeline and tells what became of each.
#include "batch/batch_conversion.h"

#include "engine/file_names.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <unordered_map>
#include <vector>

namespace batch {
namespace {

using engine::FileErrorNumber;

FileOutcome failed(FileOutcome::Reason reason) { return {FileOutcome::Failed, reason, std::nullopt}; }

FileOutcome failedSaving(engine::FileError error)
{
    return {FileOutcome::Failed, FileOutcome::FileFailure, engine::Failure{engine::Operation::Saving, error}};
}

// What stands at the target may decide the file's fate before its source is read.
std::optional<FileOutcome> outcomeForTarget(engine::FileSystem& files, const std::string& target, const Job& job,
                                            bool replaceExisting, engine::ReplacementBatch& batch)
{
    const engine::FileStatus atTarget = files.status(target);
    if (atTarget.kind == engine::FileStatus::Missing) return std::nullopt;
    const engine::FileStatus source = files.status(job.source);
    if (atTarget.kind == engine::FileStatus::File && source.kind == engine::FileStatus::File
        && atTarget.identity == source.identity)
        return failed(FileOutcome::TargetIsSource);
    if (atTarget.kind == engine::FileStatus::Folder) return failedSaving({FileErrorNumber::PathFileAccessError});
    // Replacing, the commit tells a file of this run from another, so that it is read only once.
    if (replaceExisting) return std::nullopt;
    // Another name of a file this run wrote: a case-blind file system's, or one through a linked folder.
    if (batch.placedBefore(target)) return failed(FileOutcome::TargetOfEarlierFile);
    return FileOutcome{FileOutcome::Skipped, FileOutcome::TargetExists, std::nullopt};
}

FileOutcome outcomeOfCommit(const engine::ReplacementBatch::Outcome& commit)
{
    using Commit = engine::ReplacementBatch::Outcome;
    switch (commit.kind) {
    case Commit::Saved: return {FileOutcome::Converted, FileOutcome::Done, std::nullopt};
    case Commit::TargetExists: return {FileOutcome::Skipped, FileOutcome::TargetExists, std::nullopt};
    case Commit::TargetPlacedBefore: return failed(FileOutcome::TargetOfEarlierFile);
    case Commit::Failed: break;
    }
    return failedSaving(commit.error.value_or(engine::FileError{FileErrorNumber::PathFileAccessError}));
}

}  // namespace

RunTotals runBatch(engine::ConversionPipeline& pipeline, const std::vector<Job>& jobs, const BatchOptions& options,
                   BatchListener& listener, const std::function<bool()>& stopRequested)
{
    engine::FileSystem& files = pipeline.files();
    engine::RetryClock& clock = pipeline.clock();
    engine::ReplacementBatch::Options batchOptions = engine::ReplacementBatch::forManyFiles(files);
    batchOptions.makeFolders = options.makeFolders;
    batchOptions.checkOnly = options.dryRun;
    batchOptions.replaceExisting = options.replaceExisting;
    batchOptions.clock = &clock;
    engine::ReplacementBatch waiting(files, batchOptions);
    // The jobs of the files in the batch, by their number there from firstFile on; a file held at its
    // target is told after later ones.
    constexpr std::size_t Told = SIZE_MAX;
    std::deque<std::size_t> jobOfFile;
    std::size_t firstFile = 0;

    RunTotals totals;
    const auto tell = [&](const Job& job, const FileOutcome& outcome) {
        ++(outcome.result == FileOutcome::Converted ? totals.converted
           : outcome.result == FileOutcome::Skipped ? totals.skipped
                                                    : totals.failed);
        listener.finished(job, outcome);
    };
    // Without waiting for held targets, a file held at its target is told at a later commit.
    const auto putInPlace = [&](bool waitForHeld) {
        for (const engine::ReplacementBatch::Outcome& commit : waitForHeld ? waiting.commit() : waiting.commitReady()) {
            std::size_t& job = jobOfFile[commit.file - firstFile];
            tell(jobs[job], outcomeOfCommit(commit));
            job = Told;
        }
        for (; !jobOfFile.empty() && jobOfFile.front() == Told; ++firstFile) jobOfFile.pop_front();
    };

    // The record stores the target's absolute path; the save drops its trailing blanks.
    const auto targetOf = [&](const Job& job) { return files.absolutePath(engine::withoutTrailingBlanks(job.target)); };
    // Targets claimed so far, by the hash of their key, which the file system gives so that two
    // spellings it takes for one name (A.G and a.G on Windows) are one target already when the run is
    // planned, and a dry run tells the truth; a hash met again is checked against the jobs that
    // claimed it, so that a run keeps a few bytes per file rather than every path twice.
    std::unordered_multimap<std::size_t, std::size_t> claimed;
    const auto claimedBefore = [&](const std::string& key, std::size_t hash) {
        const auto [from, to] = claimed.equal_range(hash);
        return std::any_of(from, to,
                           [&](const auto& entry) { return files.nameKey(targetOf(jobs[entry.second])) == key; });
    };
    // Converts one job into the batch; the error when another program holds its source for now.
    const auto convert = [&](std::size_t index) -> std::optional<engine::FileError> {
        if (waiting.full()) putInPlace(false);  // a job tried again comes between two others
        const Job& job = jobs[index];
        const std::string target = targetOf(job);
        const std::string key = files.nameKey(target);
        const std::size_t hash = std::hash<std::string>{}(key);

        FileOutcome outcome{FileOutcome::Converted, FileOutcome::Done, std::nullopt};
        if (claimedBefore(key, hash)) {
            outcome = failed(FileOutcome::TargetOfEarlierFile);
        } else if (const auto decided = outcomeForTarget(files, target, job, options.replaceExisting, waiting)) {
            outcome = *decided;
        } else {
            const engine::ConversionResult result = pipeline.convert(job.source, target, waiting);
            if (result.status == engine::ConversionResult::Failed && result.failure->error.held) return result.failure->error;
            if (result.status == engine::ConversionResult::Inhibited) outcome = failed(FileOutcome::MarkedNotToSave);
            else if (result.status == engine::ConversionResult::Failed)
                outcome = {FileOutcome::Failed, FileOutcome::FileFailure, result.failure};
        }

        if (outcome.result != FileOutcome::Converted) {
            tell(job, outcome);
            return std::nullopt;
        }
        // Counted once it is in place.
        claimed.emplace(hash, index);
        jobOfFile.push_back(index);
        return std::nullopt;
    };

    // Sources another program holds are tried again when due while the other files go on, all of them
    // together, so that a tree whose every source is held waits about the grace once.
    struct HeldSource {
        std::size_t job;
        engine::HeldTries tries;
        engine::FileError error;  // what the last try answered
    };
    std::vector<HeldSource> heldSources;
    // Held too long: the answer is no longer worth another try, and the file is not converted.
    const auto giveUp = [&](const HeldSource& held) {
        tell(jobs[held.job], {FileOutcome::Failed, FileOutcome::FileFailure, engine::Failure{engine::Operation::Loading, {held.error.number}}});
    };
    const auto retryDueSources = [&] {
        const engine::RetryClock::Time now = clock.now();
        std::erase_if(heldSources, [&](HeldSource& held) {
            if (!held.tries.due(now)) return false;
            const std::optional<engine::FileError> error = convert(held.job);
            if (!error) return true;
            held.error = *error;
            if (!held.tries.over(now)) {
                held.tries.tried(now);
                return false;
            }
            giveUp(held);
            return true;
        });
    };

    for (std::size_t index = 0; index < jobs.size(); ++index) {
        if (stopRequested && stopRequested()) {
            listener.interrupted(jobs.size() - index, jobs.size());
            break;
        }
        if (waiting.full()) putInPlace(false);
        listener.starting(index, jobs.size(), jobs[index]);
        if (const auto held = convert(index)) heldSources.push_back({index, engine::HeldTries(clock.now()), *held});
        if (!heldSources.empty()) retryDueSources();
    }
    while (!heldSources.empty()) {
        if (stopRequested && stopRequested()) {
            for (const HeldSource& held : heldSources) giveUp(held);
            break;
        }
        clock.sleepUntil(std::ranges::min(heldSources, {}, [](const HeldSource& held) { return held.tries.next(); }).tries.next());
        retryDueSources();
    }
    putInPlace(true);
    return totals;
}

}  // namespace batch
