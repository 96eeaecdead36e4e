// Converts the jobs of a plan one after another through the one pipeline and tells what became of each.
#pragma once

#include "batch/conversion_plan.h"
#include "engine/conversion_pipeline.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

namespace batch {

// What became of one file.
struct FileOutcome {
    enum Result { Converted, Skipped, Failed } result;
    enum Reason {
        Done,
        TargetExists,         // skipped: replacing targets was not asked for
        TargetOfEarlierFile,  // an earlier file of the run went to the same target
        TargetIsSource,       // the target is the source file itself
        MarkedNotToSave,      // the record is marked not to be saved
        FileFailure,          // failure tells which operation failed and why
    } reason;
    std::optional<engine::Failure> failure;
};

struct RunTotals {
    std::size_t converted = 0;
    std::size_t failed = 0;
    std::size_t skipped = 0;
};

class BatchListener {
public:
    virtual ~BatchListener() = default;
    virtual void starting(std::size_t /*index*/, std::size_t /*count*/, const Job& /*job*/) {}
    // Once the outcome is final: a converted file is in place and on the disk.
    virtual void finished(const Job& job, const FileOutcome& outcome) = 0;
    virtual void interrupted(std::size_t /*notBegun*/, std::size_t /*count*/) {}
};

struct BatchOptions {
    bool replaceExisting = false;  // otherwise an existing target is left alone and the file skipped
    bool dryRun = false;           // every check of a real run, nothing written
    bool makeFolders = false;      // a tree's target folders are made as needed
};

// Converts every job in turn, going on past failures. No target is written twice in one run and a
// source is never replaced by its own conversion. Once stopRequested says so, no further file is
// begun and the files converted so far are put in place. Converted files reach the disk together,
// many at a time. A source or a target that another program holds for a moment is tried again with
// growing pauses for HeldFileGrace while the other files go on; held longer, its file is not
// converted, with the system's answer.
RunTotals runBatch(engine::ConversionPipeline& pipeline, const std::vector<Job>& jobs, const BatchOptions& options,
                   BatchListener& listener, const std::function<bool()>& stopRequested = {});

}  // namespace batch
