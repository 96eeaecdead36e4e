// Converts the jobs of a plan one after another through the one pipeline and tells what became of each.
#include "batch/batch_conversion.h"

#include "engine/file_names.h"

#include <algorithm>
#include <deque>
#include <unordered_map>

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
    engine::ReplacementBatch::Options batchOptions = engine::ReplacementBatch::forManyFiles(files);
    batchOptions.makeFolders = options.makeFolders;
    batchOptions.checkOnly = options.dryRun;
    batchOptions.replaceExisting = options.replaceExisting;
    engine::ReplacementBatch waiting(files, batchOptions);
    std::deque<std::size_t> waitingJobs;  // the jobs of the files in the batch, in the order they joined it

    RunTotals totals;
    const auto tell = [&](const Job& job, const FileOutcome& outcome) {
        ++(outcome.result == FileOutcome::Converted ? totals.converted
           : outcome.result == FileOutcome::Skipped ? totals.skipped
                                                    : totals.failed);
        listener.finished(job, outcome);
    };
    const auto putInPlace = [&] {
        for (const engine::ReplacementBatch::Outcome& commit : waiting.commit()) {
            const Job& job = jobs[waitingJobs.front()];
            waitingJobs.pop_front();
            tell(job, outcomeOfCommit(commit));
        }
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
    for (std::size_t index = 0; index < jobs.size(); ++index) {
        if (stopRequested && stopRequested()) {
            listener.interrupted(jobs.size() - index, jobs.size());
            break;
        }
        if (waiting.full()) putInPlace();
        const Job& job = jobs[index];
        listener.starting(index, jobs.size(), job);
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
            if (result.status == engine::ConversionResult::Inhibited) outcome = failed(FileOutcome::MarkedNotToSave);
            else if (result.status == engine::ConversionResult::Failed)
                outcome = {FileOutcome::Failed, FileOutcome::FileFailure, result.failure};
        }

        if (outcome.result != FileOutcome::Converted) {
            tell(job, outcome);
            continue;
        }
        // Counted once it is in place.
        claimed.emplace(hash, index);
        waitingJobs.push_back(index);
    }
    putInPlace();
    return totals;
}

}  // namespace batch
